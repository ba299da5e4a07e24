// Long messages: split into concatenated parts, read back with the decoder.
#include <gtest/gtest.h>

#include "phonelink/smsdecode.h"
#include "phonelink/smspdu.h"

namespace {

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

struct PartsCase {
    const char* label;
    std::string text;
    int parts;
    bool ucs2;
};

class SmsPartsTest : public ::testing::TestWithParam<PartsCase> {};

TEST_P(SmsPartsTest, SplitsOnWholeCharactersAndReadsBack) {
    const auto& c = GetParam();
    SmsSendOptions options;
    options.reference = 0x1A7; // only the low 8 bits travel
    options.statusReport = true;
    std::vector<SmsPdu> pdus;
    LinkError error;
    ASSERT_TRUE(EncodeSmsSubmitParts(c.text, "+491701234567", options, pdus, error)) << error.text;
    ASSERT_EQ(static_cast<int>(pdus.size()), c.parts);
    EXPECT_EQ(CountSmsParts(c.text), c.parts);
    std::string joined;
    for (size_t i = 0; i < pdus.size(); ++i) {
        DecodedSms sms;
        ASSERT_TRUE(DecodeSmsPdu(pdus[i].hex, pdus[i].tpduLength, sms, error)) << error.text;
        EXPECT_EQ(sms.number, "+491701234567");
        EXPECT_TRUE(sms.statusReportRequested);
        EXPECT_EQ(sms.alphabet, c.ucs2 ? SmsAlphabet::Ucs2 : SmsAlphabet::Gsm7);
        if (c.parts == 1) {
            EXPECT_FALSE(sms.concat);
        } else {
            ASSERT_TRUE(sms.concat);
            EXPECT_EQ(*sms.concat, (SmsConcat{0xA7, c.parts, static_cast<int>(i) + 1, false}));
        }
        joined += sms.text;
    }
    EXPECT_EQ(joined, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SmsPartsTest,
    ::testing::Values(
        PartsCase{"OneFullGsm", std::string(160, 'a'), 1, false},
        PartsCase{"TwoGsm", std::string(161, 'a'), 2, false},
        PartsCase{"ThreeGsm", std::string(153 * 3, 'b'), 3, false},
        // the euro sign's two septets would straddle septet 153: it starts part two
        PartsCase{"ExtensionPairKeptWhole", std::string(152, 'a') + "€" + std::string(10, 'c'), 2, false},
        PartsCase{"OneFullUcs2", Repeat("ж", 70), 1, true},
        PartsCase{"TwoUcs2", Repeat("ж", 71), 2, true},
        // 66 units and then an emoji's surrogate pair: the pair goes whole into part two
        PartsCase{"SurrogatePairKeptWhole", Repeat("ж", 66) + "😀" + Repeat("ж", 5), 2, true},
        PartsCase{"EmojiInOneMessage", "Hi 😀", 1, true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SmsParts, RefusesWithAReason) {
    std::vector<SmsPdu> pdus;
    LinkError error;
    EXPECT_FALSE(EncodeSmsSubmitParts(std::string(153 * 10 + 1, 'a'), "1", {}, pdus, error));
    EXPECT_EQ(error.text, "the message needs 11 messages; at most 10 can be sent as one");
    EXPECT_FALSE(EncodeSmsSubmitParts("\xC3", "1", {}, pdus, error));
    EXPECT_FALSE(EncodeSmsSubmitParts("Hi", "12a", {}, pdus, error));
    EXPECT_TRUE(pdus.empty());
    EXPECT_EQ(CountSmsParts("\xC3"), 0);
    EXPECT_EQ(CountSmsParts(""), 1);
}

TEST(SmsParts, OneMessageMatchesTheSingleEncoderBesideTheReportFlag) {
    SmsPdu single;
    std::vector<SmsPdu> parts;
    LinkError error;
    ASSERT_TRUE(EncodeSmsSubmit("Hi", "123", single, error));
    ASSERT_TRUE(EncodeSmsSubmitParts("Hi", "123", {}, parts, error));
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].hex, single.hex);
}

} // namespace
