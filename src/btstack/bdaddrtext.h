#pragma once
// Bluetooth device addresses written as six two-digit hexadecimal pairs: the one reader of them
// for the whole program, and the stack's registry key name. Plain C++, no Qt.
#include <optional>
#include <string>
#include <string_view>

#include "btstack/bttypes.h"

namespace btstack {

// Who wrote the text decides how forgiving the reading is.
enum class AddressText {
    // What people and BlueZ write ("00:80:37:1A:2B:3C"): exactly 17 characters, ':' between the
    // pairs, either case.
    Colons,
    // The stack's registry key names, read the way the device selection always read them: only
    // the first 17 characters count, the separators may be any character, and only lower-case
    // letters are digits (the stack never writes upper case; reading "AB" as digits would give
    // some other device's address, so it is refused rather than misread).
    RegistryKey,
};

// The address, first byte first, or nullopt when the text is not one in that form.
std::optional<BdAddr> ParseAddressText(std::string_view text, AddressText form);

// "00:80:37:1a:2b:3c": the key name under HKEY_LOCAL_MACHINE\SOFTWARE\Tarvex\BTConfig\Devices.
std::string RegistryKeyName(const BdAddr& address);

} // namespace btstack
