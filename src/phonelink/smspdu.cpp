#include "smspdu.h"

#include "charset.h"

namespace {

std::string HexByte(int value) { return ToHex(std::string(1, static_cast<char>(value))); }

LinkError Refused(std::string text) {
    return LinkError::Make(LinkErrorKind::InvalidInput, std::move(text));
}

} // namespace

std::string SwapSemiOctets(std::string_view digits) {
    std::string swapped(digits);
    for (size_t i = 0; i + 1 < swapped.size(); i += 2)
        std::swap(swapped[i], swapped[i + 1]);
    return swapped;
}

std::string PackSeptets(const std::vector<uint8_t>& septets) {
    std::string octets;
    octets.reserve(septets.size());
    uint32_t bits = 0;
    int bitCount = 0;
    for (uint8_t s : septets) {
        bits |= static_cast<uint32_t>(s & 0x7F) << bitCount;
        bitCount += 7;
        while (bitCount >= 8) {
            octets.push_back(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    }
    if (bitCount > 0)
        octets.push_back(static_cast<char>(bits & 0xFF));
    return ToHex(octets);
}

bool ParseSmsDestination(std::string_view text, SmsDestination& out, LinkError& error) {
    SmsDestination destination;
    bool sawDigitOrPlus = false;
    for (char c : text) {
        if (c == ' ' || c == '\t')
            continue;
        if (c == '+' && !sawDigitOrPlus) {
            destination.typeOfAddress = 0x91;
            sawDigitOrPlus = true;
            continue;
        }
        if (c < '0' || c > '9') {
            error = Refused(std::string("the number may hold only digits, blanks and one leading +; '") +
                            c + "' is not allowed");
            return false;
        }
        destination.digits.push_back(c);
        sawDigitOrPlus = true;
    }
    if (destination.digits.empty()) {
        error = Refused("the number is empty");
        return false;
    }
    if (destination.digits.size() > static_cast<size_t>(kMaxDestinationDigits)) {
        error = Refused("the number is longer than " + std::to_string(kMaxDestinationDigits) +
                        " digits");
        return false;
    }
    out = std::move(destination);
    return true;
}

bool EncodeSmsSubmit(std::string_view utf8Text, std::string_view destinationText, SmsPdu& out,
                     LinkError& error) {
    SmsDestination destination;
    if (!ParseSmsDestination(destinationText, destination, error))
        return false;
    auto text = DecodeUtf8(utf8Text);
    if (!text) {
        error = Refused("the message is not valid UTF-8");
        return false;
    }

    std::string userData;
    int userDataLength;
    bool ucs2 = false;
    if (auto septets = ToGsmSeptets(*text)) {
        if (septets->size() > static_cast<size_t>(kMaxGsmSeptets)) {
            error = Refused("the message needs " + std::to_string(septets->size()) +
                            " characters of the GSM alphabet; one message holds 160");
            return false;
        }
        userDataLength = static_cast<int>(septets->size());
        userData = PackSeptets(*septets);
    } else {
        ucs2 = true;
        std::string units;
        for (char32_t cp : *text) {
            if (cp > 0xFFFF) {
                // Outside the basic plane UCS2 has no code; a surrogate pair would count as two
                // characters on some phones and as garbage on others.
                error = Refused("the message holds a character that cannot be sent");
                return false;
            }
            units.push_back(static_cast<char>(cp >> 8));
            units.push_back(static_cast<char>(cp & 0xFF));
        }
        if (text->size() > static_cast<size_t>(kMaxUcs2Characters)) {
            error = Refused("the message has " + std::to_string(text->size()) +
                            " characters; with characters outside the GSM alphabet one message holds 70");
            return false;
        }
        userDataLength = static_cast<int>(units.size());
        userData = ToHex(units);
    }

    std::string digits = destination.digits;
    if (digits.size() % 2 != 0)
        digits.push_back('F');
    std::string pdu = "00"; // no service centre: the phone uses its own
    pdu += "11";            // SMS-SUBMIT, relative validity period
    pdu += "00";            // message reference, set by the phone
    pdu += HexByte(static_cast<int>(destination.digits.size()));
    pdu += HexByte(destination.typeOfAddress);
    pdu += SwapSemiOctets(digits);
    pdu += "00";                 // protocol identifier
    pdu += ucs2 ? "08" : "00";   // data coding scheme
    pdu += "AA";                 // validity: 4 days
    pdu += HexByte(userDataLength);
    pdu += userData;

    out.hex = std::move(pdu);
    out.tpduLength = static_cast<int>(out.hex.size() - 2) / 2;
    out.ucs2 = ucs2;
    return true;
}

namespace {

// A text cut into parts: each part holds septets (GSM) or big-endian UTF-16 units as bytes.
struct SmsSplit {
    bool ucs2 = false;
    std::vector<std::string> parts;
};

// Whole characters only: an extension character's two septets and a surrogate pair's two
// units always stay in one part.
bool SplitText(std::string_view utf8Text, SmsSplit& split) {
    auto text = DecodeUtf8(utf8Text);
    if (!text)
        return false;
    split = {};
    auto septets = ToGsmSeptets(*text);
    split.ucs2 = !septets;
    size_t whole = split.ucs2 ? 0 : septets->size();
    std::u16string units;
    if (split.ucs2) {
        units = *textcodec::Utf8ToUtf16(utf8Text);
        whole = units.size();
    }
    size_t single = split.ucs2 ? kMaxUcs2Characters : kMaxGsmSeptets;
    size_t capacity = whole <= single ? single : split.ucs2 ? kConcatUcs2Units : kConcatGsmSeptets;
    std::string current;
    size_t used = 0;
    for (char32_t cp : *text) {
        std::string piece;
        if (split.ucs2) {
            std::u16string one;
            if (cp > 0xFFFF) {
                one.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
                one.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            } else {
                one.push_back(static_cast<char16_t>(cp));
            }
            piece = textcodec::Utf16ToBigEndian(one);
        } else {
            piece = textcodec::EncodeGsmChar(cp);
        }
        size_t size = split.ucs2 ? piece.size() / 2 : piece.size();
        if (used + size > capacity) {
            split.parts.push_back(std::move(current));
            current.clear();
            used = 0;
        }
        current += piece;
        used += size;
    }
    split.parts.push_back(std::move(current));
    return true;
}

// Septets after a header of headerOctets, starting at the next septet boundary (fill bits).
std::string PackAfterHeader(const std::string& header, const std::string& septets) {
    size_t headerSeptets = (header.size() * 8 + 6) / 7;
    std::string octets = header;
    octets.resize(((headerSeptets + septets.size()) * 7 + 7) / 8, '\0');
    size_t bit = headerSeptets * 7;
    for (char c : septets) {
        unsigned v = static_cast<unsigned>(c) & 0x7F;
        octets[bit / 8] = static_cast<char>(static_cast<unsigned char>(octets[bit / 8]) | (v << (bit % 8)));
        if (bit % 8 > 1)
            octets[bit / 8 + 1] = static_cast<char>(v >> (8 - bit % 8));
        bit += 7;
    }
    return octets;
}

} // namespace

int CountSmsParts(std::string_view utf8Text) {
    SmsSplit split;
    return SplitText(utf8Text, split) ? static_cast<int>(split.parts.size()) : 0;
}

bool EncodeSmsSubmitParts(std::string_view utf8Text, std::string_view destinationText,
                          const SmsSendOptions& options, std::vector<SmsPdu>& out, LinkError& error) {
    SmsDestination destination;
    if (!ParseSmsDestination(destinationText, destination, error))
        return false;
    SmsSplit split;
    if (!SplitText(utf8Text, split)) {
        error = Refused("the message is not valid UTF-8");
        return false;
    }
    int total = static_cast<int>(split.parts.size());
    if (total > options.maxParts || total > 255) {
        error = Refused("the message needs " + std::to_string(total) + " messages; at most " +
                        std::to_string(options.maxParts) + " can be sent as one");
        return false;
    }
    std::string digits = destination.digits;
    if (digits.size() % 2 != 0)
        digits.push_back('F');
    std::vector<SmsPdu> pdus;
    for (int i = 0; i < total; ++i) {
        const std::string& body = split.parts[static_cast<size_t>(i)];
        std::string header;
        if (total > 1)
            header = std::string{'\x05', '\x00', '\x03', static_cast<char>(options.reference & 0xFF),
                                 static_cast<char>(total), static_cast<char>(i + 1)};
        std::string userData;
        int userDataLength;
        if (split.ucs2) {
            userData = header + body;
            userDataLength = static_cast<int>(userData.size());
        } else {
            userData = PackAfterHeader(header, body);
            userDataLength = static_cast<int>((header.size() * 8 + 6) / 7 + body.size());
        }
        int first = 0x11 | (total > 1 ? 0x40 : 0) | (options.statusReport ? 0x20 : 0);
        std::string pdu = "00" + HexByte(first) + "00";
        pdu += HexByte(static_cast<int>(destination.digits.size()));
        pdu += HexByte(destination.typeOfAddress);
        pdu += SwapSemiOctets(digits);
        pdu += "00";
        pdu += split.ucs2 ? "08" : "00";
        pdu += "AA"; // validity: 4 days
        pdu += HexByte(userDataLength);
        pdu += ToHex(userData);
        SmsPdu part;
        part.hex = std::move(pdu);
        part.tpduLength = static_cast<int>(part.hex.size() - 2) / 2;
        part.ucs2 = split.ucs2;
        pdus.push_back(std::move(part));
    }
    out = std::move(pdus);
    return true;
}
