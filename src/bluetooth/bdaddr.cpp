#include "bdaddr.h"

#include <cstdio>

#include "btstack/bdaddrtext.h"

std::string FormatBdAddr(const BdAddr& address) {
    char text[18];
    std::snprintf(text, sizeof text, "%x:%x:%x:%x:%x:%x", address[0], address[1], address[2], address[3], address[4],
                  address[5]);
    return text;
}

bool ParseBdAddr(std::string_view text, BdAddr* address) {
    if (!address)
        return false;
    const std::optional<BdAddr> parsed = btstack::ParseAddressText(text, btstack::AddressText::RegistryKey);
    if (parsed)
        *address = *parsed;
    return parsed.has_value();
}
