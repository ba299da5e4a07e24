#include <gtest/gtest.h>

#include "phonesim/smspdu.h"

using namespace phonesim;

namespace {

// Packs septets after 'headerOctets' octets of user data header (fill bits included), as hex.
// Kept deliberately naive (bit by bit) so it shares nothing with the decoder under test.
std::string PackHex(const std::string& septets, const std::vector<uint8_t>& header = {}) {
    std::vector<int> bits;
    for (uint8_t b : header)
        for (int i = 0; i < 8; ++i)
            bits.push_back((b >> i) & 1);
    while (bits.size() % 7)
        bits.push_back(0);
    for (char s : septets)
        for (int i = 0; i < 7; ++i)
            bits.push_back((s >> i) & 1);
    while (bits.size() % 8)
        bits.push_back(0);
    std::string hex;
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < bits.size(); i += 8) {
        int v = 0;
        for (int k = 0; k < 8; ++k)
            v |= bits[i + k] << k;
        hex += kHex[v >> 4];
        hex += kHex[v & 15];
    }
    return hex;
}

std::string Hex2(int v) {
    static const char kHex[] = "0123456789ABCDEF";
    return std::string{kHex[(v >> 4) & 15], kHex[v & 15]};
}

// An SMS-SUBMIT to 123 with the given first octet, coding, validity field and user data.
std::string Submit(const std::string& firstOctet, const std::string& dcs, const std::string& vp, int udl,
                   const std::string& ud) {
    return "00" + firstOctet + "00" + "0381" + "21F3" + "00" + dcs + vp + Hex2(udl) + ud;
}

int TpduLength(const std::string& hex) {
    return static_cast<int>(hex.size() / 2 - 1 - std::stoi(hex.substr(0, 2), nullptr, 16));
}

struct Good {
    const char* label;
    std::string hex;
    std::string destination;
    int typeOfAddress;
    int dcs;
    std::string text;
};

std::ostream& operator<<(std::ostream& os, const Good& g) { return os << g.label; }

class DecodeGood : public testing::TestWithParam<Good> {};

TEST_P(DecodeGood, Decodes) {
    const Good& g = GetParam();
    SubmitPdu pdu;
    std::string error;
    ASSERT_TRUE(DecodeSubmitPdu(g.hex, TpduLength(g.hex), &pdu, &error)) << error;
    EXPECT_EQ(pdu.destination, g.destination);
    EXPECT_EQ(pdu.typeOfAddress, g.typeOfAddress);
    EXPECT_EQ(pdu.dataCodingScheme, g.dcs);
    EXPECT_EQ(pdu.text, g.text);
}

const std::string k160(160, 'x');
const std::vector<uint8_t> kConcatHeader = {0x05, 0x00, 0x03, 0x2A, 0x02, 0x01};

const Good kGood[] = {
    {"worked example Hi to 123", "0011000381" "21F3" "0000AA" "02C834", "123", 129, 0, "Hi"},
    {"Hello packs to C8329BFD06", Submit("11", "00", "AA", 5, "C8329BFD06"), "123", 129, 0, "Hello"},
    {"empty text", Submit("11", "00", "AA", 0, ""), "123", 129, 0, ""},
    {"eight septets fill seven octets", Submit("11", "00", "AA", 8, PackHex("abcdefgh")), "123", 129, 0, "abcdefgh"},
    {"160 septets", Submit("11", "00", "AA", 160, PackHex(k160)), "123", 129, 0, k160},
    {"at sign is septet 0", Submit("11", "00", "AA", 3, PackHex(std::string("a\0b", 3))), "123", 129, 0, "a@b"},
    {"extension characters", Submit("11", "00", "AA", 10, PackHex("\x1B\x65\x1B\x3C\x1B\x3E\x1B\x28\x1B\x40")),
     "123", 129, 0, "€[]{|"},
    {"unused extension code shows the base character", Submit("11", "00", "AA", 2, PackHex("\x1B\x41")), "123", 129,
     0, "A"},
    {"default-table letters", Submit("11", "00", "AA", 4, PackHex("\x7B\x7C\x7D\x10")), "123", 129, 0, "äöñΔ"},
    {"UCS2 with a surrogate pair", Submit("11", "08", "AA", 8, "00410436D83DDE00"), "123", 129, 8, "Aж😀"},
    {"8-bit data as ISO 8859-1", Submit("11", "04", "AA", 3, "4869E9"), "123", 129, 4, "Hié"},
    {"class 0 flash message in group F", Submit("11", "F0", "AA", 2, "C834"), "123", 129, 0xF0, "Hi"},
    {"international number", "0011000C91" "447700091032" "0000AA" "02C834", "447700900123", 145, 0, "Hi"},
    {"odd digits padded with F", "0011000581" "2143F5" "0000AA" "02C834", "12345", 129, 0, "Hi"},
    {"star and hash", "0011000481" "A1B2" "0000AA" "02C834", "1*2#", 129, 0, "Hi"},
    {"no validity period", "0001000381" "21F3" "0000" "02C834", "123", 129, 0, "Hi"},
    {"enhanced validity period", "0009000381" "21F3" "0000" "01020304050607" "02C834", "123", 129, 0, "Hi"},
    {"absolute validity period", "0019000381" "21F3" "0000" "21107141000000" "02C834", "123", 129, 0, "Hi"},
    {"service centre given", "07914477000000F0" "1100038121F30000AA02C834", "123", 129, 0, "Hi"},
    {"user data header with fill bits", Submit("51", "00", "AA", 7 + 2, PackHex("Hi", kConcatHeader)),
     "123", 129, 0, "Hi"},
    {"UCS2 after a user data header", Submit("51", "08", "AA", 8, "0500032A0201" "0041"), "123", 129, 8, "A"},
};
INSTANTIATE_TEST_SUITE_P(Pdu, DecodeGood, testing::ValuesIn(kGood));

