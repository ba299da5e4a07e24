#include "phonesim/smsencode.h"

#include <ctime>

#include "textcodec/gsmalphabet.h"
#include "textcodec/textcodec.h"

namespace phonesim {
namespace {

void Hex(uint8_t b, std::string* out) {
    static const char kHex[] = "0123456789ABCDEF";
    *out += kHex[b >> 4];
    *out += kHex[b & 15];
}

// Address as semi-octets, low nibble first, F filling an odd count. False for a non-digit.
bool Semi(const std::string& digits, std::string* out) {
    for (size_t i = 0; i < digits.size(); i += 2) {
        auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c == '*')
                return 10;
            if (c == '#')
                return 11;
            return -1;
        };
        int lo = nibble(digits[i]);
        int hi = i + 1 < digits.size() ? nibble(digits[i + 1]) : 15;
        if (lo < 0 || hi < 0)
            return false;
        Hex(static_cast<uint8_t>(hi << 4 | lo), out);
    }
    return true;
}

// TP address: digit count, type, semi-octets.
bool Address(const std::string& number, int typeOfAddress, std::string* out) {
    std::string digits = !number.empty() && number[0] == '+' ? number.substr(1) : number;
    if (digits.size() > 20)
        return false;
    Hex(static_cast<uint8_t>(digits.size()), out);
    Hex(static_cast<uint8_t>(typeOfAddress), out);
    return Semi(digits, out);
}

// The service-centre part: octet count (type included), type, semi-octets; "00" when empty.
void ServiceCentre(const std::string& number, std::string* out) {
    if (number.empty()) {
        *out += "00";
        return;
    }
    std::string digits = number[0] == '+' ? number.substr(1) : number;
    std::string semi;
    if (!Semi(digits, &semi)) {
        *out += "00";
        return;
    }
    Hex(static_cast<uint8_t>(1 + semi.size() / 2), out);
    Hex(number[0] == '+' ? 0x91 : 0x81, out);
    *out += semi;
}

void Timestamp(long long seconds, std::string* out) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    for (int v : {tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0})
        Hex(static_cast<uint8_t>((v % 10) << 4 | v / 10), out);
}

// Septets packed least significant bit first after fillBits zero bits (the padding that puts
// the text on a septet boundary after a user data header).
std::vector<uint8_t> Pack(const std::string& septets, int fillBits) {
    std::vector<uint8_t> out((septets.size() * 7 + fillBits + 7) / 8, 0);
    size_t bit = static_cast<size_t>(fillBits);
    for (char ch : septets) {
        unsigned v = static_cast<unsigned char>(ch) & 0x7F;
        out[bit / 8] |= static_cast<uint8_t>(v << (bit % 8));
        if (bit % 8 > 1)
            out[bit / 8 + 1] |= static_cast<uint8_t>(v >> (8 - bit % 8));
        bit += 7;
    }
    return out;
}

// The user data of one message: its length, the header (may be empty), the text units.
std::string UserData(bool gsm, const std::vector<uint8_t>& header, const std::string& units) {
    std::string out;
    if (gsm) {
        size_t headerOctets = header.empty() ? 0 : header.size() + 1;
        size_t headerSeptets = (headerOctets * 8 + 6) / 7;
        int fill = static_cast<int>(headerSeptets * 7 - headerOctets * 8);
        Hex(static_cast<uint8_t>(headerSeptets + units.size()), &out);
        if (!header.empty()) {
            Hex(static_cast<uint8_t>(header.size()), &out);
            for (uint8_t b : header)
                Hex(b, &out);
        }
        for (uint8_t b : Pack(units, fill))
            Hex(b, &out);
    } else {
        size_t length = units.size() + (header.empty() ? 0 : header.size() + 1);
        Hex(static_cast<uint8_t>(length), &out);
        if (!header.empty()) {
            Hex(static_cast<uint8_t>(header.size()), &out);
            for (uint8_t b : header)
                Hex(b, &out);
        }
        for (char c : units)
            Hex(static_cast<uint8_t>(c), &out);
    }
    return out;
}

std::string Utf16Be(const std::u32string& text) { return textcodec::Utf16ToBigEndian(textcodec::ToUtf16(text)); }

