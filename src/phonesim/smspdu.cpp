#include "phonesim/smspdu.h"

#include "phonesim/charset.h"
#include "textcodec/textcodec.h"

namespace phonesim {
namespace {

constexpr int kMaxAddressDigits = 20;
constexpr size_t kMaxUserDataOctets = 140;
constexpr int kMaxSeptets = 160;

class Cursor {
public:
    explicit Cursor(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    bool Take(uint8_t* v) {
        if (m_pos >= m_bytes.size())
            return false;
        *v = m_bytes[m_pos++];
        return true;
    }
    bool Take(size_t n, std::vector<uint8_t>* out) {
        if (m_bytes.size() - m_pos < n)
            return false;
        out->assign(m_bytes.begin() + static_cast<long>(m_pos),
                    m_bytes.begin() + static_cast<long>(m_pos + n));
        m_pos += n;
        return true;
    }
    size_t Position() const { return m_pos; }
    size_t Left() const { return m_bytes.size() - m_pos; }

private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_pos = 0;
};

bool Fail(std::string* error, const char* reason) {
    if (error)
        *error = reason;
    return false;
}

// Semi-octets, low nibble first; 'digits' counts the useful ones. A filler F may only pad an
// odd count.
bool DecodeSemiOctets(const std::vector<uint8_t>& octets, size_t digits, std::string* out) {
    static const char kDigit[] = "0123456789*#abc";
    out->clear();
    for (size_t i = 0; i < octets.size() * 2; ++i) {
        uint8_t nibble = (i % 2 == 0) ? (octets[i / 2] & 0x0F) : (octets[i / 2] >> 4);
        if (i < digits) {
            if (nibble == 0x0F)
                return false;
            out->push_back(kDigit[nibble]);
        } else if (nibble != 0x0F) {
            return false;
        }
    }
    return true;
}

bool AlphabetOf(int dcs, SmsAlphabet* alphabet) {
    int group = dcs >> 4;
    if (group <= 0x7) {
        if (dcs & 0x20)
            return false; // compressed text: not supported by this phone
        switch ((dcs >> 2) & 3) {
        case 0: *alphabet = SmsAlphabet::Gsm7; return true;
        case 1: *alphabet = SmsAlphabet::EightBit; return true;
        case 2: *alphabet = SmsAlphabet::Ucs2; return true;
        default: return false;
        }
    }
    if (group <= 0xB)
        return false; // reserved coding groups
    if (group == 0xC || group == 0xD) {
        *alphabet = SmsAlphabet::Gsm7;
        return true;
    }
    if (group == 0xE) {
        *alphabet = SmsAlphabet::Ucs2;
        return true;
    }
    *alphabet = (dcs & 0x04) ? SmsAlphabet::EightBit : SmsAlphabet::Gsm7;
    return true;
}

bool Ucs2ToUtf8(const std::vector<uint8_t>& bytes, size_t from, std::string* out) {
    auto units = textcodec::Utf16FromBigEndian(
        std::string_view(reinterpret_cast<const char*>(bytes.data()) + from, bytes.size() - from));
    auto utf8 = units ? textcodec::Utf16ToUtf8(*units) : std::nullopt;
    if (!utf8)
        return false;
    *out = std::move(*utf8);
    return true;
}


// The service-centre part that starts every PDU as the phone sees it.
bool TakeServiceCentre(Cursor& cur, std::string* number, int* type, std::string* error) {
    uint8_t scLength = 0;
    cur.Take(&scLength);
    if (scLength > 11)
        return Fail(error, "service centre address too long");
    if (scLength > 0) {
        uint8_t t;
        std::vector<uint8_t> digits;
        if (!cur.Take(&t) || !cur.Take(scLength - 1u, &digits))
            return Fail(error, "PDU ends inside the service centre address");
        size_t count = digits.size() * 2;
        if (!digits.empty() && (digits.back() >> 4) == 0x0F)
            --count;
        if (!DecodeSemiOctets(digits, count, number))
            return Fail(error, "bad digit in the service centre address");
        *type = t;
    }
    return true;
}

// An address field: length in digits, type, semi-octets (or packed septets when alphanumeric).
bool TakeAddress(Cursor& cur, const char* what, std::string* address, int* typeOfAddress,
                 std::string* error) {
    uint8_t length, toa;
    if (!cur.Take(&length) || !cur.Take(&toa))
        return Fail(error, "PDU ends before an address");
    if (length > kMaxAddressDigits)
        return Fail(error, "address too long");
    if (!(toa & 0x80))
        return Fail(error, "bad type of address");
    std::vector<uint8_t> octets;
    if (!cur.Take((length + 1u) / 2, &octets))
        return Fail(error, "PDU ends inside an address");
    if (((toa >> 4) & 0x07) == 0x05) {
        std::string septets;
        if (!UnpackSeptets(octets, length * 4u / 7u, &septets) || !GsmSeptetsToUtf8(septets, address))
            return Fail(error, "bad alphanumeric address");
    } else if (!DecodeSemiOctets(octets, length, address)) {
        (void)what;
        return Fail(error, "bad digit in an address");
    }
    *typeOfAddress = toa;
    return true;
}

// User data length, header and text; the PDU must end with them.
bool TakeUserData(Cursor& cur, int first, SmsAlphabet alphabet, int* userDataLength,
                  std::vector<uint8_t>* header, std::string* text, std::string* error) {
    uint8_t udl;
    if (!cur.Take(&udl))
        return Fail(error, "PDU ends before the user data length");
    *userDataLength = udl;
    size_t udOctets;
    if (alphabet == SmsAlphabet::Gsm7) {
        if (udl > kMaxSeptets)
            return Fail(error, "user data length above 160 septets");
        udOctets = (udl * 7u + 7u) / 8u;
    } else {
        if (udl > kMaxUserDataOctets)
            return Fail(error, "user data length above 140 octets");
        udOctets = udl;
    }
    std::vector<uint8_t> ud;
    if (!cur.Take(udOctets, &ud))
        return Fail(error, "PDU shorter than its user data length");
    if (cur.Left() != 0)
        return Fail(error, "PDU longer than its user data length");

    size_t headerOctets = 0;
    if (first & 0x40) {
        if (ud.empty() || ud[0] + 1u > ud.size())
            return Fail(error, "bad user data header");
        headerOctets = ud[0] + 1u;
        header->assign(ud.begin() + 1, ud.begin() + static_cast<long>(headerOctets));
    }

    if (alphabet == SmsAlphabet::Gsm7) {
        size_t headerSeptets = (headerOctets * 8 + 6) / 7;
        if (headerSeptets > udl)
            return Fail(error, "user data header longer than the user data");
        std::string septets;
        UnpackSeptets(ud, udl, &septets);
        if (!GsmSeptetsToUtf8(septets.substr(headerSeptets), text))
            return Fail(error, "text ends inside an escape sequence");
    } else if (alphabet == SmsAlphabet::Ucs2) {
        if ((ud.size() - headerOctets) % 2 != 0)
            return Fail(error, "UCS2 text of an odd number of octets");
        if (!Ucs2ToUtf8(ud, headerOctets, text))
            return Fail(error, "broken UTF-16 surrogate pair");
    } else {
        *text = Latin1ToUtf8(std::string(ud.begin() + static_cast<long>(headerOctets), ud.end()));
    }
    return true;
}

} // namespace

bool HexToBytes(std::string_view hex, std::vector<uint8_t>* bytes) {
    auto decoded = textcodec::FromHex(hex);
    if (!decoded)
        return false;
    bytes->assign(decoded->begin(), decoded->end());
    return true;
}

bool UnpackSeptets(const std::vector<uint8_t>& octets, size_t count, std::string* septets) {
    if ((count * 7 + 7) / 8 > octets.size())
        return false;
    septets->clear();
    for (size_t k = 0; k < count; ++k) {
        size_t bit = k * 7;
        unsigned v = octets[bit / 8] >> (bit % 8);
        if (bit % 8 > 1 && bit / 8 + 1 < octets.size())
            v |= static_cast<unsigned>(octets[bit / 8 + 1]) << (8 - bit % 8);
        septets->push_back(static_cast<char>(v & 0x7F));
    }
    return true;
}

namespace {

// The PDU's bytes; empty or odd hexadecimal is refused with the reason.
bool PduBytes(std::string_view hex, std::vector<uint8_t>* bytes, std::string* error) {
    if (hex.empty())
        return Fail(error, "empty PDU");
    if (!HexToBytes(hex, bytes))
        return Fail(error, "PDU is not an even number of hexadecimal digits");
    return true;
}

// The service-centre part, then the rest as long as the command announced (-1: not announced).
bool TakeServiceCentreOfAnnounced(Cursor& cur, int announcedTpduLength, std::string* number,
                                  int* type, std::string* error) {
    if (!TakeServiceCentre(cur, number, type, error))
        return false;
    if (announcedTpduLength >= 0 && static_cast<size_t>(announcedTpduLength) != cur.Left())
        return Fail(error, "announced length does not match the PDU");
    return true;
}

} // namespace

bool DecodeSubmitPdu(std::string_view hex, int announcedTpduLength, SubmitPdu* pdu,
                     std::string* error) {
    std::vector<uint8_t> bytes;
    if (!PduBytes(hex, &bytes, error))
        return false;
    SubmitPdu out;
    Cursor cur(bytes);
    if (!TakeServiceCentreOfAnnounced(cur, announcedTpduLength, &out.serviceCentre,
                                      &out.serviceCentreType, error))
        return false;

    uint8_t first, mr, pid, dcs;
    if (!cur.Take(&first) || !cur.Take(&mr))
        return Fail(error, "PDU too short");
    if ((first & 0x03) != 0x01)
        return Fail(error, "not an SMS-SUBMIT");
    out.firstOctet = first;
    out.messageReference = mr;
    if (!TakeAddress(cur, "destination", &out.destination, &out.typeOfAddress, error))
        return false;
    if (!cur.Take(&pid) || !cur.Take(&dcs))
        return Fail(error, "PDU ends before the data coding scheme");
    out.protocolId = pid;
    out.dataCodingScheme = dcs;
    if (!AlphabetOf(dcs, &out.alphabet))
        return Fail(error, "unsupported data coding scheme");

    out.validityFormat = (first >> 3) & 0x03;
    size_t vpLength = out.validityFormat == 0 ? 0 : out.validityFormat == 2 ? 1 : 7;
    if (!cur.Take(vpLength, &out.validity))
        return Fail(error, "PDU ends inside the validity period");
    if (!TakeUserData(cur, first, out.alphabet, &out.userDataLength, &out.userDataHeader, &out.text, error))
        return false;
    *pdu = std::move(out);
    return true;
}

bool DecodeDeliverPdu(std::string_view hex, int announcedTpduLength, DeliverPdu* pdu, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!PduBytes(hex, &bytes, error))
        return false;
    DeliverPdu out;
    Cursor cur(bytes);
    if (!TakeServiceCentreOfAnnounced(cur, announcedTpduLength, &out.serviceCentre,
                                      &out.serviceCentreType, error))
        return false;
    uint8_t first, pid, dcs;
    if (!cur.Take(&first))
        return Fail(error, "PDU too short");
    if ((first & 0x03) != 0x00)
        return Fail(error, "not an SMS-DELIVER");
    out.firstOctet = first;
    if (!TakeAddress(cur, "originator", &out.originator, &out.typeOfAddress, error))
        return false;
    if (!cur.Take(&pid) || !cur.Take(&dcs))
        return Fail(error, "PDU ends before the data coding scheme");
    out.protocolId = pid;
    out.dataCodingScheme = dcs;
    if (!AlphabetOf(dcs, &out.alphabet))
        return Fail(error, "unsupported data coding scheme");
    if (!cur.Take(7, &out.timestamp))
        return Fail(error, "PDU ends inside the service centre time stamp");
    if (!TakeUserData(cur, first, out.alphabet, &out.userDataLength, &out.userDataHeader, &out.text, error))
        return false;
    *pdu = std::move(out);
    return true;
}

bool FindConcatenation(const std::vector<uint8_t>& header, Concatenation* out) {
    for (size_t i = 0; i + 1 < header.size();) {
        uint8_t id = header[i], length = header[i + 1];
        if (i + 2 + length > header.size())
            return false;
        const uint8_t* v = header.data() + i + 2;
        if (id == 0x00 && length == 3 && v[1] > 0 && v[2] > 0 && v[2] <= v[1]) {
            *out = {v[0], v[1], v[2]};
            return true;
        }
        if (id == 0x08 && length == 4 && v[2] > 0 && v[3] > 0 && v[3] <= v[2]) {
            *out = {v[0] << 8 | v[1], v[2], v[3]};
            return true;
        }
        i += 2 + length;
    }
    return false;
}

} // namespace phonesim
