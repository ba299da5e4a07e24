#include "phonesim/charset.h"

#include "textcodec/gsmalphabet.h"
#include "textcodec/textcodec.h"

namespace phonesim {
namespace {

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
            std::string s = textcodec::EncodeGsmChar(static_cast<unsigned char>(c));
            out += s.empty() ? std::string("?") : s;
        }
        return out;
    case Charset::Ucs2: {
        for (char c : latin1)
            out += "00" + textcodec::ToHex(std::string(1, c));
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
                int v = textcodec::HexDigitValue(text[i + k]);
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

std::string Latin1ToUtf8(const std::string& latin1) { return textcodec::Latin1ToUtf8(latin1); }

bool Utf8ToLatin1(const std::string& utf8, std::string* latin1) {
    auto out = textcodec::Utf8ToLatin1(utf8);
    if (!out)
        return false;
    *latin1 = std::move(*out);
    return true;
}

bool GsmSeptetsToUtf8(const std::string& septets, std::string* utf8) {
    for (size_t i = 0; i < septets.size(); ++i) {
        if (static_cast<unsigned char>(septets[i]) > 0x7F)
            return false;
        if (septets[i] == static_cast<char>(textcodec::kGsmEscape) && ++i == septets.size())
            return false;
        if (static_cast<unsigned char>(septets[i]) > 0x7F)
            return false;
    }
    *utf8 = textcodec::EncodeUtf8(textcodec::FromGsmSeptets(std::string_view(septets)));
    return true;
}

} // namespace phonesim
