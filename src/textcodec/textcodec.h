#pragma once
// Text codecs shared by the phone link, the emulated phone and OBEX. Every decoder says when its
// input is malformed (nullopt) instead of substituting something, except where a phone protocol
// defines the substitution (see gsmalphabet.h).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace textcodec {

// ---- UTF-8 ---------------------------------------------------------------------------------
// Strict: overlong forms, surrogates, code points above U+10FFFF and cut sequences are refused.
std::optional<std::u32string> DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(char32_t codePoint, std::string& out);
// ISO 8859-1 bytes are the first 256 code points.
std::string Latin1ToUtf8(std::string_view latin1);
// nullopt when the text is not valid UTF-8 or holds a character above U+00FF.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

// ---- the character sets AT+CSCS selects --------------------------------------------------
enum class Charset { Latin1, Ira, Gsm, Ucs2 };
// Their names there: "8859-1", "IRA", "GSM", "UCS2".
const char* CharsetName(Charset charset);

// ---- UTF-16 / UCS2 -------------------------------------------------------------------------
// Characters above U+FFFF become surrogate pairs.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
std::u16string ToUtf16(std::u32string_view text);
// A lone or reversed surrogate is malformed.
std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16);
// Big-endian code units as bytes (the order SMS user data, AT+CSCS="UCS2" and OBEX names use).
std::optional<std::u16string> Utf16FromBigEndian(std::string_view bytes);
std::string Utf16ToBigEndian(std::u16string_view utf16);

// ---- hexadecimal digits --------------------------------------------------------------------
// 0..15 for '0'-'9', 'A'-'F', 'a'-'f'; -1 for anything else.
int HexDigitValue(char c);
// The upper-case digit of the low four bits.
char HexDigit(unsigned value);
// Two upper-case digits per byte.
std::string ToHex(std::string_view bytes);
// nullopt on odd length or a non-digit.
std::optional<std::string> FromHex(std::string_view hex);

} // namespace textcodec
