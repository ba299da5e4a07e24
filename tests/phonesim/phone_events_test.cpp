// What the phone says unasked: new messages, status reports, registration changes, heard by
// every session that asked for them and only by those.
#include <gtest/gtest.h>

#include "phonesim/phone.h"
#include "phonesim/smsencode.h"
#include "phonesim/smspdu.h"

using namespace phonesim;

namespace {

const char kDeliverHi[] = "07919471016700F0" "04" "0791942143F5" "0000" "62208090000000" "02C834";

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
    EXPECT_FALSE(t.phone->DeliverPdu("0011000381" "21F3" "0000AA" "02C834", &error));
    EXPECT_NE(error.find("not an SMS-DELIVER"), std::string::npos) << error;
    EXPECT_TRUE(t.phone->DeliverPdu(kDeliverHi, &error));
    EXPECT_FALSE(t.phone->DeliverPdu(kDeliverHi, &error));
    EXPECT_EQ(error, "message storage SM is full");
    EXPECT_EQ(t.phone->Snapshot().smsSim.messages.size(), 1u);
}

TEST(PhoneEvents, StatusReportFollowsTheReply) {
    TwoSessions t;
    // First octet 0x31: SUBMIT, relative validity, status report requested.
    auto out = t.listening->Feed(std::string("AT+CMGS=12\r") + "0031000381" "21F3" "0000AA" "02C834" "\x1A");
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
std::ostream& operator<<(std::ostream& os, const LongText& t) { return os << t.label; }
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
                         [](const testing::TestParamInfo<LongText>& i) { return std::string(i.param.label); });

} // namespace
