#include "contacts/filetext.h"

#include <cstdint>

#include "textcodec/textcodec.h"

namespace contacts {

namespace {

// A file written as UTF-16 with its mark; a malformed unit (a lone surrogate) ends as U+FFFD
// rather than the whole file being refused.
std::string Utf16ToUtf8Lenient(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<uint8_t>(bytes[i]), b = static_cast<uint8_t>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
    }
    if (auto whole = textcodec::Utf16ToUtf8(units)) return *whole;
    const std::u16string_view all(units);
    for (size_t i = 0; i < all.size(); ++i) {
        if (auto pair = textcodec::Utf16ToUtf8(all.substr(i, 2)); pair && i + 1 < all.size() && all[i] >= 0xD800 &&
                                                                  all[i] < 0xDC00) {
            out += *pair;
            ++i;
        } else if (auto one = textcodec::Utf16ToUtf8(all.substr(i, 1))) {
            out += *one;
        } else {
            textcodec::AppendUtf8(0xFFFD, out);
        }
    }
    return out;
}

// Windows-1252's characters at 0x80-0x9F; 0 where it has none (those stay as ISO 8859-1's C1 codes).
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

} // namespace

std::string FileTextAsUtf8(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16ToUtf8Lenient(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF") return Utf16ToUtf8Lenient(bytes.substr(2), true);
    return std::string(bytes);
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

bool IsValidUtf8(std::string_view text) { return textcodec::DecodeUtf8(text).has_value(); }

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        uint32_t cp = c;
        if (c >= 0x80 && c < 0xA0 && kCp1252High[c - 0x80] != 0) cp = kCp1252High[c - 0x80];
        textcodec::AppendUtf8(cp, out);
    }
    return out;
}

} // namespace contacts
