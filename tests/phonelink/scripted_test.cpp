// The engine against a scripted phone on a raw pty: replies real phones give that the emulated
// phone does not (stale results, verbose errors, unsolicited lines, a modem without ISO 8859-1).
#include <atomic>
#include <thread>

#include "scriptedphone.h"

namespace {

using namespace scripted;

TEST(ScriptedPhone, StaleResultBeforeTheCommandIsNotTakenForItsReply) {
    ScriptedPhone phone;
    auto link = Connect(phone);
    phone.Write("\r\nOK\r\n\r\nRING\r\n");
    for (int i = 0; i < 500 && link->Port().QueuedBytes() < 14; ++i)
        link->Port().WaitReadable(10);
    ASSERT_EQ(link->Port().QueuedBytes(), 14u);
    phone.Play({{"AT+CPBR=?", "\r\n+CPBR: (1-9),20,10\r\n\r\nOK\r\n"}});
    std::string reply;
    ASSERT_TRUE(link->Transact("AT+CPBR=?", reply)) << link->LastError().text;
    EXPECT_EQ(reply, "\r\n+CPBR: (1-9),20,10\r\n\r\nOK\r\n");
}

TEST(ScriptedPhone, VerboseErrorsAndUnsolicitedLinesAfterTheResult) {
    ScriptedPhone phone;
    auto link = Connect(phone);
    phone.Play({{"AT+CPBS=\"SM\"", "\r\n+CME ERROR: SIM busy\r\n"}, {"AT", "\r\nOK\r\n\r\n+CIEV: 1,3\r\n"}});
    EXPECT_FALSE(link->Transact("AT+CPBS=\"SM\""));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::CmeError);
    EXPECT_EQ(link->LastError().text, "SIM busy");
    std::string reply;
    EXPECT_TRUE(link->Transact("AT", reply));
}

TEST(ScriptedPhone, ALineThatNeverFallsSilentEndsAtTheOverallCap) {
    ScriptedPhone phone;
    auto link = Connect(phone);
    link->SetTimeouts(2000, 300);
    std::atomic<bool> stop{false};
    std::thread chatter([&] {
        while (!stop) {
            phone.Write("+CIEV: 1,1\r\n");
            ::usleep(2000);
        }
    });
    std::string reply;
    EXPECT_FALSE(link->Transact("AT+CPBR=1,5", reply));
    stop = true;
    chatter.join();
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::NoAnswer);
}

TEST(ScriptedPhone, ModemWithoutLatin1ReadsAndWritesInGsm) {
    ScriptedPhone phone;
    auto link = Connect(phone);
    // A GSM-set name travels as one byte per septet: 0x05 is e-acute, 0x00 is '@'.
    const std::string gsmName("Ren\x05 \x00", 6);
    phone.Play(Probe("+CSCS: (\"GSM\",\"IRA\")") + std::vector<Step>{
        {"AT+CSCS=\"8859-1\"", "\r\nERROR\r\n"},
        {"AT+CSCS=\"GSM\"", "\r\nOK\r\n"},
        {"AT+CPBS=\"SM\"", "\r\nOK\r\n"},
        {"AT+CPBR=?", "\r\n+CPBR: (1-5),20,10\r\n\r\nOK\r\n"},
        {"AT+CPBR=1,5", "\r\n+CPBR: 2,\"123\",129,\"" + gsmName + "\"\r\n\r\nOK\r\n"},
        {"AT+CPBS=\"ME\"", "\r\n+CME ERROR: 3\r\n"},
        {"AT+CPBS=\"SM\"", "\r\nOK\r\n"},
        {"AT+CSCS=\"GSM\"", "\r\nOK\r\n"},
        {"AT+CPBW=2,\"124\",129,\"" + gsmName + "\"", "\r\nOK\r\n"},
    });
    EXPECT_FALSE(link->ReadPhonebook());
    EXPECT_EQ(link->LastError().text, "operation not allowed");
    EXPECT_EQ(link->CurrentCharset(), Charset::Gsm);
    ASSERT_EQ(link->SimEntries().size(), 1u);
    PhonebookEntry* entry = link->SimEntries()[0].get();
    EXPECT_EQ(entry->name, "René @");
    EXPECT_TRUE(link->ModifyEntry(entry, "124", "René @")) << link->LastError().text;
    phone.Join();
    EXPECT_EQ(phone.received.size(), 16u);
}

} // namespace
