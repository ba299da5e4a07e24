#include "phonesim/charset.h"

#include "phonesim/gsmalphabet.h"

namespace phonesim {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

unsigned char FoldLatin1(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    // The accented capitals sit 32 below their small letters, except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 32);
    return c;
}

} // namespace

std::string StoredToLine(const std::string& latin1, Charset charset) {
    std::string out;
    switch (charset) {
    case Charset::Latin1:
        return latin1;
    case Charset::Ira:
        for (char c : latin1)
            out += static_cast<unsigned char>(c) > 127 ? '?' : c;
        return out;
    case Charset::Gsm:
        for (char c : latin1) {
            std::string s = UnicodeToGsm(static_cast<unsigned char>(c));
            out += s.empty() ? std::string("?") : s;
        }
        return out;
    case Charset::Ucs2: {
        static const char kHex[] = "0123456789ABCDEF";
        for (char c : latin1) {
            unsigned char b = static_cast<unsigned char>(c);
            out += "00";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
        return out;
    }
    }
    return out;
}

bool LineToStored(const std::string& text, Charset charset, std::string* latin1) {
    std::string out;
    switch (charset) {
    case Charset::Latin1:
        out = text;
        break;
    case Charset::Ira:
        for (char c : text)
            if (static_cast<unsigned char>(c) > 127)
                return false;
        out = text;
        break;
    case Charset::Gsm: {
        std::string utf8;
        if (!GsmSeptetsToUtf8(text, &utf8) || !Utf8ToLatin1(utf8, &out))
            return false;
        break;
    }
    case Charset::Ucs2:
        if (text.size() % 4 != 0)
            return false;
        for (size_t i = 0; i < text.size(); i += 4) {
            int unit = 0;
            for (size_t k = 0; k < 4; ++k) {
                int v = HexValue(text[i + k]);
                if (v < 0)
                    return false;
                unit = unit * 16 + v;
            }
            if (unit > 0xFF)
                return false;
            out += static_cast<char>(unit);
        }
        break;
    }
    *latin1 = std::move(out);
    return true;
}

bool Latin1StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (FoldLatin1(static_cast<unsigned char>(text[i])) !=
            FoldLatin1(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string out;
    for (char c : latin1)
        AppendUtf8(static_cast<unsigned char>(c), &out);
    return out;
}

bool Utf8ToLatin1(const std::string& utf8, std::string* latin1) {
    std::u32string codePoints;
    if (!DecodeUtf8(utf8, &codePoints))
        return false;
    std::string out;
    for (char32_t c : codePoints) {
        if (c > 0xFF)
            return false;
        out += static_cast<char>(c);
    }
    *latin1 = std::move(out);
    return true;
}

} // namespace phonesim
