#include "phonerig.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "phonelink/charset.h"

namespace faults {

phonesim::PhoneState SmallState() {
    phonesim::PhoneState state = phonesim::PhoneState::Demo();
    state.sim.size = 8;
    state.sim.entries = {{1, {"+46701234", 145, "Anna"}}, {3, {"555", 129, "Bj\xF6rn"}}, {4, {"112", 129, "SOS"}}};
    state.memory.size = 10;
    state.memory.entries = {{2, {"0301234", 129, "J\xF6rg"}}, {5, {"777", 129, "Office"}}};
    return state;
}

PhoneRig::PhoneRig(phonesim::PhoneState state, phonesim::ServeOptions options)
    : phone(phonesim::Phone::Create(std::move(state))), m_options(options) {
    phone->SetSessionInit("AT+CMEE=1"); // as a program's set-up would: reasons, not ERROR
    Redial();
}

void PhoneRig::Redial() {
    line.reset();
    line = std::make_unique<phonesim::PtyPhone>(phone, m_options);
    std::string error;
    EXPECT_TRUE(line->Start(&error)) << error;
}

std::unique_ptr<CPhoneLink> PhoneRig::Connect() {
    auto link = std::make_unique<CPhoneLink>(CPhoneLink::DevicePath{line->DevicePath()});
    link->SetTimeouts(kIdleMs, kOverallMs, kIdleMs);
    return link;
}

void ExpectPhonebookMatches(const CPhoneLink& link, const phonesim::PhoneState& state, bool readFailed) {
    for (auto [code, storage] : {std::pair{kStorageSim, &state.sim}, std::pair{kStoragePhone, &state.memory}}) {
        SCOPED_TRACE(StorageName(code));
        const PhonebookList& list = link.Entries(code);
        if (link.StorageError(code)) {
            EXPECT_TRUE(list.empty()) << "an unread storage must not show records";
            EXPECT_FALSE(link.StorageError(code).text.empty());
            continue;
        }
        if (readFailed && list.empty())
            continue;
        // New records are appended; the phone keeps them by position.
        std::vector<const PhonebookEntry*> sorted;
        for (const auto& e : list)
            sorted.push_back(e.get());
        std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->position < b->position; });
        ASSERT_EQ(sorted.size(), storage->entries.size());
        size_t i = 0;
        for (const auto& [position, record] : storage->entries) {
            const PhonebookEntry& e = *sorted[i++];
            EXPECT_EQ(e.position, position);
            EXPECT_EQ(e.number, record.number) << position;
            EXPECT_EQ(e.type, record.type) << position;
            EXPECT_EQ(e.name, FromPhoneText(record.name, Charset::Latin1)) << position;
            EXPECT_EQ(e.storage, code) << position;
        }
    }
}

void ExpectMelodiesMatch(const CPhoneLink& link, const phonesim::PhoneState& state) {
    ASSERT_EQ(link.Melodies().size(), state.melodies.size());
    for (size_t i = 0; i < state.melodies.size(); ++i) {
        EXPECT_EQ(link.Melodies()[i]->index, state.melodies[i].index);
        EXPECT_EQ(link.Melodies()[i]->text, state.melodies[i].text);
    }
}

void ExpectFreshLinkMatches(PhoneRig& rig) {
    rig.phone->ClearFaults();
    if (rig.line->HungUp())
        rig.Redial();
    auto fresh = rig.Connect();
    ASSERT_TRUE(fresh->ReadPhonebook()) << fresh->LastError().text;
    ASSERT_TRUE(fresh->ReadMelodies()) << fresh->LastError().text;
    auto state = rig.phone->Snapshot();
    ExpectPhonebookMatches(*fresh, state);
    ExpectMelodiesMatch(*fresh, state);
}

} // namespace faults
