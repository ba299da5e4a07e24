#pragma once
// Texts between the phone's own storage (ISO 8859-1 bytes) and the character set selected
// with AT+CSCS, in which texts cross the line.
#include <string>

#include "phonesim/phonestate.h"

namespace phonesim {

// Stored text -> line text. Characters the set cannot show become '?' (as phones do when
// listing): IRA above 127, GSM for the few ISO 8859-1 letters outside the default alphabet.
std::string StoredToLine(const std::string& latin1, Charset charset);

// Line text -> stored text; false when the text is malformed in that set (odd or non-hex UCS2,
// a byte above 127 under IRA or GSM) or holds a character the storage cannot keep (outside
// ISO 8859-1). A text is never stored altered.
bool LineToStored(const std::string& text, Charset charset, std::string* latin1);

// Case-insensitive prefix test on ISO 8859-1 text (letters with accents included).
bool Latin1StartsWithNoCase(const std::string& text, const std::string& prefix);

std::string Latin1ToUtf8(const std::string& latin1);

// GSM septets (one per byte) to UTF-8 with the shared alphabet. False for a byte above 127 or an
// escape with nothing after it: a text this phone receives that way was cut, and is refused
// rather than stored with the space a display would show.
bool GsmSeptetsToUtf8(const std::string& septets, std::string* utf8);
// False when the text holds a character outside ISO 8859-1 or is not valid UTF-8.
bool Utf8ToLatin1(const std::string& utf8, std::string* latin1);

} // namespace phonesim
