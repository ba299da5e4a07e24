#include "statusmatch.h"

namespace messages {

std::optional<size_t> MatchStatusReport(const DecodedSms& report, const std::vector<SentMessage>& sent,
                                        const contacts::NumberMatcher& numbers) {
    if (report.kind != SmsKind::StatusReport)
        return std::nullopt;
    for (size_t i = sent.size(); i-- > 0;) {
        if (sent[i].messageReference == report.messageReference &&
            numbers.Same(sent[i].number, report.number))
            return i;
    }
    return std::nullopt;
}

} // namespace messages
