#pragma once
// What the program asks a connected phone about itself: maker and model (AT+CGMI, AT+CGMM),
// signal (AT+CSQ) and battery (AT+CBC). The parsers are pure; the queries go over the link.
#include <optional>
#include <string>
#include <string_view>

class CPhoneLink;

namespace phoneinfo {

struct Identity {
    std::string maker; // empty when the phone did not say
    std::string model;
};

struct Readings {
    std::optional<int> rssi;    // +CSQ 0..31 (99, unknown, gives none)
    std::optional<int> battery; // +CBC percent 0..100
};

// The one information line of a reply to `command` (echo and final result dropped), without
// a "+CGMI: " style prefix and surrounding quotes: "Dunmere", "T68". Empty when there is none.
std::string InformationText(std::string_view reply, std::string_view command);
std::optional<int> ParseCsq(std::string_view reply); // "+CSQ: 22,99" -> 22
std::optional<int> ParseCbc(std::string_view reply); // "+CBC: 0,80" -> 80

Identity QueryIdentity(CPhoneLink& link);
Readings QueryReadings(CPhoneLink& link);

// "Dunmere T68", or the one that is known, or empty.
std::string IdentityName(const Identity& identity);
// "-69 dBm (22 of 31)", "unknown".
std::string SignalText(const std::optional<int>& rssi);
std::string BatteryText(const std::optional<int>& percent);

} // namespace phoneinfo
