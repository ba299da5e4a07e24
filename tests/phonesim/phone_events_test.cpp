// What the phone says unasked: new messages, status reports, registration changes, heard by
// every session that asked for them and only by those.
#include <gtest/gtest.h>

#include "phonesim/control.h"
#include "phonesim/phone.h"
#include "phonesim/smsencode.h"
#include "phonesim/smspdu.h"

using namespace phonesim;

namespace {

const char kDeliverHi[] = "07919471016700F0"
                          "04"
                          "0791942143F5"
                          "0000"
                          "62208090000000"
                          "02C834";

struct TwoSessions {
    std::shared_ptr<Phone> phone = Phone::Create(PhoneState::Empty());
    std::unique_ptr<PhoneSession> listening = phone->OpenSession();
    std::unique_ptr<PhoneSession> quiet = phone->OpenSession();
    TwoSessions() {
        listening->Feed("ATE0\rAT+CNMI=2,1,0,1,0;+CREG=1\r");
        quiet->Feed("ATE0\r");
    }
};

TEST(PhoneEvents, NewMessageIsStoredAndIndicated) {
    TwoSessions t;
    std::string error;
    int index = 0;
    ASSERT_TRUE(t.phone->DeliverPdu(kDeliverHi, &error, &index)) << error;
    EXPECT_EQ(index, 1);
    EXPECT_EQ(t.listening->TakeUnsolicited(), "\r\n+CMTI: \"SM\",1\r\n");
    EXPECT_EQ(t.quiet->TakeUnsolicited(), "");
    EXPECT_EQ(t.phone->Snapshot().smsSim.messages.at(1).status, MessageStatus::ReceivedUnread);
    // +CNMI mt=2 shows the message itself.
    t.quiet->Feed("AT+CNMI=2,2\r");
    ASSERT_TRUE(t.phone->DeliverPdu(kDeliverHi, &error));
    EXPECT_EQ(t.quiet->TakeUnsolicited(), std::string("\r\n+CMT: ,19\r\n") + kDeliverHi + "\r\n");
}

TEST(PhoneEvents, DeliveryRefusesBadPdusAndAFullStorage) {
    TwoSessions t;
    t.phone->Modify([](PhoneState& s) { s.smsSim.size = 1; });
    std::string error;
    EXPECT_FALSE(t.phone->DeliverPdu("0011000381"
                                     "21F3"
                                     "0000AA"
                                     "02C834",
                                     &error));
    EXPECT_NE(error.find("not an SMS-DELIVER"), std::string::npos) << error;
    EXPECT_TRUE(t.phone->DeliverPdu(kDeliverHi, &error));
    EXPECT_FALSE(t.phone->DeliverPdu(kDeliverHi, &error));
    EXPECT_EQ(error, "message storage SM is full");
    EXPECT_EQ(t.phone->Snapshot().smsSim.messages.size(), 1u);
}

TEST(PhoneEvents, StatusReportFollowsTheReply) {
    TwoSessions t;
    // First octet 0x31: SUBMIT, relative validity, status report requested.
    auto out = t.listening->Feed(std::string("AT+CMGS=12\r") + "0031000381"
                                                               "21F3"
                                                               "0000AA"
                                                               "02C834"
                                                               "\x1A");
    EXPECT_EQ(out.bytes.substr(0, 36), "\r\n> \r\n+CMGS: 1\r\n\r\nOK\r\n\r\n+CDS: 21\r\n07");
    EXPECT_EQ(t.quiet->TakeUnsolicited(), "");
}

TEST(PhoneEvents, RegistrationChangeIsHeardWithCregOn) {
    TwoSessions t;
    NetworkStatus roaming;
    roaming.registration = 5;
    t.phone->SetNetwork(roaming);
    EXPECT_EQ(t.listening->TakeUnsolicited(), "\r\n+CREG: 5\r\n");
    EXPECT_EQ(t.quiet->TakeUnsolicited(), "");
    t.phone->SetNetwork(roaming); // no change, no word
    EXPECT_EQ(t.listening->TakeUnsolicited(), "");
}

struct LongText {
    const char* label;
    std::string text;
    size_t parts;
};
std::ostream& operator<<(std::ostream& os, const LongText& t) {
    return os << t.label;
}
class LongTexts : public testing::TestWithParam<LongText> {};

TEST_P(LongTexts, ArriveAsConcatenatedPartsThatJoinBack) {
    const LongText& c = GetParam();
    DeliverSpec spec;
    spec.originator = "+4912345";
    spec.time = 1765000000;
    std::vector<std::string> pdus = EncodeDeliverParts(spec, c.text, 42);
    ASSERT_EQ(pdus.size(), c.parts);
    std::string joined;
    for (size_t k = 0; k < pdus.size(); ++k) {
        DeliverPdu d;
        std::string error;
        ASSERT_TRUE(DecodeDeliverPdu(pdus[k], TpduLength(pdus[k]), &d, &error)) << error;
        EXPECT_EQ(d.originator, "4912345");
        Concatenation part;
        if (c.parts > 1) {
            ASSERT_TRUE(FindConcatenation(d.userDataHeader, &part));
            EXPECT_EQ(part.reference, 42);
            EXPECT_EQ(part.total, static_cast<int>(c.parts));
            EXPECT_EQ(part.sequence, static_cast<int>(k + 1));
        }
        joined += d.text;
    }
    EXPECT_EQ(joined, c.text);
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

const LongText kLongTexts[] = {
    {"short_gsm", "Hi there", 1},
    {"gsm_160_in_one", std::string(160, 'x'), 1},
    {"gsm_161_in_two", std::string(161, 'x'), 2},
    {"escape_pair_not_cut", std::string(152, 'x') + "{" + std::string(10, 'y'), 2},
    {"ucs2_70_in_one", Repeat("\xD0\x96", 70), 1},
    {"ucs2_71_in_two", Repeat("\xD0\x96", 71), 2},
    {"surrogate_pair_not_cut", Repeat("\xD0\x96", 66) + "\xF0\x9F\x98\x80" + "zzzz", 2},
};
INSTANTIATE_TEST_SUITE_P(Sms, LongTexts, testing::ValuesIn(kLongTexts),
                         [](const testing::TestParamInfo<LongText>& i) {
                             return std::string(i.param.label);
                         });

// The control interface, one command and its reply per row, then what the phone holds.
TEST(ControlCommands, DeliverAndSteerTheNetwork) {
    auto phone = Phone::Create(PhoneState::Empty());
    ControlCommands control(phone);
    const std::string longText(200, 'L'); // two parts
    const std::string threeParts(400, 'T');
    struct {
        std::string command, reply;
    } const rows[] = {
        {"deliver +4912345 Hello there", "OK stored SM 1"},
        {"deliver " + std::string("+4912345 ") + longText, "OK stored SM 2,3"},
        {"deliver-parts +4912345 3,1,2 " + threeParts, "OK stored SM 4,5,6"},
        {"deliver-parts +4912345 1,3 " + threeParts, "OK stored SM 7,8"},
        {"deliver-parts +4912345 1,1,2 " + threeParts,
         "ERROR the order must name parts 1 to 3, each once"},
        {std::string("deliver-pdu ") + kDeliverHi, "OK stored SM 9"},
        {"deliver-pdu 0011000381", "ERROR not an SMS-DELIVER PDU: not an SMS-DELIVER"},
        {"deliver 12ab hi",
         "ERROR the sender must be a number of up to 20 digits, '+' first if international"},
        {"deliver +49", "ERROR usage: deliver FROM TEXT"},
        {"network 5 10 40", "OK"},
        {"network 7", "ERROR usage: network STAT(0-5) [SIGNAL(0-31,99) [BATTERY(0-100)]]"},
        {"explode", "ERROR unknown command \"explode\" (try help)"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(control.Run(row.command), row.reply) << row.command.substr(0, 40);
    PhoneState s = phone->Snapshot();
    EXPECT_EQ(s.smsSim.messages.size(), 9u);
    EXPECT_EQ(s.network.registration, 5);
    EXPECT_EQ(s.network.battery, 40);
    // The part stored at position 4 is part 3 of 3.
    DeliverPdu d;
    ASSERT_TRUE(DecodeDeliverPdu(s.smsSim.messages.at(4).pduHex, -1, &d, nullptr));
    Concatenation part;
    ASSERT_TRUE(FindConcatenation(d.userDataHeader, &part));
    EXPECT_EQ(part.sequence, 3);
    EXPECT_EQ(part.total, 3);
}

TEST(ControlServer, AnswersOnItsSocket) {
    auto phone = Phone::Create(PhoneState::Empty());
    ControlServer server(phone);
    char dir[] = "/tmp/phonesim-control-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/control";
    std::string error, reply;
    ASSERT_TRUE(server.Start(path, &error)) << error;
    ASSERT_TRUE(SendControlCommand(path, "deliver +4912345 Hi", &reply)) << reply;
    EXPECT_EQ(reply, "OK stored SM 1");
    server.Stop();
    rmdir(dir);
}

} // namespace
