// harlune-cli's sms send with --long and --report: the parts' message references, then each
// delivery report matched to the part it is about (reference and number).
#include <cctype>
#include <chrono>

#include "clioutput.h"
#include "clirun.h"
#include "contacts/numbermatch.h"
#include "contactscli.h"
#include "messages/statusmatch.h"
#include "phonelink/phonelink.h"
#include "smsrequest.h"

namespace {

constexpr int kReportWaitMs = 60000;

} // namespace

int SendSmsCommand(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err) {
    // Reports come as +CDS only once the phone was asked to pass them on.
    if (r.report && !link.EnableSmsNotices())
        return SmsFailed(err, link.LastError());
    SmsSendOptions options;
    options.statusReport = r.report;
    options.maxParts = r.longText ? 10 : 1;
    std::vector<int> references;
    if (!link.SendLongSms(*r.text, *r.to, options, references)) {
        for (int reference : references)
            out << (r.json ? "{\"reference\":" + std::to_string(reference) + "}"
                           : std::to_string(reference))
                << '\n';
        return SmsFailed(err, link.LastError());
    }
    if (r.json) {
        out << "{\"references\":[";
        for (size_t i = 0; i < references.size(); ++i)
            out << (i ? "," : "") << references[i];
        out << "]}\n";
    } else {
        for (int reference : references)
            out << reference << '\n';
    }
    out.flush();
    if (!r.report)
        return kExitOk;
    // The number as it went into the message (the encoder drops blanks and dashes), so that the
    // report's copy of it compares equal.
    std::string destination;
    for (char c : *r.to)
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '*' || c == '#')
            destination += c;
    std::vector<messages::SentMessage> waiting;
    for (int reference : references)
        waiting.push_back({reference, destination});
    const contacts::NumberMatcher numbers = LocaleNumberMatcher();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReportWaitMs);
    while (!waiting.empty() && std::chrono::steady_clock::now() < end) {
        bool lineOk = link.WatchSms(1000, [&](const SmsNotice& notice) {
            if (notice.kind != SmsNotice::Kind::StatusReport)
                return;
            DecodedSms report;
            LinkError error;
            if (!DecodeSmsPdu(notice.pduHex, notice.tpduLength, report, error)) {
                err << "harlune-cli: a status report does not decode: " << error.text << '\n';
                return;
            }
            auto match = messages::MatchStatusReport(report, waiting, numbers);
            if (!match)
                return; // a report for an earlier message, or for another number
            waiting.erase(waiting.begin() + static_cast<long>(*match));
            const std::string outcome = DescribeStatus(report.status);
            if (r.json)
                out << "{\"reference\":" << report.messageReference
                    << ",\"report\":" << JsonString(outcome) << "}\n";
            else
                out << "report\t" << report.messageReference << '\t' << TsvField(outcome) << '\n';
            out.flush();
        });
        if (!lineOk)
            return SmsFailed(err, link.LastError());
    }
    if (!waiting.empty()) {
        err << "harlune-cli: no delivery report came within a minute for " << waiting.size()
            << " of " << references.size() << (references.size() == 1 ? " message\n" : " parts\n");
        return kExitRefused;
    }
    return kExitOk;
}
