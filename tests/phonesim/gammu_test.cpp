// gammu (Debian package gammu, installed by scripts/setup.sh) against harlune-phonesim on a
// pty, as a user of that tool would point it at a phone: connection at19200. Each row runs one
// gammu command, which must exit 0, and then checks what the phone's saved state shows.
#include <gtest/gtest.h>

#include <fstream>

#include "peerrig.h"
#include "phonesim/smspdu.h"

using namespace phonesim;

namespace {

// A received message and a stored draft in the SIM storage.
const char kDeliverHi[] = "07919471016700F0"
                          "04"
                          "0791942143F5"
                          "0000"
                          "62208090000000"
                          "02C834";

PhoneState Seeded() {
    PhoneState s = PhoneState::Demo();
    s.smsSim.messages[1] = {MessageStatus::ReceivedUnread, kDeliverHi};
    s.smsSim.messages[2] = {MessageStatus::StoredUnsent,
                            std::string("0011000381") + "21F3" + "0000AA" + "02C834"};
    return s;
}

struct GammuRow {
    const char* label;
    std::vector<std::string> args; // after "gammu -c RC"; "@VCARD" is replaced by a vCard file
    // Checks gammu's output and the state before and after.
    void (*check)(const std::string& output, const PhoneState& before, const PhoneState& after);
};
std::ostream& operator<<(std::ostream& os, const GammuRow& r) {
    return os << r.label;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class Gammu : public testing::TestWithParam<GammuRow> {};

TEST_P(Gammu, ExitsZeroAndThePhoneShowsTheEffect) {
    const GammuRow& row = GetParam();
    const PhoneState before = Seeded();
    peers::PhonesimProcess phone(before);
    ASSERT_TRUE(phone.Started());
    const std::string rc = phone.Folder() + "/gammurc";
    std::ofstream(rc) << "[gammu]\ndevice = " << phone.Device() << "\nconnection = at19200\n";
    const std::string vcard = phone.Folder() + "/card.vcf";
    std::ofstream(vcard)
        << "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Tester;Tina\r\nTEL;CELL:+491709998877\r\nEND:VCARD\r\n";

    std::vector<std::string> argv = {"gammu", "-c", rc};
    for (const std::string& a : row.args)
        argv.push_back(a == "@VCARD" ? vcard : a);
    peers::ProgramResult r = peers::RunProgram(argv, 60);
    ASSERT_NE(r.exitCode, 127) << "gammu is not installed (scripts/setup.sh installs it)";
    ASSERT_EQ(r.exitCode, 0) << r.output;
    row.check(r.output, before, phone.State());
}

const GammuRow kRows[] = {
    {"identify",
     {"identify"},
     [](const std::string& out, const PhoneState&, const PhoneState&) {
         EXPECT_NE(out.find("Harlune"), std::string::npos) << out;
         EXPECT_NE(out.find("490154203237518"), std::string::npos) << out;
         EXPECT_NE(out.find("001010123456789"), std::string::npos) << out;
     }},
    {"getallmemory_SM",
     {"getallmemory", "SM"},
     [](const std::string& out, const PhoneState& before, const PhoneState&) {
         EXPECT_EQ(Count(out, "Memory SM, Location"), before.sim.entries.size()) << out;
         EXPECT_NE(out.find(before.sim.entries.at(30).number), std::string::npos);
     }},
    {"getallmemory_ME",
     {"getallmemory", "ME"},
     [](const std::string& out, const PhoneState& before, const PhoneState&) {
         EXPECT_EQ(Count(out, "Memory ME, Location"), before.memory.entries.size()) << out;
         EXPECT_NE(out.find("Location " + std::to_string(before.memory.entries.rbegin()->first)),
                   std::string::npos);
     }},
    {"getmemory_ME_1_5",
     {"getmemory", "ME", "1", "5"},
     [](const std::string& out, const PhoneState& before, const PhoneState&) {
         EXPECT_EQ(Count(out, "Memory ME, Location"), 5u) << out;
         for (int i = 1; i <= 5; ++i)
             EXPECT_NE(out.find("\"" + before.memory.entries.at(i).number + "\""),
                       std::string::npos)
                 << i;
     }},
    {"addnew_vcard",
     {"addnew", "@VCARD", "-yes", "-memory", "ME"},
     [](const std::string& out, const PhoneState& before, const PhoneState& after) {
         ASSERT_EQ(after.memory.entries.size(), before.memory.entries.size() + 1) << out;
         bool found = false;
         for (const auto& [pos, e] : after.memory.entries)
             found = found ||
                     (e.number == "+491709998877" && e.type == 145 && e.name.find("Tester") == 0);
         EXPECT_TRUE(found) << out;
     }},
    {"deletememory_ME_2",
     {"deletememory", "ME", "2"},
     [](const std::string& out, const PhoneState& before, const PhoneState& after) {
         EXPECT_EQ(after.memory.entries.count(2), 0u) << out;
         EXPECT_EQ(after.memory.entries.size(), before.memory.entries.size() - 1);
     }},
    {"sendsms_with_the_phones_service_centre",
     {"sendsms", "TEXT", "+4912345", "-text", "Hello from gammu"},
     [](const std::string& out, const PhoneState&, const PhoneState& after) {
         ASSERT_EQ(after.sent.size(), 1u) << out;
         EXPECT_EQ(after.sent[0].text, "Hello from gammu");
         EXPECT_EQ(after.sent[0].destination, "4912345");
         SubmitPdu pdu;
         ASSERT_TRUE(DecodeSubmitPdu(after.sent[0].pduHex, -1, &pdu, nullptr));
         EXPECT_EQ("+" + pdu.serviceCentre, after.serviceCentre); // read with AT+CSCA?
     }},
    {"sendsms_with_smscnumber",
     {"sendsms", "TEXT", "+4912345", "-smscnumber", "+491710760001", "-text", "Via SMSC"},
     [](const std::string& out, const PhoneState&, const PhoneState& after) {
         ASSERT_EQ(after.sent.size(), 1u) << out;
         EXPECT_EQ(after.sent[0].text, "Via SMSC");
         SubmitPdu pdu;
         ASSERT_TRUE(DecodeSubmitPdu(after.sent[0].pduHex, -1, &pdu, nullptr));
         EXPECT_EQ(pdu.serviceCentre, "491710760001");
     }},
    {"getallsms",
     {"getallsms"},
     [](const std::string& out, const PhoneState&, const PhoneState& after) {
         EXPECT_NE(out.find("+4912345"), std::string::npos) << out;
         EXPECT_NE(out.find("2 SMS parts in 2 SMS sequences"), std::string::npos) << out;
         // Reading a received message marks it read, as 27.005 says.
         EXPECT_EQ(after.smsSim.messages.at(1).status, MessageStatus::ReceivedRead);
     }},
    {"monitor_1",
     {"monitor", "1"},
     [](const std::string& out, const PhoneState& before, const PhoneState&) {
         EXPECT_NE(out.find("Battery level        : 80 percent"), std::string::npos) << out;
         EXPECT_NE(out.find("SIM phonebook        :  " + std::to_string(before.sim.entries.size()) +
                            " used"),
                   std::string::npos)
             << out;
         EXPECT_NE(out.find("SIM SMS status       : 2 used, "), std::string::npos) << out;
     }},
};
INSTANTIATE_TEST_SUITE_P(Peers, Gammu, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<GammuRow>& i) {
                             return std::string(i.param.label);
                         });

} // namespace
