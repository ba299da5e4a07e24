#include "charset.h"

namespace {

using textcodec::HexDigitValue;

bool IsPrintableLatin1(const std::string& bytes) {
    for (unsigned char b : bytes)
        if (b < 0x20 || (b > 0x7E && b < 0xA0))
            return false;
    return true;
}

// Two hex digits per ISO 8859-1 byte in a field whose length is a multiple of four: only when
// the 16-bit reading would give no unit below U+0100 while the bytes read as printable ASCII
// with a space ("4A6F686E20446F65", "John Doe").
bool LooksLikeEightBitHex(std::string bytes) {
    // Some phones end such a name with a NUL byte.
    while (!bytes.empty() && bytes.back() == '\0')
        bytes.pop_back();
    bool space = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 || b > 0x7E)
            return false;
        if (i % 2 == 0 && b == 0) // a unit below U+0100: real UCS2
            return false;
        space = space || b == ' ';
    }
    return space;
}

std::string Ucs2ToUtf8(std::string_view phone) {
    auto bytes = phone.size() % 2 == 0 ? FromHex(phone) : std::nullopt;
    if (!bytes)
        return textcodec::Latin1ToUtf8(phone);
    // A short field ("Ed") is more likely an unencoded text than one hex-encoded letter.
    if (phone.size() % 4 != 0)
        return phone.size() >= 6 && IsPrintableLatin1(*bytes) ? textcodec::Latin1ToUtf8(*bytes)
                                                              : textcodec::Latin1ToUtf8(phone);
    if (LooksLikeEightBitHex(*bytes)) {
        while (!bytes->empty() && bytes->back() == '\0')
            bytes->pop_back();
        return textcodec::Latin1ToUtf8(*bytes);
    }
    std::u16string units = *textcodec::Utf16FromBigEndian(*bytes);
    if (auto utf8 = textcodec::Utf16ToUtf8(units))
        return *utf8;
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            out += *textcodec::Utf16ToUtf8(units.substr(i, 2));
            ++i;
        } else {
            textcodec::AppendUtf8(u >= 0xD800 && u <= 0xDFFF ? U'\uFFFD' : char32_t(u), out);
        }
    }
    return out;
}

std::string GsmToUtf8(std::string_view phone) {
    std::string septets;
    septets.reserve(phone.size());
    std::u32string text;
    for (size_t i = 0; i < phone.size(); ++i) {
        if (phone[i] == '\\' && i + 2 < phone.size() && HexDigitValue(phone[i + 1]) >= 0 &&
            HexDigitValue(phone[i + 2]) >= 0) {
            text += FromGsmSeptets(septets);
            septets.clear();
            text.push_back(static_cast<char32_t>(HexDigitValue(phone[i + 1]) << 4 | HexDigitValue(phone[i + 2])));
            i += 2;
            continue;
        }
        septets.push_back(phone[i]);
    }
    text += FromGsmSeptets(septets);
    return EncodeUtf8(text);
}

} // namespace

std::optional<std::string> ToPhoneText(std::string_view utf8, Charset charset) {
    auto text = DecodeUtf8(utf8);
    if (!text)
        return std::nullopt;
    std::string out;
    switch (charset) {
    case Charset::Latin1:
    case Charset::Ira: {
        char32_t limit = charset == Charset::Latin1 ? 0xFF : 0x7F;
        for (char32_t cp : *text) {
            if (cp > limit)
                return std::nullopt;
            out.push_back(static_cast<char>(cp));
        }
        return out;
    }
    case Charset::Gsm: {
        auto septets = ToGsmSeptets(*text);
        if (!septets)
            return std::nullopt;
        return std::string(septets->begin(), septets->end());
    }
    case Charset::Ucs2:
        for (char32_t cp : *text) {
            if (cp > 0xFFFF)
                return std::nullopt;
            out.push_back(static_cast<char>(cp >> 8));
            out.push_back(static_cast<char>(cp & 0xFF));
        }
        return ToHex(out);
    }
    return std::nullopt;
}

std::string FromPhoneText(std::string_view phone, Charset charset) {
    switch (charset) {
    case Charset::Latin1:
    case Charset::Ira:
        return textcodec::Latin1ToUtf8(phone);
    case Charset::Gsm:
        return GsmToUtf8(phone);
    case Charset::Ucs2:
        return Ucs2ToUtf8(phone);
    }
    return std::string(phone);
}

std::string FromPhoneNumber(std::string_view phone, Charset charset) {
    // A dial string is plain ASCII; anything else a phone puts there still becomes valid UTF-8.
    if (charset != Charset::Ucs2 || phone.size() % 4 != 0 || phone.empty())
        return charset == Charset::Gsm ? GsmToUtf8(phone) : textcodec::Latin1ToUtf8(phone);
    // Numbers are dial strings whatever the text set is, but some phones hex-encode them in UCS2
    // mode; only a decoding that yields a dial string is taken.
    auto bytes = FromHex(phone);
    if (!bytes)
        return textcodec::Latin1ToUtf8(phone);
    std::string decoded;
    for (size_t i = 0; i + 1 < bytes->size(); i += 2) {
        char c = (*bytes)[i + 1];
        if ((*bytes)[i] != 0 || !((c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#' || c == 'p' || c == 'w'))
            return textcodec::Latin1ToUtf8(phone);
        decoded.push_back(c);
    }
    return decoded;
}
