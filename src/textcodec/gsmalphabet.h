#pragma once
// The GSM 7-bit default alphabet and its extension table (3GPP TS 23.038, 6.2.1), both
// directions. Septet strings hold one septet (0..127) per byte, unpacked.
//
// Decoding follows the standard's rules for receivers:
// - an extension code the table leaves unused shows the default-table character of that code;
// - ESC ESC (reserved for a further extension table) shows a space;
// - an ESC with nothing after it is an escape a receiver cannot understand: a space.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textcodec {

inline constexpr uint8_t kGsmEscape = 0x1B;

// The default-table character of a septet (the low seven bits count). The escape septet is no
// character of its own: it gives a space, as for a receiver that does not understand it.
char32_t GsmDefaultChar(uint8_t septet);
// The extension-table character of the code after an escape, or nullopt for an unused code.
std::optional<char32_t> GsmExtensionChar(uint8_t septet);

// One character: one default-table septet, two (escape first) from the extension table, or
// empty when the alphabet has no place for it.
std::string EncodeGsmChar(char32_t codePoint);
// A whole text; nullopt when one character has no place in the alphabet.
std::optional<std::vector<uint8_t>> ToGsmSeptets(std::u32string_view text);
// Septets to characters with the receiver rules above; bytes above 127 count by their low seven
// bits.
std::u32string FromGsmSeptets(std::string_view septets);
inline std::u32string FromGsmSeptets(const std::vector<uint8_t>& septets) {
    return FromGsmSeptets(std::string_view(reinterpret_cast<const char*>(septets.data()), septets.size()));
}

} // namespace textcodec
