// Message-storage replies (+CMGL, +CMGR, +CPMS, +CMTI/+CDS) as phones and modems wrote them; each
// row names where the reply was recorded.
#include <gtest/gtest.h>

#include "phonelink/replyframer.h"
#include "phonelink/smslisting.h"

namespace {

// python-gsmmodem, test/test_modem.py (the generic fake modem's PDU-mode listing).
const char kGsmModemPdu0[] =
    "07917248014000F3240B917247587706F400003110824115248012C8329BFD06C9C373B8B82C97E741F034";
const char kGsmModemPdu2[] =
    "07917248010080F0240B917248001064F30000312070604220809F537AD84D0ECBC92061D8BDD681B2EFBA1C141E8F"
    "DF75377D0E0ACBCB20F71BC47EBBCF6539C8981C0641E3771BCE4E87DD741708CA2E87E76590589E769F414922C804"
    "82CBDF6F33E86D06C9CBF334B9EC1E9741F43728ECCE83C4F2B07B8C06D1DF2079393CA6A7ED617A19947FD7E5A0F0"
    "78FCAEBBE97317285A2FCBD3E5F90F04C3D96030D88C2693B900";
// vmc (Vodafone Mobile Connect), the ZTE Icera plugin's recorded listing: the alpha field holds
// the sender's phone-book name as hex.
const char kIceraPdu[] = "0791447758100650040C9144977162470100009011503195310004D436390C";

struct Listed {
    int index, stat, length;
    std::string pdu;
};

struct CmglCase {
    const char* label;
    std::string reply;
    std::vector<Listed> messages;
    std::vector<std::string> reasons; // of the rejected headers, in order
};

class CmglListing : public ::testing::TestWithParam<CmglCase> {};

TEST_P(CmglListing, KeepsEveryMessageAndSaysWhyALineGaveNone) {
    SmsListing listing = parseCmglListing(GetParam().reply, "SM");
    ASSERT_EQ(listing.messages.size(), GetParam().messages.size());
    for (size_t i = 0; i < listing.messages.size(); ++i) {
        const StoredSms& got = listing.messages[i];
        const Listed& want = GetParam().messages[i];
        EXPECT_EQ(got.storage, "SM");
        EXPECT_EQ(got.index, want.index) << i;
        EXPECT_EQ(got.stat, want.stat) << i;
        EXPECT_EQ(got.tpduLength, want.length) << i;
        EXPECT_EQ(got.pduHex, want.pdu) << i;
    }
    ASSERT_EQ(listing.rejected.size(), GetParam().reasons.size());
    for (size_t i = 0; i < listing.rejected.size(); ++i)
        EXPECT_NE(listing.rejected[i].reason.find(GetParam().reasons[i]), std::string::npos)
            << listing.rejected[i].reason;
}

const std::string kPdu0 = kGsmModemPdu0, kPdu2 = kGsmModemPdu2, kIcera = kIceraPdu;

INSTANTIATE_TEST_SUITE_P(
    Recorded, CmglListing,
    ::testing::Values(
        // Indexes from 0, empty alpha field, echo before the listing.
        CmglCase{"GsmModemFromZero",
                 "AT+CMGL=4\r\r\n+CMGL: 0,0,,35\r\n" + kPdu0 + "\r\n+CMGL: 2,1,,159\r\n" + kPdu2 +
                     "\r\nOK\r\n",
                 {{0, 0, 35, kPdu0}, {2, 1, 159, kPdu2}},
                 {}},
        // python-gsmmodem's robustness row: a garbage line between a header and its PDU.
        CmglCase{"GsmModemGarbageLine",
                 "+CMGL: 0,0,,35\r\nAFSDLF SDKFJSKDLFJLKSDJF SJDLKFSKLDJFKSDFS\r\n" + kPdu0 +
                     "\r\nOK\r\n",
                 {{0, 0, 35, kPdu0}},
                 {}},
        CmglCase{"IceraHexAlpha",
                 "\r\n+CMGL: 1,1,\"616E64726577\",23\r\n" + kIcera + "\r\n\r\nOK\r\n",
                 {{1, 1, 23, kIcera}},
                 {}},
        // Constructed from 27.005's syntax: a quoted alpha with a comma inside, lower-case hex,
        // a phone that leaves the length out, a +CMTI between a header and its PDU.
        CmglCase{"AlphaWithCommaLowerCaseHex",
                 "+CMGL: 4,3,\"Doe, Jane\",23\r\n" +
                     std::string("0791447758100650040c9144977162470100009011503195310004d436390c") +
                     "\r\n+CMGL: 5,1\r\n" + kIcera + "\r\n+CMGL: 6,0,,23\r\n+CMTI: \"SM\",7\r\n" +
                     kIcera + "\r\nOK\r\n",
                 {{4, 3, 23, kIcera}, {5, 1, -1, kIcera}, {6, 0, 23, kIcera}},
                 {}},
        // A listing cut by a hang-up: the last header's PDU never came, and no final line.
        CmglCase{"CutByHangup",
                 "+CMGL: 1,1,,35\r\n" + kPdu0 + "\r\n+CMGL: 2,1,,35\r\n",
                 {{1, 1, 35, kPdu0}},
                 {"cut off"}},
        // +CMS ERROR in the middle (a SIM that failed during the read).
        CmglCase{"CmsErrorMidway",
                 "+CMGL: 1,1,,35\r\n" + kPdu0 + "\r\n+CMGL: 2,1,,35\r\n+CMS ERROR: 500\r\n",
                 {{1, 1, 35, kPdu0}},
                 {"ended before"}},
        CmglCase{"MalformedHeaders",
                 "+CMGL: x,1,,35\r\n" + kPdu0 + "\r\n+CMGL: 3,7,,35\r\n" + kPdu0 +
                     "\r\n+CMGL: 4,1,,zz\r\n" + kPdu0 + "\r\n+CMGL: 5,1,,35\r\n+CMGL: 6,1,,35\r\n" +
                     kPdu0 + "\r\nOK\r\n",
                 {{6, 1, 35, kPdu0}},
                 {"index", "status", "length", "no PDU line"}},
        CmglCase{"Empty", "AT+CMGL=4\r\r\nOK\r\n", {}, {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CmgrReply, RecordedReadsAndAnEmptySlot) {
    // gammu tests/at-sms/21.dump (AT+CMGR=1 on a phone that leaves the alpha empty).
    auto sms = parseCmgrReply(
        "AT+CMGR=1\n+CMGR: 1,,78\n0791836027201111040C918390276576880000701192908285800133\nOK\n",
        "ME", 1);
    ASSERT_TRUE(sms);
    EXPECT_EQ(*sms, (StoredSms{"ME", 1, 1, 78,
                               "0791836027201111040C918390276576880000701192908285800133"}));
    // python-gsm's mock port rows: a quoted empty alpha.
    sms = parseCmgrReply("+CMGR: 0,\"\",35\r\n" + kPdu0 + "\r\nOK\r\n", "SM", 9);
    ASSERT_TRUE(sms);
    EXPECT_EQ(sms->stat, 0);
    EXPECT_EQ(sms->tpduLength, 35);
    EXPECT_FALSE(parseCmgrReply("OK\r\n", "SM", 3)) << "an empty position answers with OK alone";
    EXPECT_FALSE(parseCmgrReply("+CMGR: 1,,35\r\nOK\r\n", "SM", 3));
}

TEST(Cpms, TestReadAndSelectReplies) {
    using Names = std::vector<std::vector<std::string>>;
    // gnokii common/phones/atgen.c, its comments on what phones answer to AT+CPMS=?.
    EXPECT_EQ(
        parseCpmsTest("AT+CPMS=?\r\n+CPMS: (\"ME\",\"SM\"),(\"ME\",\"SM\"),(\"MT\")\r\n\r\nOK\r\n"),
        (Names{{"ME", "SM"}, {"ME", "SM"}, {"MT"}}))
        << "Nokia 6230i";
    EXPECT_EQ(parseCpmsTest("+CPMS: "
                            "(\"ME\",\"MT\",\"SM\",\"SR\"),(\"ME\",\"MT\",\"SM\",\"SR\"),(\"ME\","
                            "\"MT\",\"SM\",\"SR\")\r\n"
                            "\r\nOK\r\n")[0],
              (std::vector<std::string>{"ME", "MT", "SM", "SR"}))
        << "Samsung SHG-L760";
    // python-gsmmodem's SIMCOM SIM7600 replies.
    EXPECT_EQ(
        parseCpmsTest(
            "+CPMS: (\"ME\",\"MT\",\"SM\",\"SR\"),(\"ME\",\"MT\",\"SM\"),(\"ME\",\"SM\")\r\nOK\r\n")
            [2],
        (std::vector<std::string>{"ME", "SM"}));
    EXPECT_EQ(parseCpmsSelect("+CPMS: 3,23,0,100,0,100\r\nOK\r\n"),
              (std::vector<SmsStorageUse>{{"", 3, 23}, {"", 0, 100}, {"", 0, 100}}));
    // Constructed: a phone with one role and bare names.
    EXPECT_EQ(parseCpmsTest("+CPMS: \"SM\",\"ME\"\r\nOK\r\n"), (Names{{"SM"}, {"ME"}}));

    EXPECT_EQ(parseCpmsRead("+CPMS: \"SM\",8,10,\"ME\",0,100,\"SM\",8,10\r\nOK\r\n"),
              (std::vector<SmsStorageUse>{{"SM", 8, 10}, {"ME", 0, 100}, {"SM", 8, 10}}));
    // Huawei modems name the combined storage for receiving.
    EXPECT_EQ(parseCpmsRead("+CPMS: \"SM\",1,50,\"SM\",1,50,\"MT\",1,50\r\nOK").back(),
              (SmsStorageUse{"MT", 1, 50}));
    EXPECT_TRUE(parseCpmsRead("+CPMS: (\"SM\"),(\"SM\"),(\"SM\")\r\nOK\r\n").empty())
        << "a test reply is no use";
    EXPECT_TRUE(parseCpmsRead("+CMS ERROR: 310\r\n").empty());

    SmsStorageUse full{"SM", 10, 10};
    EXPECT_TRUE(full.Full());
    EXPECT_FALSE((SmsStorageUse{"ME", 0, 0}).Full()) << "an unknown size is not full";
    EXPECT_EQ(DescribeStorageUse({"SM", 8, 10}), "SIM 8 of 10");
    EXPECT_EQ(DescribeStorageUse({"ME", 0, 100}), "phone 0 of 100");
    EXPECT_EQ(StorageFullSentence(full).substr(0, 47),
              "the SIM's message storage is full (10 of 10): n");
}

TEST(SmsNotices, IndicationLinesAndTheFramerKeepingTheirPduLine) {
    using K = SmsNotice::Kind;
    EXPECT_EQ(parseSmsNotice("+CMTI: \"SM\",3"), (SmsNotice{K::NewMessage, "SM", 3, -1, ""}));
    EXPECT_EQ(parseSmsNotice("+CMTI: \"ME\", 12"), (SmsNotice{K::NewMessage, "ME", 12, -1, ""}));
    EXPECT_EQ(parseSmsNotice("+CDSI: \"SR\",2"),
              (SmsNotice{K::StatusReportStored, "SR", 2, -1, ""}));
    EXPECT_EQ(parseSmsNotice("+CDS: 25", "07911326040011F006270B913126121212F1"),
              (SmsNotice{K::StatusReport, "", -1, 25, "07911326040011F006270B913126121212F1"}));
    EXPECT_FALSE(parseSmsNotice("+CDS: 25")) << "its PDU line has not come";
    EXPECT_FALSE(parseSmsNotice("+CDS: 6,1,\"+3112\",145")) << "text mode";
    EXPECT_FALSE(parseSmsNotice("+CMTI: SM"));
    EXPECT_FALSE(parseSmsNotice("+CREG: 1"));

    // During a command, the PDU line of a +CDS is the indication's, not an answer line; after the
    // result every line is unsolicited anyway.
    CReplyFramer framer("AT+CPMS?");
    framer.Feed(
        "AT+CPMS?\r\r\n+CDS: 25\r\n0791AB\r\n+CPMS: \"SM\",1,10\r\nOK\r\n+CMTI: \"SM\",2\r\n");
    EXPECT_TRUE(framer.Succeeded());
    EXPECT_EQ(framer.Unsolicited(),
              (std::vector<std::string>{"+CDS: 25", "0791AB", "+CMTI: \"SM\",2"}));
    EXPECT_FALSE(framer.TailPending());

    // A header right behind the result leaves its PDU line pending, so the link reads on for it;
    // a read that goes on from such a header takes its first line as the PDU.
    CReplyFramer send("");
    send.Feed("+CMGS: 7\r\nOK\r\n\r\n+CD");
    EXPECT_TRUE(send.Succeeded());
    EXPECT_TRUE(send.TailPending()) << "a line cut after the result";
    send.Feed("S: 25\r\n");
    EXPECT_TRUE(send.TailPending()) << "the header without its PDU line";
    send.Feed("0791AB\r\n");
    EXPECT_FALSE(send.TailPending());
    CReplyFramer later;
    later.ExpectPduLine();
    later.Feed("0791AB\r\n+CMTI: \"SM\",3\r\n");
    EXPECT_EQ(later.Unsolicited(), (std::vector<std::string>{"0791AB", "+CMTI: \"SM\",3"}));
}

} // namespace
