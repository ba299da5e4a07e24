#include "phoneidentity.h"

#include "phonelink/phonelink.h"

#include <vector>

namespace phoneinfo {
namespace {

std::vector<std::string_view> lines(std::string_view reply) {
    std::vector<std::string_view> out;
    size_t start = 0;
    while (start <= reply.size()) {
        size_t end = reply.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = reply.size();
        std::string_view line = reply.substr(start, end - start);
        while (!line.empty() && line.back() == ' ')
            line.remove_suffix(1);
        if (!line.empty())
            out.push_back(line);
        start = end + 1;
    }
    return out;
}

bool isFinal(std::string_view line) {
    return line == "OK" || line == "ERROR" || line.starts_with("+CME ERROR") ||
           line.starts_with("+CMS ERROR");
}

// Two numbers after `prefix`: "+CSQ: 22,99".
std::optional<std::pair<int, int>> twoNumbers(std::string_view reply, std::string_view prefix) {
    for (std::string_view line : lines(reply)) {
        if (!line.starts_with(prefix))
            continue;
        line.remove_prefix(prefix.size());
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
        int values[2] = {-1, -1};
        int index = 0;
        for (char c : line) {
            if (c == ',' && index == 0) {
                index = 1;
                continue;
            }
            if (c < '0' || c > '9' || (values[index] > 999))
                return std::nullopt;
            values[index] = (values[index] < 0 ? 0 : values[index] * 10) + (c - '0');
        }
        if (values[0] < 0 || values[1] < 0)
            return std::nullopt;
        return std::pair{values[0], values[1]};
    }
    return std::nullopt;
}

} // namespace

std::string InformationText(std::string_view reply, std::string_view command) {
    for (std::string_view line : lines(reply)) {
        if (line == command || isFinal(line))
            continue;
        // "+CGMI: Dunmere" on some phones, the bare text on most.
        const std::string_view name = command.starts_with("AT") ? command.substr(2) : command;
        if (line.starts_with(name) && line.substr(name.size()).starts_with(":")) {
            line.remove_prefix(name.size() + 1);
            while (!line.empty() && line.front() == ' ')
                line.remove_prefix(1);
        }
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
            line = line.substr(1, line.size() - 2);
        return std::string(line);
    }
    return {};
}

std::optional<int> ParseCsq(std::string_view reply) {
    auto values = twoNumbers(reply, "+CSQ:");
    if (!values || values->first > 31)
        return std::nullopt;
    return values->first;
}

std::optional<int> ParseCbc(std::string_view reply) {
    auto values = twoNumbers(reply, "+CBC:");
    if (!values || values->second > 100)
        return std::nullopt;
    return values->second;
}

Identity QueryIdentity(CPhoneLink& link) {
    Identity identity;
    std::string reply;
    if (link.Transact("AT+CGMI", reply))
        identity.maker = InformationText(reply, "AT+CGMI");
    reply.clear();
    if (link.Transact("AT+CGMM", reply))
        identity.model = InformationText(reply, "AT+CGMM");
    return identity;
}

Readings QueryReadings(CPhoneLink& link) {
    Readings readings;
    std::string reply;
    if (link.Transact("AT+CSQ", reply))
        readings.rssi = ParseCsq(reply);
    reply.clear();
    if (link.Transact("AT+CBC", reply))
        readings.battery = ParseCbc(reply);
    return readings;
}

std::string IdentityName(const Identity& identity) {
    if (identity.maker.empty())
        return identity.model;
    if (identity.model.empty() || identity.model.starts_with(identity.maker))
        return identity.model.empty() ? identity.maker : identity.model;
    return identity.maker + " " + identity.model;
}

std::string SignalText(const std::optional<int>& rssi) {
    if (!rssi)
        return "unknown";
    // 27.007: 0 is -113 dBm or less, each step 2 dB, 31 is -51 dBm or more.
    return std::to_string(-113 + 2 * *rssi) + " dBm (" + std::to_string(*rssi) + " of 31)";
}

std::string BatteryText(const std::optional<int>& percent) {
    return percent ? std::to_string(*percent) + " %" : "unknown";
}

} // namespace phoneinfo
