#pragma once
// Turning the bytes of an address book file into lines of UTF-8: a byte-order mark (UTF-8,
// UTF-16 either way round) taken off and heeded, CR LF, LF or a lone CR as the line end.
#include <string>
#include <string_view>
#include <vector>

namespace contacts {

// The file's text as UTF-8 without a byte-order mark. UTF-16 (told by its mark) is converted;
// anything else is taken as it is.
std::string FileTextAsUtf8(std::string_view bytes);

// Lines without their ends; a last line without an end counts too.
std::vector<std::string> SplitLines(std::string_view text);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);
// ISO 8859-1 bytes as UTF-8. Address books written on Windows say ISO-8859-1 and mean
// Windows-1252, so 0x80-0x9F are read as Windows-1252 (the euro sign, curly quotes).
std::string Latin1ToUtf8(std::string_view text);

} // namespace contacts
