#pragma once
// Texts between the link's UTF-8 and the phone's character sets. Every conversion that cannot
// represent a character says so (nullopt) instead of substituting something.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class Charset { Latin1, Ira, Gsm, Ucs2 };

// The name AT+CSCS uses: "8859-1", "IRA", "GSM", "UCS2".
const char* CharsetName(Charset charset);

std::optional<std::u32string> DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);

// UTF-8 to the phone's bytes; nullopt when the text is not valid UTF-8 or holds a character the
// set cannot carry. UCS2 comes out as hexadecimal digits, four per character.
std::optional<std::string> ToPhoneText(std::string_view utf8, Charset charset);

// The phone's bytes to UTF-8. A UCS2 field that is not hexadecimal is taken as ISO 8859-1: some
// phones send numbers and empty names unencoded even in UCS2 mode.
std::string FromPhoneText(std::string_view phone, Charset charset);

// A number field: dial strings are sent as they are in every set; see the .cpp for UCS2.
std::string FromPhoneNumber(std::string_view phone, Charset charset);

// The GSM 7-bit default alphabet with its extension table (3GPP TS 23.038): one septet per
// character, two (escape 0x1B first) for the extension characters; nullopt for anything else.
std::optional<std::vector<uint8_t>> ToGsmSeptets(std::u32string_view text);
std::u32string FromGsmSeptets(const std::vector<uint8_t>& septets);

// Upper-case hexadecimal, two digits per byte, and back (nullopt on odd length or a non-digit).
std::string ToHex(std::string_view bytes);
std::optional<std::string> FromHex(std::string_view hex);
