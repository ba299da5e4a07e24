// The phone link's encoder and the emulated phone's decoder were written apart; each message
// that one encodes must come out of the other unchanged.
#include <gtest/gtest.h>

#include "phonelink/smspdu.h"
#include "phonesim/smspdu.h"

namespace {

struct Message {
    const char* label;
    std::string text;
    std::string destination;
    std::string digits;
    int typeOfAddress;
    int dcs;
};

std::ostream& operator<<(std::ostream& os, const Message& m) { return os << m.label; }

class CrossCheck : public testing::TestWithParam<Message> {};

TEST_P(CrossCheck, DecoderReadsWhatTheEncoderWrote) {
    const Message& m = GetParam();
    SmsPdu pdu;
    LinkError linkError;
    ASSERT_TRUE(EncodeSmsSubmit(m.text, m.destination, pdu, linkError));
    phonesim::SubmitPdu decoded;
    std::string error;
    ASSERT_TRUE(phonesim::DecodeSubmitPdu(pdu.hex, pdu.tpduLength, &decoded, &error)) << error << " " << pdu.hex;
    EXPECT_EQ(decoded.text, m.text);
    EXPECT_EQ(decoded.destination, m.digits);
    EXPECT_EQ(decoded.typeOfAddress, m.typeOfAddress);
    EXPECT_EQ(decoded.dataCodingScheme, m.dcs);
}

const Message kMessages[] = {
    {"worked example", "Hi", "123", "123", 129, 0},
    {"GSM specials", "@ € [ ] { } \\ ^ ~ | £ ¥ è Δ", "0170 123 45", "017012345", 129, 0},
    {"UCS2 for Cyrillic", "Привет, Zoë", "+447700900123", "447700900123", 145, 8},
    {"exactly 160 septets", std::string(160, 'a'), "5", "5", 129, 0},
    {"euro signs fill 160 septets", [] {
         std::string s;
         for (int i = 0; i < 80; ++i)
             s += "€";
         return s;
     }(),
     "12", "12", 129, 0},
    {"70 UCS2 characters", [] {
         std::string s;
         for (int i = 0; i < 70; ++i)
             s += "ж";
         return s;
     }(),
     "12", "12", 129, 8},
    {"empty text", "", "112", "112", 129, 0},
};
INSTANTIATE_TEST_SUITE_P(Sms, CrossCheck, testing::ValuesIn(kMessages));

} // namespace
