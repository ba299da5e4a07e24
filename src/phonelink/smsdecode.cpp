#include "smsdecode.h"

#include <algorithm>
#include <cstdio>

#include "textcodec/gsmalphabet.h"
#include "textcodec/textcodec.h"

namespace {

constexpr size_t kMaxServiceCentreOctets = 11; // type octet and ten octets of digits
constexpr int kMaxAddressDigits = 20;
constexpr int kMaxSeptets = 160;
constexpr int kMaxUserDataOctets = 140;

struct Failure {
    std::string text;
};

class Cursor {
public:
    explicit Cursor(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    uint8_t Byte(const char* where) {
        if (m_pos >= m_bytes.size())
            throw Failure{std::string("the message ends before ") + where};
        return m_bytes[m_pos++];
    }
    std::vector<uint8_t> Bytes(size_t count, const char* where) {
        if (m_bytes.size() - m_pos < count)
            throw Failure{std::string("the message ends inside ") + where};
        std::vector<uint8_t> out(m_bytes.begin() + static_cast<long>(m_pos),
                                 m_bytes.begin() + static_cast<long>(m_pos + count));
        m_pos += count;
        return out;
    }
    size_t Left() const { return m_bytes.size() - m_pos; }
    // SIM records are padded with FF octets, and some phones list the padding too.
    bool OnlyPaddingLeft(size_t after = 0) const {
        return std::all_of(m_bytes.begin() + static_cast<long>(std::min(m_pos + after, m_bytes.size())),
                           m_bytes.end(), [](uint8_t b) { return b == 0xFF; });
    }
    void DropTail(size_t keep) { m_bytes.resize(m_pos + keep); }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_pos = 0;
};

bool IsInternational(int typeOfAddress) { return (typeOfAddress & 0x70) == 0x10; }
bool IsAlphanumeric(int typeOfAddress) { return (typeOfAddress & 0x70) == 0x50; }

// Semi-octets, low nibble first; an F may only pad the last octet.
std::string SemiOctetDigits(const std::vector<uint8_t>& octets, size_t digits, const char* what) {
    static const char kDigit[] = "0123456789*#abc";
    std::string out;
    for (size_t i = 0; i < octets.size() * 2; ++i) {
        uint8_t nibble = (i % 2 == 0) ? (octets[i / 2] & 0x0F) : (octets[i / 2] >> 4);
        if (i < digits && nibble != 0x0F)
            out.push_back(kDigit[nibble]);
        else if (i < digits || nibble != 0x0F)
            throw Failure{std::string("the ") + what + " holds a digit that is not one"};
    }
    return out;
}

std::u32string UnpackSeptets(const std::vector<uint8_t>& octets, size_t count) {
    std::string septets;
    for (size_t k = 0; k < count; ++k) {
        size_t bit = k * 7;
        unsigned v = octets[bit / 8] >> (bit % 8);
        if (bit % 8 > 1 && bit / 8 + 1 < octets.size())
            v |= static_cast<unsigned>(octets[bit / 8 + 1]) << (8 - bit % 8);
        septets.push_back(static_cast<char>(v & 0x7F));
    }
    return textcodec::FromGsmSeptets(std::string_view(septets));
}

std::string ServiceCentre(Cursor& cur) {
    uint8_t length = cur.Byte("the service centre");
    if (length == 0)
        return {};
    if (length > kMaxServiceCentreOctets)
        throw Failure{"the service centre address is longer than 20 digits"};
    int type = cur.Byte("the service centre");
    auto octets = cur.Bytes(length - 1u, "the service centre address");
    size_t digits = octets.size() * 2;
    if (!octets.empty() && (octets.back() >> 4) == 0x0F)
        --digits;
    std::string number = SemiOctetDigits(octets, digits, "service centre address");
    return IsInternational(type) && !number.empty() ? "+" + number : number;
}

void Address(Cursor& cur, const char* what, DecodedSms& out) {
    uint8_t digits = cur.Byte(what);
    out.typeOfAddress = cur.Byte(what);
    if (digits > kMaxAddressDigits)
        throw Failure{std::string("the ") + what + " is longer than 20 digits"};
    auto octets = cur.Bytes((digits + 1u) / 2, what);
    if (IsAlphanumeric(out.typeOfAddress)) {
        out.number = textcodec::EncodeUtf8(UnpackSeptets(octets, digits * 4u / 7u));
        return;
    }
    out.number = SemiOctetDigits(octets, digits, what);
    if (IsInternational(out.typeOfAddress) && !out.number.empty())
        out.number.insert(0, 1, '+');
}

int TwoDigits(uint8_t octet) {
    int low = octet & 0x0F, high = octet >> 4;
    if (low > 9 || high > 9)
        return -1;
    return low * 10 + high;
}

SmsTime Time(Cursor& cur, const char* what) {
    auto o = cur.Bytes(7, what);
    SmsTime t;
    int year = TwoDigits(o[0]);
    t.month = TwoDigits(o[1]);
    t.day = TwoDigits(o[2]);
    t.hour = TwoDigits(o[3]);
    t.minute = TwoDigits(o[4]);
    t.second = TwoDigits(o[5]);
    // The zone: quarter hours, the sign in bit 3 of the first semi-octet.
    int quarters = (o[6] & 0x07) * 10 + (o[6] >> 4);
    if (year < 0 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 ||
        t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59 ||
        (o[6] >> 4) > 9 || quarters > 4 * 18)
        throw Failure{std::string("the ") + what + " is not a valid date and time"};
    t.year = year < 90 ? 2000 + year : 1900 + year; // two digits, as other phone tools read them
    t.offsetMinutes = (o[6] & 0x08 ? -15 : 15) * quarters;
    return t;
}

// Alphabet and class from the data coding scheme (TS 23.038 4). Reserved codings are read as
// the GSM default alphabet, as the standard tells receivers to.
void Coding(int dcs, DecodedSms& out) {
    out.dataCodingScheme = dcs;
    out.alphabet = SmsAlphabet::Gsm7;
    int group = dcs >> 4;
    if (group <= 0x7) {
        if (dcs & 0x20)
            throw Failure{"the message is compressed, which this program cannot read"};
        int bits = (dcs >> 2) & 3;
        out.alphabet = bits == 1 ? SmsAlphabet::EightBit : bits == 2 ? SmsAlphabet::Ucs2 : SmsAlphabet::Gsm7;
        if (dcs & 0x10)
            out.messageClass = dcs & 3;
    } else if (group == 0xE) {
        out.alphabet = SmsAlphabet::Ucs2;
    } else if (group == 0xF) {
        out.alphabet = (dcs & 0x04) ? SmsAlphabet::EightBit : SmsAlphabet::Gsm7;
        out.messageClass = dcs & 3;
    }
}

void Header(const std::vector<uint8_t>& h, DecodedSms& out) {
    for (size_t i = 0; i < h.size();) {
        if (i + 2 > h.size() || i + 2 + h[i + 1] > h.size())
            throw Failure{"the user data header claims more than the message holds"};
        uint8_t id = h[i], length = h[i + 1];
        const uint8_t* v = h.data() + i + 2;
        if (id == 0x00 && length == 3)
            out.concat = SmsConcat{v[0], v[1], v[2], false};
        else if (id == 0x08 && length == 4)
            out.concat = SmsConcat{v[0] << 8 | v[1], v[2], v[3], true};
        else if (id == 0x04 && length == 2)
            out.ports = std::pair<int, int>(v[0], v[1]);
        else if (id == 0x05 && length == 4)
            out.ports = std::pair<int, int>(v[0] << 8 | v[1], v[2] << 8 | v[3]);
        i += 2u + length;
    }
}

void UserData(Cursor& cur, bool hasHeader, DecodedSms& out) {
    int udl = cur.Byte("the user data length");
    size_t octets;
    if (out.alphabet == SmsAlphabet::Gsm7) {
        if (udl > kMaxSeptets)
            throw Failure{"the user data length is above 160 characters"};
        octets = (udl * 7u + 7u) / 8u;
    } else {
        if (udl > kMaxUserDataOctets)
            throw Failure{"the user data length is above 140 octets"};
        octets = static_cast<size_t>(udl);
    }
    auto ud = cur.Bytes(octets, "its text (the user data length says more)");
    if (cur.Left() != 0 && !cur.OnlyPaddingLeft())
        throw Failure{"the message is longer than its user data length"};

    size_t headerOctets = 0;
    if (hasHeader) {
        if (ud.empty() || ud[0] + 1u > ud.size())
            throw Failure{"the user data header claims more than the message holds"};
        headerOctets = ud[0] + 1u;
        Header(std::vector<uint8_t>(ud.begin() + 1, ud.begin() + static_cast<long>(headerOctets)), out);
    }
    switch (out.alphabet) {
    case SmsAlphabet::Gsm7: {
        size_t headerSeptets = (headerOctets * 8 + 6) / 7;
        if (headerSeptets > static_cast<size_t>(udl))
            throw Failure{"the user data header claims more than the message holds"};
        auto text = UnpackSeptets(ud, static_cast<size_t>(udl));
        out.text = textcodec::EncodeUtf8(std::u32string_view(text).substr(headerSeptets));
        break;
    }
    case SmsAlphabet::Ucs2: {
        if ((ud.size() - headerOctets) % 2 != 0)
            throw Failure{"the UCS2 text has an odd number of octets"};
        auto units = textcodec::Utf16FromBigEndian(std::string_view(
            reinterpret_cast<const char*>(ud.data()) + headerOctets, ud.size() - headerOctets));
        auto utf8 = units ? textcodec::Utf16ToUtf8(*units) : std::nullopt;
        if (!utf8)
            throw Failure{"the UCS2 text holds a broken surrogate pair"};
        out.text = std::move(*utf8);
        break;
    }
    case SmsAlphabet::EightBit:
        out.data.assign(ud.begin() + static_cast<long>(headerOctets), ud.end());
        break;
    }
}

void Deliver(Cursor& cur, int first, DecodedSms& out) {
    out.kind = SmsKind::Deliver;
    out.statusReportRequested = first & 0x20;
    Address(cur, "originator address", out);
    out.protocolId = cur.Byte("the protocol identifier");
    Coding(cur.Byte("the data coding scheme"), out);
    out.time = Time(cur, "service centre time stamp");
    UserData(cur, first & 0x40, out);
}

void Submit(Cursor& cur, int first, DecodedSms& out) {
    out.kind = SmsKind::Submit;
    out.statusReportRequested = first & 0x20;
    out.messageReference = cur.Byte("the message reference");
    Address(cur, "destination address", out);
    out.protocolId = cur.Byte("the protocol identifier");
    Coding(cur.Byte("the data coding scheme"), out);
    out.validityFormat = (first >> 3) & 0x03;
    size_t vpLength = out.validityFormat == 0 ? 0 : out.validityFormat == 2 ? 1 : 7;
    out.validity = cur.Bytes(vpLength, "the validity period");
    UserData(cur, first & 0x40, out);
}

void StatusReport(Cursor& cur, int first, DecodedSms& out) {
    out.kind = SmsKind::StatusReport;
    out.statusReportRequested = first & 0x20;
    out.messageReference = cur.Byte("the message reference");
    Address(cur, "recipient address", out);
    out.time = Time(cur, "service centre time stamp");
    out.dischargeTime = Time(cur, "discharge time");
    out.status = cur.Byte("the status");
    if (cur.Left() == 0 || cur.OnlyPaddingLeft())
        return;
    // The optional parameters, announced by the parameter indicator (extension bit 7).
    int indicator = cur.Byte("the parameter indicator");
    for (int more = indicator; (more & 0x80) && cur.Left() > 0;)
        more = cur.Byte("the parameter indicator");
    if (indicator & 0x01)
        out.protocolId = cur.Byte("the protocol identifier");
    if (indicator & 0x02)
        Coding(cur.Byte("the data coding scheme"), out);
    if (indicator & 0x04)
        UserData(cur, first & 0x40, out);
    else if (cur.Left() != 0 && !cur.OnlyPaddingLeft())
        throw Failure{"the status report is longer than its parameters"};
}

} // namespace

std::string ToIso8601(const SmsTime& t) {
    char buffer[40];
    int offset = t.offsetMinutes < 0 ? -t.offsetMinutes : t.offsetMinutes;
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, t.offsetMinutes < 0 ? '-' : '+', offset / 60 % 100,
                  offset % 60);
    return buffer;
}

