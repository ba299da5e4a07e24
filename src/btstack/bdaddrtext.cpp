#include "btstack/bdaddrtext.h"

#include <cstdio>

namespace btstack {

namespace {

int hexDigit(char c, bool upperCaseToo) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (upperCaseToo && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<BdAddr> ParseAddressText(std::string_view text, AddressText form) {
    constexpr size_t kLength = 17; // six pairs, five separators
    const bool colons = form == AddressText::Colons;
    if (text.size() < kLength || (colons && text.size() != kLength))
        return std::nullopt;
    BdAddr address{};
    for (size_t i = 0; i < address.size(); ++i) {
        const int high = hexDigit(text[i * 3], colons);
        const int low = hexDigit(text[i * 3 + 1], colons);
        if (high < 0 || low < 0 || (colons && i + 1 < address.size() && text[i * 3 + 2] != ':'))
            return std::nullopt;
        address[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return address;
}

std::string RegistryKeyName(const BdAddr& address) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", address[0], address[1], address[2], address[3],
                  address[4], address[5]);
    return text;
}

} // namespace btstack
