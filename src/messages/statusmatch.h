#pragma once
// Which sent message a delivery report is about: the same message reference and the same
// number, compared across national and international forms.
#include <optional>
#include <string>
#include <vector>

#include "contacts/numbermatch.h"
#include "phonelink/smsdecode.h"

namespace messages {

struct SentMessage {
    int messageReference = -1; // as +CMGS gave it
    std::string number;
};

// The position in sent (oldest first) of the message the report is about, or nullopt. References
// wrap after 255, so the latest match wins.
std::optional<size_t> MatchStatusReport(const DecodedSms& report, const std::vector<SentMessage>& sent,
                                        const contacts::NumberMatcher& numbers);

} // namespace messages
