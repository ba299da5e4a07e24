// Replies recorded from real phones and modems, replayed by a scripted phone through the whole
// link: each row names the device and where the recording was published. Rows marked
// "reported" reproduce the class of reply described in a bug report without a published
// transcript.
#include "phonelink/smspdu.h"
#include "scriptedphone.h"

namespace {

using namespace scripted;

struct Expected {
    int position;
    std::string number;
    int type;
    std::string name;
};

struct ListingRow {
    const char* label;
    std::string charsets; // the phone's +CSCS test line; 8859-1 is refused when it is not listed
    std::string listing;  // the reply to AT+CPBR=1,20
    std::vector<Expected> entries;
    int unread;
};

void PrintTo(const ListingRow& row, std::ostream* os) { *os << row.label; }

const std::string kLatin = "+CSCS: (\"8859-1\",\"GSM\",\"UCS2\")";
const std::string kUcs2 = "+CSCS: (\"GSM\",\"UCS2\")";
const std::string kGsm = "+CSCS: (\"GSM\",\"IRA\")";

const ListingRow kListings[] = {
    // Nokia 2730, UCS2 mode: empty type, several empty fields at the end (gammu test data,
    // tests/at-getmemory/nokia-2730.dump).
    {"nokia_2730_empty_type_and_trailing_fields", kUcs2,
     "+CPBR: 16,\"\",,\"005300740065007600650020002000560069006E0073006F006E\",,,,,,,\r\n",
     {{16, "", 129, "Steve  Vinson"}}, 0},
    // Motorola in UCS2 mode: the name unquoted, 8-bit hex, a NUL at its end (gammu test data,
    // tests/at-getmemory/ucs2-motorola.dump).
    {"motorola_eight_bit_hex_name", kUcs2,
     "+CPBR: 419,\"030450566735\",129,56697263686F77204B6C696E696B756D2053742E20333100\r\n",
     {{419, "030450566735", 129, "Virchow Klinikum St. 31"}}, 0},
    // Samsung: a line break inside the quoted number, an extra field (gammu test data,
    // tests/at-getmemory/samsung.dump).
    {"samsung_line_break_in_number", kLatin, "+CPBR: 241,\"\n\xA1$_   \",129,\"O2 AsistZahr\",0\r\n",
     {{241, "\xC2\xA1$_   ", 129, "O2 AsistZahr"}}, 0},
    // Samsung P900: a service code as number, extra field (gammu test data,
    // tests/at-getmemory/samsung-p900.dump).
    {"samsung_p900_service_code", kLatin, "+CPBR: 81,\"#121#\",129,\"My Tempo\",0\r\n", {{81, "#121#", 129, "My Tempo"}}, 0},
    // Reported: an empty field between the position and the number; the type from the "+".
    {"reported_empty_field_after_position", kLatin, "+CPBR: 1,,\"+31612345678\",145,\"Anna\"\r\n+CPBR: 2,\"+3170\",,\"Bob\"\r\n",
     {{1, "+31612345678", 145, "Anna"}, {2, "+3170", 145, "Bob"}}, 0},
    // Reported: a call ends (NO CARRIER), the network and indicators report, mid listing.
    {"reported_unsolicited_lines_mid_listing", kLatin,
     "+CPBR: 1,\"1\",129,\"A\"\r\n\r\nNO CARRIER\r\n\r\n+CREG: 1\r\n+CIEV: 2,3\r\n^RSSI: 17\r\nRING\r\n"
     "+CMTI: \"SM\",3\r\n+CPBR: 2,\"2\",129,\"B\"\r\n",
     {{1, "1", 129, "A"}, {2, "2", 129, "B"}}, 0},
    // Reported: GSM mode with the string escapes for a quote and a backslash.
    {"reported_gsm_string_escapes", kGsm, "+CPBR: 3,\"5\",129,\"Say \\22hi\\22 \\5C o/\"\r\n",
     {{3, "5", 129, "Say \"hi\" \\ o/"}}, 0},
    // Hostile: a name holding a line end and OK must neither end the listing nor lose the rest.
    {"hostile_name_holding_ok", kLatin, "+CPBR: 4,\"6\",129,\"x\r\nOK\r\n\"\r\n+CPBR: 5,\"7\",129,\"y\"\r\n",
     {{4, "6", 129, "x\r\nOK\r\n"}, {5, "7", 129, "y"}}, 0},
    // Hostile: positions and types outside their ranges are reported, never dropped silently.
    {"hostile_out_of_range_fields", kLatin,
     "+CPBR: -4,\"1\",129,\"a\"\r\n+CPBR: 4294967296,\"1\",129,\"b\"\r\n+CPBR: 6,\"1\",-129,\"c\"\r\n+CPBR: 7,\"1\",129,\"d\"\r\n",
     {{7, "1", 129, "d"}}, 3},
};

class RecordedListing : public testing::TestWithParam<ListingRow> {};

TEST_P(RecordedListing, ReadsEveryEntryOrSaysHowManyWereNot) {
    const ListingRow& row = GetParam();
    ScriptedPhone phone;
    auto link = Connect(phone);
    bool latin = row.charsets.find("8859-1") != std::string::npos;
    std::vector<Step> steps = Probe(row.charsets);
    steps.push_back({"AT+CSCS=\"8859-1\"", latin ? "\r\nOK\r\n" : "\r\nERROR\r\n"});
    if (!latin)
        steps.push_back({row.charsets == kGsm ? "AT+CSCS=\"GSM\"" : "AT+CSCS=\"UCS2\"", "\r\nOK\r\n"});
    steps.push_back({"AT+CPBS=\"SM\"", "\r\nOK\r\n"});
    steps.push_back({"AT+CPBR=?", "\r\n+CPBR: (1-20),40,18\r\n\r\nOK\r\n"});
    steps.push_back({"AT+CPBR=1,20", "\r\n" + row.listing + "\r\nOK\r\n"});
    phone.Play(steps);
    bool ok = link->ReadStorage("SM");
    phone.Join();
    ASSERT_EQ(phone.received.size(), steps.size()) << "the link stopped early or sent something else";
    EXPECT_EQ(ok, row.unread == 0) << link->LastError().text;
    EXPECT_EQ(link->UnreadLines(kStorageSim), row.unread);
    if (row.unread) {
        EXPECT_EQ(link->LastError().text, std::to_string(row.unread) + " entries could not be read");
    }
    ASSERT_EQ(link->SimEntries().size(), row.entries.size());
    for (size_t i = 0; i < row.entries.size(); ++i) {
        const PhonebookEntry& e = *link->SimEntries()[i];
        EXPECT_EQ(e.position, row.entries[i].position);
        EXPECT_EQ(e.number, row.entries[i].number);
        EXPECT_EQ(e.type, row.entries[i].type);
        EXPECT_EQ(e.name, row.entries[i].name);
    }
}

INSTANTIATE_TEST_SUITE_P(Device, RecordedListing, testing::ValuesIn(kListings),
                         [](const testing::TestParamInfo<ListingRow>& info) { return std::string(info.param.label); });

// Set-up and framing exchanges that are not listings.
TEST(RecordedSession, IdentityWithUnsolicitedLineAndCharsetsWithoutParentheses) {
    ScriptedPhone phone;
    auto link = Connect(phone);
    // SIMCom modem: "+CGMI" answered without prefix, "SMS Ready" arriving on its own (transcript in
    // espressif/esp-protocols issue #406).
    std::vector<Step> steps = Probe("+CSCS: \"IRA\",\"GSM\",\"UCS2\"");
    steps[2].reply = "\r\nSIMCOM_Ltd\r\n\r\nOK\r\n\r\nSMS Ready\r\n";
    steps.push_back({"AT+CSCS=\"8859-1\"", "\r\nERROR\r\n"});
    steps.push_back({"AT+CSCS=\"UCS2\"", "\r\nOK\r\n"});
    steps.push_back({"AT+CPBS=\"SM\"", "\r\nOK\r\n"});
    // Reported: a modem refusing a listing of 100 positions with its own error report, then
    // taking half as many per command.
    steps.push_back({"AT+CPBR=?", "\r\n+CPBR: (1-100),40,18\r\n\r\nOK\r\n"});
    steps.push_back({"AT+CPBR=1,100", "\r\nMODEM ERROR: 3\r\n"});
    steps.push_back({"AT+CPBR=1,50", "\r\nOK\r\n"});
    steps.push_back({"AT+CPBR=51,100", "\r\n+CPBR: 60,\"0031\",129,\"00410042\"\r\n\r\nOK\r\n"});
    phone.Play(steps);
    ASSERT_TRUE(link->ReadStorage("SM")) << link->LastError().text;
    phone.Join();
    EXPECT_EQ(link->Session().manufacturer, "SIMCOM_Ltd");
    EXPECT_EQ(link->Session().charsets, (std::vector<std::string>{"IRA", "GSM", "UCS2"}));
    ASSERT_EQ(link->SimEntries().size(), 1u);
    EXPECT_EQ(link->SimEntries()[0]->name, "AB");
    EXPECT_EQ(ErrorFromFinalLine("MODEM ERROR: 3").text, "the modem refused the command (modem error 3)");
}

TEST(RecordedSession, BareOkToTheCharsetQueryTriesEverySetAndAPromptWithLineEnd) {
    ScriptedPhone phone;
    auto link = Connect(phone);
    // Reported: a phone that answers AT+CSCS=? with a bare OK and refuses AT+CMEE=1, left in text
    // mode, whose prompt is followed by CR LF.
    std::vector<Step> steps = Probe("");
    steps[1].reply = "\r\nERROR\r\n"; // AT+CMEE=1
    steps.push_back({"AT+CSCS=\"8859-1\"", "\r\nERROR\r\n"});
    steps.push_back({"AT+CSCS=\"UCS2\"", "\r\nERROR\r\n"});
    steps.push_back({"AT+CSCS=\"GSM\"", "\r\nOK\r\n"});
    steps.push_back({"AT+CPBS=\"SM\"", "\r\nOK\r\n"});
    steps.push_back({"AT+CPBR=?", "\r\n+CPBR: (1-5),40,18\r\n\r\nOK\r\n"});
    steps.push_back({"AT+CPBR=1,5", "\r\nOK\r\n"});
    phone.Play(steps);
    ASSERT_TRUE(link->ReadStorage("SM")) << link->LastError().text;
    phone.Join();
    EXPECT_EQ(link->CurrentCharset(), Charset::Gsm);
    EXPECT_FALSE(link->Session().extendedErrors);
    EXPECT_EQ(link->Session().refused, (std::vector<std::string>{"AT+CMEE=1"}));

    ScriptedPhone sms;
    auto smsLink = Connect(sms);
    SmsPdu pdu;
    LinkError error;
    ASSERT_TRUE(EncodeSmsSubmit("Hi", "+31612345678", pdu, error));
    std::vector<Step> smsSteps = Probe();
    smsSteps.push_back({"AT+CMGF=0", "\r\nOK\r\n"});
    smsSteps.push_back({"AT+CMGS=" + std::to_string(pdu.tpduLength), "\r\n> \r\n\r\n+CIEV: 2,4\r\n"});
    smsSteps.push_back({pdu.hex + "\x1A", "\r\n+CMGS: 42\r\n\r\nOK\r\n"});
    sms.Play(smsSteps);
    ASSERT_TRUE(smsLink->SendSms("Hi", "+31612345678")) << smsLink->LastError().text;
    sms.Join();
    EXPECT_EQ(smsLink->LastMessageReference(), 42);
}

TEST(RecordedSession, MelodyWriteFallsBackToTheTwoFieldForm) {
    ScriptedPhone phone;
    auto link = Connect(phone);
    // Reported: a phone whose melody write takes only AT*ESOM=i,"text".
    std::vector<Step> steps = Probe();
    steps.push_back({"AT*ESOM?", "\r\n*ESOM: 1,\"c4\",0\r\n\r\nOK\r\n"});
    steps.push_back({"AT*ESOM=1,\"d4e4\",0", "\r\nERROR\r\n"});
    steps.push_back({"AT*ESOM=1,\"d4e4\"", "\r\nOK\r\n"});
    phone.Play(steps);
    ASSERT_TRUE(link->ReadMelodies()) << link->LastError().text;
    ASSERT_TRUE(link->WriteMelody(link->Melodies()[0].get(), "d4e4")) << link->LastError().text;
    phone.Join();
    EXPECT_EQ(link->Melodies()[0]->text, "d4e4");
}

} // namespace
