// SMS-SUBMIT encoding and the character conversions under it.
#include <gtest/gtest.h>

#include "phonelink/charset.h"
#include "phonelink/smspdu.h"

namespace {

std::vector<uint8_t> Septets(const char32_t* text) { return *ToGsmSeptets(text); }

TEST(SmsPacking, WorkedExamples) {
    EXPECT_EQ(PackSeptets(Septets(U"Hello")), "C8329BFD06");
    EXPECT_EQ(PackSeptets(Septets(U"Hi")), "C834");
    EXPECT_EQ(PackSeptets(Septets(U"")), "");
    EXPECT_EQ(PackSeptets(Septets(U"12345678")).size(), 14u) << "eight septets fill seven octets";
    EXPECT_EQ(SwapSemiOctets("0701"), "7010");
    EXPECT_EQ(SwapSemiOctets("12345F"), "2143F5");
}

struct PduCase {
    const char* label;
    const char* text;
    const char* destination;
    const char* pdu; // empty: only the length and header are checked below
    int tpduLength;
};

class SmsPduTest : public ::testing::TestWithParam<PduCase> {};

TEST_P(SmsPduTest, Encodes) {
    SmsPdu pdu;
    LinkError error;
    ASSERT_TRUE(EncodeSmsSubmit(GetParam().text, GetParam().destination, pdu, error)) << error.text;
    EXPECT_EQ(pdu.hex, GetParam().pdu);
    EXPECT_EQ(pdu.tpduLength, GetParam().tpduLength);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SmsPduTest,
    ::testing::Values(
        PduCase{"WorkedExample", "Hi", "123", "001100038121F30000AA02C834", 12},
        PduCase{"EvenDigits", "Hi", "0701", "0011000481701000" "00AA02C834", 12},
        PduCase{"BlanksDropped", "Hi", "07 01", "0011000481701000" "00AA02C834", 12},
        PduCase{"International", "Hi", "+46 70", "0011000491" "6407" "0000AA02C834", 12},
        PduCase{"SixteenDigitsLengthInHex", "", "1234567890123456",
                "00110010812143658709214365" "0000AA00", 16},
        PduCase{"AtSignIsSeptetZero", "@", "1", "0011000181F10000AA0100", 10},
        PduCase{"EuroTakesTwoSeptets", "€", "1", "0011000181F10000AA029B32", 11},
        PduCase{"Ucs2ForCyrillic", "Жук", "1", "0011000181F10008AA0604160443043A",15}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SmsPdu, LengthLimitsCountSeptetsAndUcs2Characters) {
    SmsPdu pdu;
    LinkError error;
    ASSERT_TRUE(EncodeSmsSubmit(std::string(160, 'a'), "1", pdu, error));
    EXPECT_EQ(pdu.hex.substr(18, 2), "A0");
    EXPECT_EQ(pdu.hex.size(), 20u + 280u);
    EXPECT_FALSE(EncodeSmsSubmit(std::string(161, 'a'), "1", pdu, error));
    EXPECT_EQ(error.kind, LinkErrorKind::InvalidInput);
    // 159 letters and a euro sign need 161 septets.
    EXPECT_FALSE(EncodeSmsSubmit(std::string(159, 'a') + "€", "1", pdu, error));

    std::string seventy;
    for (int i = 0; i < 70; ++i)
        seventy += "ж";
    EXPECT_TRUE(EncodeSmsSubmit(seventy, "1", pdu, error));
    EXPECT_TRUE(pdu.ucs2);
    EXPECT_FALSE(EncodeSmsSubmit(seventy + "ж", "1", pdu, error));
}

TEST(SmsPdu, RefusesBadInputWithAReason) {
    SmsPdu pdu;
    LinkError error;
    for (const char* destination : {"", "  ", "12a4", "1+2", "++1", "12-34", "123456789012345678901"}) {
        error = {};
        EXPECT_FALSE(EncodeSmsSubmit("Hi", destination, pdu, error)) << destination;
        EXPECT_EQ(error.kind, LinkErrorKind::InvalidInput) << destination;
        EXPECT_FALSE(error.text.empty());
    }
    EXPECT_FALSE(EncodeSmsSubmit("\xC3", "1", pdu, error)) << "truncated UTF-8";
    EXPECT_FALSE(EncodeSmsSubmit("\xF0\x9F\x98\x80", "1", pdu, error)) << "outside the basic plane";
}

struct CharsetCase {
    const char* label;
    Charset charset;
    const char* utf8;
    const char* phone; // nullptr: not representable
};

class CharsetTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetTest, ConvertsBothWays) {
    auto phone = ToPhoneText(GetParam().utf8, GetParam().charset);
    if (!GetParam().phone) {
        EXPECT_FALSE(phone);
        return;
    }
    ASSERT_TRUE(phone);
    EXPECT_EQ(*phone, GetParam().phone);
    EXPECT_EQ(FromPhoneText(*phone, GetParam().charset), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CharsetTest,
    ::testing::Values(
        CharsetCase{"Latin1Umlaut", Charset::Latin1, "Jörg", "J\xF6rg"},
        CharsetCase{"Latin1RefusesEuro", Charset::Latin1, "5€", nullptr},
        CharsetCase{"IraRefusesUmlaut", Charset::Ira, "Jörg", nullptr},
        CharsetCase{"IraPlain", Charset::Ira, "Bob/M", "Bob/M"},
        CharsetCase{"Ucs2Hex", Charset::Ucs2, "Jö", "004A00F6"},
        CharsetCase{"GsmSeptetBytes", Charset::Gsm, "é$", "\x05\x02"},
        CharsetCase{"InvalidUtf8", Charset::Latin1, "\xFF", nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Charset, Ucs2NumbersMayComeUnencoded) {
    EXPECT_EQ(FromPhoneNumber("002B0034", Charset::Ucs2), "+4");
    EXPECT_EQ(FromPhoneNumber("12345678", Charset::Ucs2), "12345678");
    EXPECT_EQ(FromPhoneText("Bob", Charset::Ucs2), "Bob");
}

} // namespace