// Cuts the text into the units of each part; GSM escape pairs and surrogate pairs stay whole.
std::vector<std::string> Split(const std::string& utf8, bool* gsm) {
    const auto decoded = textcodec::DecodeUtf8(utf8);
    const auto packed = decoded ? textcodec::ToGsmSeptets(*decoded) : std::nullopt;
    *gsm = packed.has_value();
    const std::string septets = packed ? std::string(packed->begin(), packed->end()) : std::string();
    std::vector<std::string> parts;
    if (*gsm) {
        if (septets.size() <= 160)
            return {septets};
        for (size_t i = 0; i < septets.size();) {
            size_t n = std::min<size_t>(153, septets.size() - i);
            if (i + n < septets.size() && septets[i + n - 1] == static_cast<char>(textcodec::kGsmEscape))
                --n;
            parts.push_back(septets.substr(i, n));
            i += n;
        }
        return parts;
    }
    const std::u32string text = decoded.value_or(std::u32string());
    std::string units = Utf16Be(text);
    if (units.size() <= 140)
        return {units};
    for (size_t i = 0; i < units.size();) {
        size_t n = std::min<size_t>(134, units.size() - i);
        unsigned last = static_cast<unsigned char>(units[i + n - 2]);
        if (i + n < units.size() && last >= 0xD8 && last <= 0xDB)
            n -= 2;
        parts.push_back(units.substr(i, n));
        i += n;
    }
    return parts;
}

} // namespace

std::vector<std::string> EncodeDeliverParts(const DeliverSpec& spec, const std::string& utf8,
                                            int reference) {
    bool gsm = true;
    std::vector<std::string> pieces = Split(utf8, &gsm);
    std::vector<std::string> pdus;
    for (size_t k = 0; k < pieces.size(); ++k) {
        std::vector<uint8_t> header;
        if (pieces.size() > 1)
            header = {0x00, 0x03, static_cast<uint8_t>(reference),
                      static_cast<uint8_t>(pieces.size()), static_cast<uint8_t>(k + 1)};
        std::string pdu;
        ServiceCentre(spec.serviceCentre, &pdu);
        Hex(header.empty() ? 0x04 : 0x44, &pdu); // DELIVER, no more messages waiting; UDHI
        bool international = !spec.originator.empty() && spec.originator[0] == '+';
        if (!Address(spec.originator, international ? 145 : 129, &pdu))
            return {};
        pdu += "00"; // protocol identifier
        Hex(gsm ? 0x00 : 0x08, &pdu);
        Timestamp(spec.time, &pdu);
        pdu += UserData(gsm, header, pieces[k]);
        pdus.push_back(pdu);
    }
    return pdus;
}

std::string EncodeSubmit(const std::string& serviceCentre, const std::string& destination,
                         int typeOfAddress, int firstOctet, int protocolId, int validity,
                         const std::string& utf8) {
    bool gsm = true;
    std::vector<std::string> pieces = Split(utf8, &gsm);
    std::string pdu;
    ServiceCentre(serviceCentre, &pdu);
    int first = (firstOctet & ~0x43) | 0x01; // SUBMIT; one part, so no header
    if (pieces.size() != 1)
        return {};
    Hex(static_cast<uint8_t>(first), &pdu);
    pdu += "00"; // message reference: the phone fills it in when sending
    if (!Address(destination, typeOfAddress, &pdu))
        return {};
    Hex(static_cast<uint8_t>(protocolId), &pdu);
    Hex(gsm ? 0x00 : 0x08, &pdu);
    if (((first >> 3) & 3) == 2)
        Hex(static_cast<uint8_t>(validity), &pdu);
    else if (((first >> 3) & 3) != 0)
        pdu += "00000000000000";
    pdu += UserData(gsm, {}, pieces[0]);
    return pdu;
}

std::string EncodeStatusReport(const std::string& serviceCentre, int mr,
                               const std::string& recipient, int typeOfAddress,
                               long long submitTime, long long doneTime, int status) {
    std::string pdu;
    ServiceCentre(serviceCentre, &pdu);
    pdu += "06"; // SMS-STATUS-REPORT
    Hex(static_cast<uint8_t>(mr), &pdu);
    if (!Address(recipient, typeOfAddress, &pdu))
        return {};
    Timestamp(submitTime, &pdu);
    Timestamp(doneTime, &pdu);
    Hex(static_cast<uint8_t>(status), &pdu);
    return pdu;
}

int TpduLength(const std::string& pduHex) {
    if (pduHex.size() < 2)
        return 0;
    int sc = std::stoi(pduHex.substr(0, 2), nullptr, 16);
    return static_cast<int>(pduHex.size() / 2) - 1 - sc;
}

} // namespace phonesim
