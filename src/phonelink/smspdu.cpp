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