bool DecodeSmsPdu(std::string_view hex, int tpduLength, DecodedSms& out, LinkError& error) {
    auto fail = [&](std::string text) {
        error = LinkError::Make(LinkErrorKind::BadReply, "The message cannot be read: " + text + ".");
        return false;
    };
    if (hex.empty())
        return fail("the phone gave no PDU");
    auto bytes = textcodec::FromHex(hex);
    if (!bytes)
        return fail("the PDU is not an even number of hexadecimal digits");
    try {
        Cursor cur(std::vector<uint8_t>(bytes->begin(), bytes->end()));
        DecodedSms sms;
        sms.serviceCentre = ServiceCentre(cur);
        if (tpduLength >= 0 && static_cast<size_t>(tpduLength) != cur.Left()) {
            if (static_cast<size_t>(tpduLength) > cur.Left() ||
                !cur.OnlyPaddingLeft(static_cast<size_t>(tpduLength)) || tpduLength == 0)
                return fail("the phone announced " + std::to_string(tpduLength) + " octets but sent " +
                            std::to_string(cur.Left()));
            cur.DropTail(static_cast<size_t>(tpduLength));
        }
        int first = cur.Byte("its first octet");
        switch (first & 0x03) {
        case 0: Deliver(cur, first, sms); break;
        case 1: Submit(cur, first, sms); break;
        case 2: StatusReport(cur, first, sms); break;
        default: return fail("it is of a reserved message type");
        }
        out = std::move(sms);
        return true;
    } catch (const Failure& f) {
        return fail(f.text);
    }
}

