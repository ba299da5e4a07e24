#pragma once
// The GSM 7-bit default alphabet and its extension table (3GPP TS 23.038), both directions.
#include <cstdint>
#include <optional>
#include <string>

namespace phonesim {

constexpr uint8_t kGsmEscape = 0x1B;

// Unicode code point of a default-alphabet septet (0..127). The escape septet gives U+00A0,
// which callers must not see: they handle escape sequences themselves.
char32_t GsmToUnicode(uint8_t septet);
// Code point of an extension-table septet, or nullopt for codes the table leaves unused.
std::optional<char32_t> GsmExtensionToUnicode(uint8_t septet);

// The septets for one code point: one from the default table, two (escape + code) from the
// extension table, or empty when the alphabet has no such character.
std::string UnicodeToGsm(char32_t codePoint);

// Septet strings <-> UTF-8. Decoding: an extension code the table leaves unused shows the
// default-table character, as receivers are told to do; an escape at the very end is an error.
bool GsmSeptetsToUtf8(const std::string& septets, std::string* utf8);
bool Utf8ToGsmSeptets(const std::string& utf8, std::string* septets);

// UTF-8 helpers shared by the charset conversions.
bool DecodeUtf8(const std::string& utf8, std::u32string* out);
void AppendUtf8(char32_t codePoint, std::string* out);

} // namespace phonesim