struct Bad {
    const char* label;
    std::string hex;
    int announced; // -1: the right length
};

std::ostream& operator<<(std::ostream& os, const Bad& b) { return os << b.label; }

class DecodeBad : public testing::TestWithParam<Bad> {};

TEST_P(DecodeBad, IsRefusedWithAReason) {
    const Bad& b = GetParam();
    SubmitPdu pdu;
    std::string error;
    int announced = b.announced >= 0 ? b.announced : (b.hex.size() >= 2 ? TpduLength(b.hex) : 0);
    EXPECT_FALSE(DecodeSubmitPdu(b.hex, announced, &pdu, &error));
    EXPECT_FALSE(error.empty());
}

const Bad kBad[] = {
    {"empty", "", -1},
    {"odd number of digits", "0011000381" "21F3" "0000AA" "02C83", -1},
    {"not hex", "0011000381" "21F3" "0000AA" "02C8G4", -1},
    {"announced one too many", "0011000381" "21F3" "0000AA" "02C834", 13},
    {"announced one too few", "0011000381" "21F3" "0000AA" "02C834", 11},
    {"user data cut short", "0011000381" "21F3" "0000AA" "03C834", -1},
    {"octet after the user data", "0011000381" "21F3" "0000AA" "02C83400", -1},
    {"ends inside the address", "00110003812", -1},
    {"only the service centre", "00", -1},
    {"an SMS-DELIVER", "0000000381" "21F3" "0000AA" "02C834", -1},
    {"address of 21 digits", "0011001581" "1111111111" "1111111111" "F1" "0000AA" "02C834", -1},
    {"type of address without its top bit", "0011000301" "21F3" "0000AA" "02C834", -1},
    {"filler inside the number", "0011000481" "F1F3" "0000AA" "02C834", -1},
    {"digit where the filler belongs", "0011000381" "2113" "0000AA" "02C834", -1},
    {"161 septets", Submit("11", "00", "AA", 161, PackHex(std::string(161, 'x'))), -1},
    {"141 octets of UCS2", Submit("11", "08", "AA", 141, std::string(282, '0')), -1},
    {"UCS2 of an odd length", Submit("11", "08", "AA", 3, "004100"), -1},
    {"lone low surrogate", Submit("11", "08", "AA", 2, "DC00"), -1},
    {"high surrogate at the end", Submit("11", "08", "AA", 2, "D83D"), -1},
    {"reserved alphabet", Submit("11", "0C", "AA", 2, "C834"), -1},
    {"compressed text", Submit("11", "20", "AA", 2, "C834"), -1},
    {"text ends on an escape", Submit("11", "00", "AA", 2, PackHex("a\x1B")), -1},
    {"header longer than the user data", Submit("51", "08", "AA", 2, "0500"), -1},
    {"service centre too long", "0C91" + std::string(22, '1') + "1100038121F30000AA02C834", -1},
};
INSTANTIATE_TEST_SUITE_P(Pdu, DecodeBad, testing::ValuesIn(kBad));

} // namespace
