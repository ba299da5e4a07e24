#include "contactscli.h"

#include <cstdlib>

#include "clioutput.h"
#include "clirun.h"
#include "commap.h"
#include "phonelink/phonelink.h"

using namespace contacts;

const char* StorageWords(uint8_t storage) { return storage == kStorageSim ? "the SIM card" : "the phone memory"; }

std::unique_ptr<CPhoneLink> OpenContactsPhone(const ContactsRequest& request, std::ostream& err) {
    std::optional<std::string> device = request.device;
    if (!device) {
        std::string why;
        if (!(device = ResolveCliPort(*request.port, &why))) {
            err << "harlune-cli: " << why << '\n';
            return nullptr;
        }
    }
    auto link = std::make_unique<CPhoneLink>(CPhoneLink::DevicePath{*device});
    if (!link->IsOpen()) {
        err << "harlune-cli: " << link->Port().OpenError() << '\n';
        return nullptr;
    }
    return link;
}

int ContactsLinkFailed(const CPhoneLink& link, std::ostream& err, const std::string& what) {
    const LinkError& e = link.LastError();
    err << "harlune-cli: " << (what.empty() ? "" : what + ": ") << e.text << '\n';
    if (e.kind == LinkErrorKind::InvalidInput)
        return kExitUsage;
    return IsConnectionFailure(e) ? kExitConnection : kExitRefused;
}

bool ReadContactsStorages(CPhoneLink& link, const std::vector<uint8_t>& storages, std::ostream& err, int* exitStatus) {
    for (uint8_t storage : storages) {
        if (!link.ReadStorage(StorageName(storage))) {
            // Planning against a partial list would take missing entries for new ones.
            *exitStatus = ContactsLinkFailed(link, err, std::string(StorageWords(storage)) + " could not be read");
            return false;
        }
    }
    return true;
}

NumberMatcher LocaleNumberMatcher() {
    for (const char* name : {"LC_ALL", "LC_TELEPHONE", "LANG"})
        if (const char* value = std::getenv(name); value && *value)
            return NumberMatcher(NumberMatcher::RegionFromLocale(value));
    return NumberMatcher();
}

void PrintReadProblems(std::ostream& err, const std::string& file, const std::vector<ReadProblem>& problems) {
    for (const ReadProblem& p : problems)
        err << "harlune-cli: " << file << ", line " << p.line << ": " << p.reason << " (skipped)\n";
}

namespace {

std::string RowDetail(const PlannedEntry& row) {
    switch (row.verdict) {
    case Verdict::New: return row.reason;
    case Verdict::AlreadyThere:
        return row.reason.empty() ? "at position " + std::to_string(row.existingPosition) : row.reason;
    case Verdict::Changed:
        return "position " + std::to_string(row.existingPosition) + " holds it as \"" + row.existingName + "\"";
    case Verdict::WontFit: return row.reason;
    }
    return {};
}

std::string RowJson(const PlannedEntry& row) {
    std::string json = "{\"storage\":\"" + std::string(StorageLabel(row.entry.storage)) +
                       "\",\"line\":" + std::to_string(row.line) + ",\"name\":" + JsonString(row.entry.name) +
                       ",\"number\":" + JsonString(row.entry.number) + ",\"type\":" + std::to_string(row.entry.type) +
                       ",\"verdict\":" + JsonString(VerdictWord(row.verdict));
    if (row.existingPosition > 0)
        json += ",\"existingPosition\":" + std::to_string(row.existingPosition);
    if (!row.existingName.empty())
        json += ",\"existingName\":" + JsonString(row.existingName);
    if (!row.reason.empty())
        json += ",\"reason\":" + JsonString(row.reason);
    return json + "}";
}

std::string CountsSentence(const std::vector<StoragePlan>& plans) {
    return std::to_string(CountRows(plans, Verdict::New)) + " new, " +
           std::to_string(CountRows(plans, Verdict::AlreadyThere)) + " already on the phone, " +
           std::to_string(CountRows(plans, Verdict::Changed)) + " changed, " +
           std::to_string(CountRows(plans, Verdict::WontFit)) + " will not fit";
}

} // namespace

void PrintContactsPreview(std::ostream& out, std::ostream& err, const std::vector<StoragePlan>& plans,
                          const std::vector<ReadProblem>& problems, bool json) {
    if (!json) {
        for (const StoragePlan& p : plans)
            for (const PlannedEntry& row : p.plan.rows)
                out << VerdictWord(row.verdict) << '\t' << StorageLabel(p.storage) << '\t' << TsvField(row.entry.name)
                    << '\t' << TsvField(row.entry.number) << '\t' << TsvField(RowDetail(row)) << '\n';
        err << "harlune-cli: " << CountsSentence(plans) << "; nothing was written (dry run)\n";
        return;
    }
    out << "{\"rows\":[";
    bool first = true;
    for (const StoragePlan& p : plans)
        for (const PlannedEntry& row : p.plan.rows) {
            out << (first ? "" : ",") << RowJson(row);
            first = false;
        }
    out << "],\"new\":" << CountRows(plans, Verdict::New)
        << ",\"alreadyThere\":" << CountRows(plans, Verdict::AlreadyThere)
        << ",\"changed\":" << CountRows(plans, Verdict::Changed) << ",\"wontFit\":" << CountRows(plans, Verdict::WontFit)
        << ",\"problems\":[";
    for (size_t i = 0; i < problems.size(); ++i)
        out << (i ? "," : "") << "{\"line\":" << problems[i].line << ",\"reason\":" << JsonString(problems[i].reason)
            << "}";
    out << "]}\n";
}

int WriteContactsPlans(const std::vector<StoragePlan>& plans, const ImportChoices& choices, CPhoneLink& link,
                       std::ostream& out, std::ostream& err, bool json, ImportOutcome* outcomeOut) {
    const ImportOutcome outcome = RunPlans(plans, choices, link, [&](int done, int total) {
        err << "harlune-cli: written " << done << " of " << total << '\n';
        return true;
    });
    for (const std::string& failure : outcome.failures)
        err << "harlune-cli: " << failure << '\n';
    if (outcome.linkLost)
        err << "harlune-cli: " << link.LastError().text << '\n';
    if (json) {
        out << "{\"written\":" << outcome.written << ",\"skipped\":" << outcome.skipped
            << ",\"refused\":" << outcome.failures.size() << ",\"notAttempted\":" << outcome.notAttempted
            << ",\"linkLost\":" << (outcome.linkLost ? "true" : "false")
            << ",\"summary\":" << JsonString(outcome.Summary()) << "}\n";
    } else {
        out << outcome.Summary() << '\n';
    }
    if (outcomeOut)
        *outcomeOut = outcome;
    if (outcome.linkLost)
        return kExitConnection;
    return outcome.failures.empty() ? kExitOk : kExitRefused;
}
