#pragma once
// Bluetooth device addresses as text. Two forms exist: the display form ("%x" per byte, so
// 00:80:37:0a:0b:0c shows as 0:80:37:a:b:c) and the stack's registry key names (two lower-case
// digits per byte, one separator after each pair but the last).
#include "btstack/bttypes.h"

#include <string>
#include <string_view>

std::string FormatBdAddr(const BdAddr& address);

// Reads a registry key name. Only the first 17 characters count (a longer name adds nothing);
// the separators may be any character. False, with address untouched, when the text is shorter
// or a digit is not 0-9 or a-f: the stack writes lower case only, and a misread address would
// send the connection to some other device.
bool ParseBdAddr(std::string_view text, BdAddr* address);
