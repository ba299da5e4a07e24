// Every write, with its answer lost, late or cut after the phone ran it: the operation ends with
// a reason, and the link's lists equal what the phone now holds, or the link says that a list is
// no longer known (and reads it again next time).
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "answerfaults.h"
#include "phonerig.h"

namespace faults {
namespace {

struct Write {
    const char* name;
    const char* command; // the prefix of the faulted command
    std::function<bool(CPhoneLink&)> prepare;
    std::function<bool(CPhoneLink&)> run;
    uint8_t storage; // 0: the melodies
};

const std::vector<Write>& Writes() {
    static const std::vector<Write> writes{
        {"AddEntry", "AT+CPBW=,", [](CPhoneLink& l) { return l.ReadPhonebook(); },
         [](CPhoneLink& l) {
             auto e = std::make_unique<PhonebookEntry>();
             e->storage = kStorageSim;
             e->number = "0709";
             e->name = "Åke";
             return l.AddEntry(std::move(e));
         },
         kStorageSim},
        {"ModifyEntry", "AT+CPBW=1,", [](CPhoneLink& l) { return l.ReadPhonebook(); },
         [](CPhoneLink& l) { return l.ModifyEntry(l.SimEntries().front().get(), "+46709999", "Änne"); }, kStorageSim},
        {"DeleteEntry", "AT+CPBW=2", [](CPhoneLink& l) { return l.ReadPhonebook(); },
         [](CPhoneLink& l) { return l.DeleteEntry(l.PhoneEntries().front().get()); }, kStoragePhone},
        {"WriteMelody", "AT*ESOM=", [](CPhoneLink& l) { return l.ReadMelodies(); },
         [](CPhoneLink& l) { return l.WriteMelody(l.Melodies()[1].get(), "c4e4g4+c2"); }, 0},
    };
    return writes;
}

using Mode = AnswerFaultLine::Mode;
const Mode kModes[] = {Mode::Lost, Mode::Late, Mode::Cut};
const char* ModeName(Mode m) { return m == Mode::Lost ? "AnswerLost" : m == Mode::Late ? "AnswerLate" : "LineCut"; }

class WriteFaults : public testing::TestWithParam<std::tuple<size_t, size_t>> {};

TEST_P(WriteFaults, ListsEqualThePhoneOrAreMarkedUnknown) {
    const Write& write = Writes()[std::get<0>(GetParam())];
    const Mode mode = kModes[std::get<1>(GetParam())];
    auto phone = phonesim::Phone::Create(SmallState());
    AnswerFaultLine line(phone, write.command, mode, kIdleMs * 3);
    std::string error;
    ASSERT_TRUE(line.Start(&error)) << error;
    auto link = std::make_unique<CPhoneLink>(CPhoneLink::DevicePath{line.DevicePath()});
    link->SetTimeouts(kIdleMs, kOverallMs, kIdleMs);
    ASSERT_TRUE(write.prepare(*link)) << link->LastError().text;

    EXPECT_FALSE(write.run(*link)) << "a write without an answer was reported as success";
    EXPECT_TRUE(line.Fired());
    EXPECT_FALSE(link->LastError().text.empty());

    const auto state = phone->Snapshot();
    if (write.storage == 0) {
        if (link->LastError().text.find("may differ") == std::string::npos)
            ExpectMelodiesMatch(*link, state);
    } else if (link->StorageKnown(write.storage)) {
        ExpectPhonebookMatches(*link, state);
    } else {
        EXPECT_NE(link->LastError().text.find("read again"), std::string::npos) << link->LastError().text;
    }
    if (mode == Mode::Late) {
        // The late answer comes after all; it must not end a later exchange early.
        std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs * 3));
        ASSERT_TRUE(link->ReadPhonebook()) << link->LastError().text;
        ASSERT_TRUE(link->ReadMelodies()) << link->LastError().text;
        ExpectPhonebookMatches(*link, phone->Snapshot());
        ExpectMelodiesMatch(*link, phone->Snapshot());
    }
}

INSTANTIATE_TEST_SUITE_P(Matrix, WriteFaults,
                         testing::Combine(testing::Range<size_t>(0, Writes().size()),
                                          testing::Range<size_t>(0, std::size(kModes))),
                         [](const auto& info) {
                             return std::string(Writes()[std::get<0>(info.param)].name) + "_" +
                                    ModeName(kModes[std::get<1>(info.param)]);
                         });

} // namespace
} // namespace faults
