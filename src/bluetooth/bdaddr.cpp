#include "bdaddr.h"

#include <cstdio>

std::string FormatBdAddr(const BdAddr& address) {
    char text[18];
    std::snprintf(text, sizeof text, "%x:%x:%x:%x:%x:%x", address[0], address[1], address[2], address[3], address[4],
                  address[5]);
    return text;
}

namespace {
int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
} // namespace

bool ParseBdAddr(std::string_view text, BdAddr* address) {
    if (text.size() < 17 || !address)
        return false;
    BdAddr parsed{};
    for (size_t i = 0; i < parsed.size(); ++i) {
        const int high = hexDigit(text[i * 3]);
        const int low = hexDigit(text[i * 3 + 1]);
        if (high < 0 || low < 0)
            return false;
        parsed[i] = static_cast<uint8_t>(high << 4 | low);
    }
    *address = parsed;
    return true;
}
