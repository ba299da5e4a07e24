#pragma once
// Texts between the link's UTF-8 and the character sets the phone selects with AT+CSCS. Every
// conversion that cannot represent a character says so (nullopt) instead of substituting
// something. The codecs themselves are the shared ones of textcodec/.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "textcodec/gsmalphabet.h"
#include "textcodec/textcodec.h"

using textcodec::Charset;
using textcodec::CharsetName;

// The link's callers (the SMS encoder, the SMS form's budget) use the shared codecs by these
// names.
using textcodec::DecodeUtf8;
using textcodec::EncodeUtf8;
using textcodec::FromGsmSeptets;
using textcodec::FromHex;
using textcodec::ToGsmSeptets;
using textcodec::ToHex;

// UTF-8 to the phone's bytes; nullopt when the text is not valid UTF-8 or holds a character the
// set cannot carry. UCS2 comes out as hexadecimal digits, four per character (characters above
// U+FFFF are refused: a UCS2 field has no room for them).
std::optional<std::string> ToPhoneText(std::string_view utf8, Charset charset);

// The phone's bytes to UTF-8, as real phones write them:
// - UCS2: four hex digits per unit, surrogate pairs joined (a lone one shows U+FFFD). Some phones
//   send names as two hex digits per ISO 8859-1 byte in UCS2 mode; that form is recognised by its
//   length (not a multiple of four) or by reading as printable ASCII with a space and no unit
//   below U+0100. A field that is not hex at all is taken as ISO 8859-1 (numbers and empty names
//   sent unencoded).
// - GSM: septets, plus the string escapes "\22" (quote) and "\5C" (backslash) some phones use
//   for characters that would break the quoted field.
std::string FromPhoneText(std::string_view phone, Charset charset);

// A number field: dial strings are sent as they are in every set; see the .cpp for UCS2.
std::string FromPhoneNumber(std::string_view phone, Charset charset);
