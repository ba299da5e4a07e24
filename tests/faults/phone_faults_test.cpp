// Every command of every phone operation, answered with each fault the emulated phone can show:
// the operation must end, fail with a reason, and leave the link's lists equal to the phone.
// The commands come from a clean run of each operation, so the matrix follows the code.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>

#include "phonerig.h"

namespace faults {
namespace {

using phonesim::FaultAction;

struct Operation {
    const char* name;
    std::function<bool(CPhoneLink&)> prepare; // runs before the faults are set
    std::function<bool(CPhoneLink&)> run;
    bool comparesPhonebook;
    bool comparesMelodies;
};

PhonebookEntry* FirstOf(CPhoneLink& link, uint8_t storage) {
    return link.Entries(storage).empty() ? nullptr : link.Entries(storage).front().get();
}

bool Nothing(CPhoneLink&) { return true; }
bool ReadBook(CPhoneLink& link) { return link.ReadPhonebook(); }
bool ReadTunes(CPhoneLink& link) { return link.ReadMelodies(); }

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations{
        {"ReadPhonebook", Nothing, ReadBook, true, false},
        {"AddEntry", ReadBook,
         [](CPhoneLink& link) {
             auto entry = std::make_unique<PhonebookEntry>();
             entry->storage = kStorageSim;
             entry->number = "0709";
             entry->name = "Åke";
             return link.AddEntry(std::move(entry));
         },
         true, false},
        {"ModifyEntry", ReadBook,
         [](CPhoneLink& link) { return link.ModifyEntry(FirstOf(link, kStorageSim), "+46709999", "Änne"); }, true,
         false},
        {"DeleteEntry", ReadBook, [](CPhoneLink& link) { return link.DeleteEntry(FirstOf(link, kStoragePhone)); },
         true, false},
        {"ReadMelodies", Nothing, ReadTunes, false, true},
        {"WriteMelody", ReadTunes,
         [](CPhoneLink& link) { return link.WriteMelody(link.Melodies()[1].get(), "c4e4g4+c2"); }, false, true},
        {"PlayMelody", Nothing, [](CPhoneLink& link) { return link.PlayMelody(3, kFirstUserMelodySound + 1); },
         false, false},
        {"SetDefaultMelody", Nothing, [](CPhoneLink& link) { return link.SetDefaultMelody(kFirstUserMelodySound + 2); },
         false, false},
        {"SendSms", Nothing, [](CPhoneLink& link) { return link.SendSms("Fault test €", "+46701234"); }, false,
         false},
    };
    return operations;
}

struct Fault {
    const char* name;
    FaultAction action;
    int code;
    bool dropsLine;
};

const Fault kFaults[] = {
    {"Error", FaultAction::Error, 0, false},
    {"CmeError", FaultAction::CmeError, 3, false},
    {"Silent", FaultAction::Silent, 0, false},
    {"DropMidReply", FaultAction::DropMidReply, 0, true},
    {"HangupBefore", FaultAction::HangupBefore, 0, true},
};

// The distinct command lines an operation sends on a healthy phone, in order. A line sent twice
// (the range query of both storages) is faulted at its first sending.
std::vector<std::string> CommandsOf(const Operation& op, uint32_t seed) {
    phonesim::ServeOptions options;
    options.randomChunks = true;
    options.seed = seed;
    PhoneRig rig(SmallState(), options);
    auto link = rig.Connect();
    EXPECT_TRUE(op.prepare(*link)) << link->LastError().text;
    rig.phone->ClearCommandLog();
    EXPECT_TRUE(op.run(*link)) << op.name << ": " << link->LastError().text;
    std::vector<std::string> commands;
    std::set<std::string> seen;
    for (const std::string& line : rig.phone->CommandLog())
        if (seen.insert(line).second)
            commands.push_back(line);
    return commands;
}

enum class Outcome { Fails, MaySucceed, Succeeds };

// Where the link has a way round the fault, it must take it.
Outcome Expected(const std::string& command, const Fault& fault) {
    if (fault.dropsLine)
        return Outcome::Fails;
    // The session probe and the switch to PDU mode only learn what the phone offers: a refusal
    // is noted and the operation goes on.
    const bool refusal = fault.action == FaultAction::Error || fault.action == FaultAction::CmeError;
    for (const char* probe : {"ATV1", "AT+CMEE=1", "AT+CGMI", "AT+CGMM", "AT+CGMR", "AT+CGSN", "AT+CSCS=?", "AT+CMGF=0"})
        if (command == probe)
            return refusal ? Outcome::Succeeds : Outcome::Fails;
    // A refused three-field melody write is tried again in the two-field form.
    if (command.rfind("AT*ESOM=", 0) == 0 && refusal)
        return Outcome::MaySucceed;
    // Phones without Latin-1 refuse it and get UCS2 for reading; an edit may give up instead.
    if (command.rfind("AT+CSCS=\"8859-1\"", 0) == 0 && fault.action != FaultAction::Silent)
        return Outcome::MaySucceed;
    // The new entry is on the phone; a find that does not tell where is made good by reading
    // the storage again.
    if (command.rfind("AT+CPBF=", 0) == 0)
        return Outcome::Succeeds;
    return Outcome::Fails;
}

class PhoneFaults : public ::testing::TestWithParam<std::tuple<size_t, size_t>> {};

TEST_P(PhoneFaults, EndWithAReasonAndListsEqualThePhone) {
    const Operation& op = Operations()[std::get<0>(GetParam())];
    const Fault& fault = kFaults[std::get<1>(GetParam())];
    const uint32_t seed = uint32_t(std::get<0>(GetParam()) * 10 + std::get<1>(GetParam()) + 1);
    const std::vector<std::string> commands = CommandsOf(op, seed);
    ASSERT_FALSE(commands.empty()) << op.name << " sent nothing";

    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        phonesim::ServeOptions options;
        options.randomChunks = true;
        options.seed = seed;
        PhoneRig rig(SmallState(), options);
        auto link = rig.Connect();
        ASSERT_TRUE(op.prepare(*link)) << link->LastError().text;
        rig.phone->AddFault({command, fault.action, fault.code, 1});

        const auto start = std::chrono::steady_clock::now();
        const bool ok = op.run(*link);
        // A generous cap: it only catches an operation that waits for ever.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));

        const Outcome expected = Expected(command, fault);
        if (expected == Outcome::Succeeds) {
            EXPECT_TRUE(ok) << link->LastError().text;
        } else if (expected == Outcome::Fails) {
            EXPECT_FALSE(ok) << "the fault was reported as success";
        }
        if (!ok) {
            EXPECT_TRUE(link->LastError());
            EXPECT_FALSE(link->LastError().text.empty());
            switch (fault.action) {
            case FaultAction::Silent:
                EXPECT_EQ(link->LastError().kind, LinkErrorKind::NoAnswer) << link->LastError().text;
                break;
            case FaultAction::DropMidReply:
            case FaultAction::HangupBefore:
                EXPECT_EQ(link->LastError().kind, LinkErrorKind::ConnectionLost) << link->LastError().text;
                break;
            default:
                EXPECT_TRUE(IsPhoneRefusal(link->LastError())) << link->LastError().text;
            }
        }

        if (fault.dropsLine) {
            // The dead line fails the next operation at once instead of waiting on it.
            EXPECT_FALSE(link->PlayMelody(1, 1));
            EXPECT_TRUE(IsConnectionFailure(link->LastError())) << link->LastError().text;
        } else {
            // The phone did not run the command, so what the link holds is what the phone holds.
            const auto state = rig.phone->Snapshot();
            if (op.comparesPhonebook)
                ExpectPhonebookMatches(*link, state, !ok && std::string_view(op.name) == "ReadPhonebook");
            if (op.comparesMelodies && !link->Melodies().empty())
                ExpectMelodiesMatch(*link, state);
            // And the link still works on the same line.
            ASSERT_TRUE(link->ReadMelodies()) << link->LastError().text;
            ExpectMelodiesMatch(*link, rig.phone->Snapshot());
        }
        link.reset();
        ExpectFreshLinkMatches(rig);
    }
}