std::string DescribeStatus(int st) {
    static const char* const kPending[] = {
        "congestion", "the recipient is busy", "no response from the recipient",
        "service rejected", "quality of service not available", "error in the recipient's phone"};
    static const char* const kPermanent[] = {
        "remote procedure error", "incompatible destination", "connection rejected by the recipient",
        "not obtainable", "quality of service not available", "no interworking available",
        "the message expired", "the message was deleted by its sender",
        "the message was deleted by the service centre", "the message does not exist"};
    if (st == 0x01)
        return "delivered (forwarded, not confirmed)";
    if (st == 0x02)
        return "delivered (replaced by the service centre)";
    if (st >= 0x00 && st <= 0x1F)
        return "delivered";
    if (st >= 0x20 && st <= 0x25)
        return std::string("pending: ") + kPending[st - 0x20];
    if (st >= 0x26 && st <= 0x3F)
        return "pending: the service centre is still trying";
    if (st >= 0x40 && st <= 0x49)
        return std::string("failed: ") + kPermanent[st - 0x40];
    if (st >= 0x60 && st <= 0x65)
        return std::string("failed: ") + kPending[st - 0x60] + ", the service centre gave up";
    if ((st >= 0x4A && st <= 0x5F) || (st >= 0x66 && st <= 0x7F))
        return "failed: error " + std::to_string(st) + " at the service centre";
    return "failed: unknown status " + std::to_string(st);
}
