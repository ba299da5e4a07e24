#include "phonesim/faults.h"

#include <charconv>

namespace phonesim {
namespace {

bool ToCount(const std::string& text, int* value) {
    int v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || v < 1)
        return false;
    *value = v;
    return true;
}

} // namespace

bool ParseFaultAction(const std::string& text, FaultAction* action, int* code) {
    *code = 0;
    if (text == "error") {
        *action = FaultAction::Error;
        return true;
    }
    if (text == "silent") {
        *action = FaultAction::Silent;
        return true;
    }
    if (text == "drop") {
        *action = FaultAction::DropMidReply;
        return true;
    }
    if (text == "hangup") {
        *action = FaultAction::HangupBefore;
        return true;
    }
    for (auto [prefix, kind] : {std::pair{"cme=", FaultAction::CmeError}, std::pair{"cms=", FaultAction::CmsError}}) {
        std::string p = prefix;
        if (text.rfind(p, 0) == 0) {
            int v = 0;
            std::string digits = text.substr(p.size());
            auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
            if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size() || v < 0 || v > 999)
                return false;
            *action = kind;
            *code = v;
            return true;
        }
    }
    return false;
}

bool ParseFaultRule(const std::string& text, FaultRule* rule, std::string* error) {
    // Read from the right: the prefix may hold colons, the action and count never do.
    size_t last = text.rfind(':');
    if (last == std::string::npos || last == 0) {
        if (error)
            *error = "fault must be PREFIX:ACTION[:COUNT]";
        return false;
    }
    FaultRule r;
    std::string tail = text.substr(last + 1);
    std::string head = text.substr(0, last);
    int count = 0;
    if (ToCount(tail, &count)) {
        size_t second = head.rfind(':');
        if (second != std::string::npos && second > 0 &&
            ParseFaultAction(head.substr(second + 1), &r.action, &r.code)) {
            r.commandPrefix = head.substr(0, second);
            r.remaining = count;
            *rule = r;
            return true;
        }
    }
    if (!ParseFaultAction(tail, &r.action, &r.code)) {
        if (error)
            *error = "unknown fault action \"" + tail + "\" (error, silent, drop, hangup, cme=N, cms=N)";
        return false;
    }
    r.commandPrefix = head;
    *rule = r;
    return true;
}

} // namespace phonesim
