// Transact against the emulated phone over a pty, replies split into random chunks.
#include <gtest/gtest.h>

#include "platform/debuglog.h"
#include "simphone.h"

namespace {

using phonesim::FaultAction;
using phonesim::FaultRule;

int CountLines(const std::string& reply, std::string_view prefix) {
    int count = 0;
    for (size_t at = reply.find(prefix); at != std::string::npos; at = reply.find(prefix, at + 1))
        ++count;
    return count;
}

class ChunkedTransact : public ::testing::TestWithParam<uint32_t> {};

TEST_P(ChunkedTransact, CompletesExactlyOnTheFinalLine) {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    // Names that hold the result words must not end the listing early.
    state.sim.entries[1] = {"111", 129, "BOOKS"};
    state.sim.entries[2] = {"222", 129, "OK"};
    state.sim.entries[3] = {"333", 129, "ERROR"};
    for (int p = 4; p <= 40; ++p)
        state.sim.entries[p] = {std::to_string(1000 + p), 129, "LOOK OK " + std::to_string(p)};
    SimPhone sim(state, SimPhone::Chunked(GetParam()));
    auto link = sim.Connect();
    ASSERT_TRUE(link->IsOpen());

    std::string reply;
    ASSERT_TRUE(link->Transact("AT", reply)) << link->LastError().text;
    EXPECT_TRUE(reply.ends_with("OK\r\n")) << reply;
    ASSERT_TRUE(link->Transact("AT+CPBS=\"SM\"", reply));
    ASSERT_TRUE(link->Transact("AT+CPBR=1,250", reply)) << link->LastError().text;
    EXPECT_EQ(CountLines(reply, "+CPBR:"), 40) << reply;
    EXPECT_TRUE(reply.ends_with("\r\nOK\r\n"));
    // The next exchange starts clean: nothing of the listing is left behind.
    ASSERT_TRUE(link->Transact("AT+CPBR=?", reply));
    EXPECT_EQ(CountLines(reply, "+CPBR:"), 1) << reply;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ChunkedTransact, ::testing::Values(1u, 7u, 42u, 1234u));

struct FaultCase {
    const char* label;
    FaultRule rule;
    LinkErrorKind kind;
    int code;
    const char* text;
};

class TransactFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(TransactFault, EndsWithTheReason) {
    SimPhone sim(phonesim::PhoneState::Demo(), SimPhone::Chunked(3));
    sim.phone->AddFault(GetParam().rule);
    auto link = sim.Connect();
    std::string reply;
    EXPECT_FALSE(link->Transact("AT+CPBR=1,250", reply));
    EXPECT_EQ(link->LastError().kind, GetParam().kind);
    EXPECT_EQ(link->LastError().code, GetParam().code);
    EXPECT_EQ(link->LastError().text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TransactFault,
    ::testing::Values(
        FaultCase{"Error", {"AT+CPBR", FaultAction::Error, 0, -1}, LinkErrorKind::PhoneError, -1,
                  "the phone answered ERROR"},
        FaultCase{"NoSim", {"AT+CPBR", FaultAction::CmeError, 10, -1}, LinkErrorKind::CmeError, 10,
                  "SIM not inserted"},
        FaultCase{"Silent", {"AT+CPBR", FaultAction::Silent, 0, -1}, LinkErrorKind::NoAnswer, -1,
                  "no answer from the phone"},
        FaultCase{"DroppedMidReply", {"AT+CPBR", FaultAction::DropMidReply, 0, -1},
                  LinkErrorKind::ConnectionLost, -1, "connection lost"},
        FaultCase{"HangupBefore", {"AT+CPBR", FaultAction::HangupBefore, 0, -1},
                  LinkErrorKind::ConnectionLost, -1, "connection lost"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Transact, AfterTheLineDroppedEveryCommandFailsAtOnce) {
    SimPhone sim;
    auto link = sim.Connect();
    ASSERT_TRUE(link->Transact("AT"));
    sim.pty.Hangup();
    EXPECT_FALSE(link->Transact("AT"));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::ConnectionLost);
    EXPECT_FALSE(link->Transact("AT"));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::ConnectionLost);
}

TEST(Transact, PortNotOpenLeavesTheReplyUntouched) {
    RecordingSink sink;
    CPhoneLink link(CPhoneLink::DevicePath{"/nonexistent/harlune-tty"}, &sink);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(sink.messages, std::vector<std::string>{"COM port open failed"});
    std::string reply = "untouched";
    EXPECT_FALSE(link.Transact("AT", reply));
    EXPECT_EQ(reply, "untouched");
    EXPECT_EQ(link.LastError().kind, LinkErrorKind::PortNotOpen);
    EXPECT_FALSE(link.ReadPhonebook());
    EXPECT_FALSE(link.SendSms("Hi", "123"));
    EXPECT_EQ(link.LastError().kind, LinkErrorKind::PortNotOpen);

    RecordingSink comSink;
    CPhoneLink unmapped(uint16_t{250}, &comSink);
    EXPECT_EQ(comSink.messages.size(), 1u);
}

TEST(Transact, TranscriptShowsBothDirections) {
    SimPhone sim;
    auto link = sim.Connect();
    std::vector<std::string> lines;
    platform::SetDebugLogSink([&](std::string_view line) { lines.emplace_back(line); });
    bool wasEnabled = platform::DebugLogEnabled();
    platform::SetDebugLogEnabled(true);
    EXPECT_TRUE(link->Transact("ATE1"));
    platform::SetDebugLogEnabled(wasEnabled);
    platform::SetDebugLogSink({});
    std::string all;
    for (auto& l : lines)
        all += l + "\n";
    EXPECT_NE(all.find("> ATE1\\r"), std::string::npos) << all;
    EXPECT_NE(all.find("< "), std::string::npos) << all;
    EXPECT_NE(all.find("OK\\r\\n"), std::string::npos) << all;
}

} // namespace
