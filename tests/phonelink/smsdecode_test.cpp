// SMS PDUs recorded from real phones and operators, decoded field by field. Each row names its
// source: oFono's unit/test-sms.c, gammu's tests/at-sms/NN.dump (AT+CMGR replies collected from
// users' logs), or a PDU that gammu's own encoder (python3-gammu EncodePDU) produced.
#include <gtest/gtest.h>

#include "phonelink/smsdecode.h"
#include "smspdu_corpus.h"

namespace {

struct Expected {
    SmsKind kind;
    const char* serviceCentre;
    const char* number;
    int typeOfAddress, dataCodingScheme, messageClass;
    const char* time;      // ISO 8601, "" when absent
    int messageReference;  // -1 when the kind has none
    bool reportRequested;
    const char* text;
    std::optional<SmsConcat> concat = std::nullopt;
    std::optional<std::pair<int, int>> ports = std::nullopt;
    size_t dataSize = 0;
    const char* discharge = ""; // status reports
    int status = -1;
};

struct DecodeCase {
    const RecordedPdu* pdu;
    Expected want;
};

class SmsDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(SmsDecodeTest, EveryField) {
    const auto& [pdu, want] = GetParam();
    DecodedSms sms;
    LinkError error;
    ASSERT_TRUE(DecodeSmsPdu(pdu->hex, pdu->tpduLength, sms, error)) << error.text;
    EXPECT_EQ(sms.kind, want.kind);
    EXPECT_EQ(sms.serviceCentre, want.serviceCentre);
    EXPECT_EQ(sms.number, want.number);
    EXPECT_EQ(sms.typeOfAddress, want.typeOfAddress);
    EXPECT_EQ(sms.dataCodingScheme, want.dataCodingScheme);
    EXPECT_EQ(sms.messageClass, want.messageClass);
    EXPECT_EQ(sms.time ? ToIso8601(*sms.time) : "", want.time);
    EXPECT_EQ(sms.messageReference, want.messageReference);
    EXPECT_EQ(sms.statusReportRequested, want.reportRequested);
    EXPECT_EQ(sms.text, want.text);
    EXPECT_EQ(sms.concat, want.concat);
    EXPECT_EQ(sms.ports, want.ports);
    EXPECT_EQ(sms.data.size(), want.dataSize);
    EXPECT_EQ(sms.dischargeTime ? ToIso8601(*sms.dischargeTime) : "", want.discharge);
    EXPECT_EQ(sms.status, want.status);
}

const char* kUnicodeText = "ÜüÄäÖöÅåØøÆæÇçÉéÊêß1234567890 This message is 63 unicode chars.";

INSTANTIATE_TEST_SUITE_P(
    Recorded, SmsDecodeTest,
    ::testing::Values(
        DecodeCase{&kOfonoSimpleDeliver,
                   {SmsKind::Deliver, "+31624000000", "+31641600986", 0x91, 0, -1,
                    "2002-08-26T19:37:41-01:00", -1, false, "How are you?"}},
        DecodeCase{&kOfonoAlphanumericSender,
                   {SmsKind::Deliver, "+447785016005", "sipgate", 0xD0, 0, -1,
                    "2008-08-13T12:07:22+01:00", -1, false, "Testmail"}},
        DecodeCase{&kOfonoUnicodeDeliver,
                   {SmsKind::Deliver, "999999", "äääääääääöä", 0xD0, 0x19, 1,
                    "2015-02-09T08:31:16+02:00", -1, false, kUnicodeText}},
        DecodeCase{&kOfonoSimpleSubmit,
                   {SmsKind::Submit, "", "+46708251358", 0x91, 0, -1, "", 0, false, "hellohello"}},
        DecodeCase{&kGammuConcatenatedPart,
                   {SmsKind::Deliver, "+420602909909", "+420724797276", 0x91, 0, -1,
                    "2007-01-07T13:01:47+01:00", -1, false,
                    "Ahoj pavle, tak me vcera nikdo neokradl, ani neznasilnil a kupodivu jsem ani "
                    "neusnula, ac tomu moc neschazelo:). Ted se chystam pracovat a mozna i na to ",
                    SmsConcat{1, 2, 1, false}}},
        DecodeCase{&kGammuWapPushClass1,
                   {SmsKind::Deliver, "+32475161616", "+11476124010", 0x91, 0xF5, 1,
                    "2017-03-29T09:43:26+02:00", -1, false, "", std::nullopt,
                    std::pair<int, int>(2948, 9200), 127}},
        DecodeCase{&kGammuSubmitReportRequested,
                   {SmsKind::Submit, "+79168999100", "+79168024812", 0x91, 0xF1, 1, "", 0, true, "Test"}},
        DecodeCase{&kGammuEmojiLongSubmit,
                   {SmsKind::Submit, "+491710760000", "+4915112345678", 0x91, 8, -1, "", 0, false,
                    "Hi 😀 Hi 😀 Hi 😀 Hi 😀 Hi 😀 Hi 😀 Hi 😀 Hi 😀 Hi 😀 Hi 😀 Hi 😀 ",
                    SmsConcat{0x11A4, 2, 1, true}}},
        DecodeCase{&kGammuStatusReportAustralia,
                   {SmsKind::StatusReport, "+61418706700", "+61439012244", 0x91, 0, -1,
                    "2010-09-17T10:01:00+10:00", 6, false, "", std::nullopt, std::nullopt, 0,
                    "2010-09-17T10:01:54+10:00", 0}},
        DecodeCase{&kGammuStatusReportNational,
                   {SmsKind::StatusReport, "+420602909909", "602396602", 0x81, 0, -1,
                    "2012-02-14T10:55:45+01:00", 180, false, "", std::nullopt, std::nullopt, 0,
                    "2012-02-14T10:55:50+01:00", 0}}),
    [](const auto& info) { return std::string(info.param.pdu->label); });

// Every way a PDU can be broken ends in a sentence, never a crash or a half-filled record.
TEST(SmsDecode, RefusesBrokenPdusWithASentence) {
    const std::pair<const char*, int> broken[] = {
        {"", -1},
        {"0", -1},                                 // odd digit count
        {"ZZ", -1},                                // not hex
        {"0C91", -1},                              // service centre longer than allowed
        {"00", -1},                                // nothing after the service centre
        {"0003", -1},                              // reserved message type
        {"00040B91", -1},                          // ends inside the originator
        {"0004039121F300000000000000000005C8329BFD", -1}, // zero month
        {"0004039121F30000201080121212000AC8329BFD", -1}, // user data length says more
        {"0004039121F30000201080121212000102C8", -1},     // longer than its user data length
        {"0044039121F300002010801212120005FFC8329BFD", -1}, // header claims more than it holds
        {"0004039121F300082010801212120003D83DDE", -1},    // odd UCS2
        {"0004039121F300082010801212120002D83D", -1},      // lone surrogate
        {"0004039121F300202010801212120001C8", -1},        // compressed
        {"0004039121F30000201080121212000101", 5},         // announced length differs
    };
    for (const auto& [hex, length] : broken) {
        DecodedSms sms;
        sms.number = "untouched";
        LinkError error;
        EXPECT_FALSE(DecodeSmsPdu(hex, length, sms, error)) << hex;
        EXPECT_FALSE(error.text.empty()) << hex;
        EXPECT_EQ(sms.number, "untouched") << hex;
    }
}

TEST(SmsDecode, SimPaddingAfterTheAnnouncedLengthIsDropped) {
    DecodedSms sms;
    LinkError error;
    // The same status report as gammu's 38.dump, with the FF padding of a SIM record after it.
    ASSERT_TRUE(DecodeSmsPdu(std::string(kGammuStatusReportNational.hex) + "FFFFFFFF",
                             kGammuStatusReportNational.tpduLength, sms, error)) << error.text;
    EXPECT_EQ(sms.number, "602396602");
}

TEST(SmsDecode, StatusTexts) {
    EXPECT_EQ(DescribeStatus(0x00), "delivered");
    EXPECT_EQ(DescribeStatus(0x21), "pending: the recipient is busy");
    EXPECT_EQ(DescribeStatus(0x46), "failed: the message expired");
    EXPECT_EQ(DescribeStatus(0x62), "failed: no response from the recipient, the service centre gave up");
    EXPECT_EQ(DescribeStatus(0xFF), "failed: unknown status 255");
}

} // namespace
