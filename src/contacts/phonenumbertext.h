#pragma once
// A phone number as a file writes it ("+31 (0)6-123 456 78", "tel:+1-555-0100") reduced to what
// a phone book stores and dials, and the number type that goes with it.
#include <string>
#include <string_view>

namespace contacts {

// The digits with a leading "+", "*", "#" and the pause letters "p"/"w" kept; blanks, dashes,
// dots, slashes and brackets dropped; "(0)" after a country code dropped. Empty, with the
// reason, for text that is not a number (letters, a "+" in the middle, no digit at all).
std::string DialableNumber(std::string_view text, std::string* reason);

// 145 (international) for a number with a leading "+", else 129: what the phone would choose.
int DefaultNumberType(std::string_view number);

} // namespace contacts