INSTANTIATE_TEST_SUITE_P(Matrix, PhoneFaults,
                         ::testing::Combine(::testing::Range<size_t>(0, Operations().size()),
                                            ::testing::Range<size_t>(0, std::size(kFaults))),
                         [](const auto& info) {
                             return std::string(Operations()[std::get<0>(info.param)].name) + "_" +
                                    kFaults[std::get<1>(info.param)].name;
                         });

// A phone that stops answering for good (out of range with the serial link still up): every
// operation ends with "no answer", one idle limit per command at most, and what the link showed
// before stays true.
class SilentForGood : public ::testing::TestWithParam<size_t> {};

TEST_P(SilentForGood, EveryOperationGivesUpWithNoAnswer) {
    const Operation& op = Operations()[GetParam()];
    PhoneRig rig;
    auto link = rig.Connect();
    ASSERT_TRUE(op.prepare(*link)) << link->LastError().text;
    rig.phone->AddFault({"AT", FaultAction::Silent, 0, -1});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(op.run(*link));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::NoAnswer) << link->LastError().text;
    const auto state = rig.phone->Snapshot();
    if (op.comparesPhonebook)
        ExpectPhonebookMatches(*link, state, std::string_view(op.name) == "ReadPhonebook");
    if (op.comparesMelodies && !link->Melodies().empty())
        ExpectMelodiesMatch(*link, state);
}

INSTANTIATE_TEST_SUITE_P(Operations, SilentForGood, ::testing::Range<size_t>(0, Operations().size()),
                         [](const auto& info) { return std::string(Operations()[info.param].name); });

} // namespace
} // namespace faults
