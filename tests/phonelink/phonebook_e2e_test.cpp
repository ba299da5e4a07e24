// Phone book operations against the emulated phone: after every operation, accepted or refused,
// the link's lists must equal what the phone holds.
#include <gtest/gtest.h>

#include "phonelink/charset.h"
#include "simphone.h"

namespace {

using phonesim::FaultAction;

void ExpectListMatches(const PhonebookList& list, const phonesim::PhonebookStorage& storage,
                       uint8_t code) {
    ASSERT_EQ(list.size(), storage.entries.size());
    size_t i = 0;
    for (const auto& [position, record] : storage.entries) {
        const PhonebookEntry& e = *list[i++];
        EXPECT_EQ(e.position, position);
        // An international number is listed with its '+', also where the phone holds none.
        const bool plusAdded = record.type == kTypeInternational && !record.number.starts_with('+');
        EXPECT_EQ(e.number, (plusAdded ? "+" : "") + record.number) << position;
        EXPECT_EQ(e.type, record.type) << position;
        EXPECT_EQ(e.name, FromPhoneText(record.name, Charset::Latin1)) << position;
        EXPECT_EQ(e.storage, code);
    }
}

// The link keeps records in the phone's order after a read and appends new ones at the end;
// compare as sets ordered by position.
void ExpectMatchesPhone(const CPhoneLink& link, const phonesim::Phone& phone) {
    auto state = phone.Snapshot();
    for (auto [code, storage] : {std::pair{kStorageSim, &state.sim}, std::pair{kStoragePhone, &state.memory}}) {
        PhonebookList sorted;
        for (const auto& e : link.Entries(code))
            sorted.push_back(std::make_unique<PhonebookEntry>(*e));
        std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a->position < b->position; });
        SCOPED_TRACE(StorageName(code));
        ExpectListMatches(sorted, *storage, code);
    }
}

std::unique_ptr<PhonebookEntry> NewEntry(uint8_t storage, std::string number, std::string name) {
    auto e = std::make_unique<PhonebookEntry>();
    e->storage = storage;
    e->number = std::move(number);
    e->name = std::move(name);
    return e;
}

PhonebookEntry* Find(const CPhoneLink& link, uint8_t storage, int position) {
    for (const auto& e : link.Entries(storage))
        if (e->position == position)
            return e.get();
    return nullptr;
}

TEST(PhonebookRead, BothStoragesWithProgressAndExactCommands) {
    SimPhone sim(phonesim::PhoneState::Demo(), SimPhone::Chunked(5));
    auto link = sim.Connect();
    RecordingProgress progress;
    link->SetProgressDialog(&progress);
    ASSERT_TRUE(link->ReadPhonebook()) << link->LastError().text;
    EXPECT_FALSE(link->SimEntries().empty());
    EXPECT_FALSE(link->PhoneEntries().empty());
    ExpectMatchesPhone(*link, *sim.phone);
    auto state = sim.phone->Snapshot();
    // The session probe, then the specified sequence with the listing in chunks of 100.
    std::vector<std::string> expected{"ATV1", "AT+CMEE=1", "AT+CGMI", "AT+CGMM", "AT+CGMR", "AT+CGSN", "AT+CSCS=?",
                                      "AT+CSCS=\"8859-1\""};
    for (auto [name, size] : {std::pair{"\"SM\"", state.sim.size}, std::pair{"\"ME\"", state.memory.size}}) {
        expected.push_back(std::string("AT+CPBS=") + name);
        expected.push_back("AT+CPBR=?");
        for (int first = 1; first <= size; first += 100)
            expected.push_back("AT+CPBR=" + std::to_string(first) + "," + std::to_string(std::min(size, first + 99)));
    }
    EXPECT_EQ(sim.phone->CommandLog(), expected);
    ASSERT_EQ(state.sim.size, 250);
    ASSERT_EQ(state.memory.size, 500);
    // One step per chunk between "sized" (2) and "listed" (9).
    EXPECT_EQ(progress.sim.calls, (std::vector<std::string>{"range 1-10", "pos 1", "pos 2", "pos 4", "pos 7", "pos 9", "pos 10"}));
    EXPECT_EQ(progress.phone.calls, (std::vector<std::string>{"range 1-10", "pos 1", "pos 2", "pos 3", "pos 4", "pos 6",
                                                               "pos 7", "pos 9", "pos 10"}));
}

TEST(PhonebookRead, RefusedSimLeavesItEmptyAndStillReadsPhoneMemory) {
    SimPhone sim;
    sim.phone->AddFault({"AT+CPBS=\"SM\"", FaultAction::CmeError, 10, -1});
    auto link = sim.Connect();
    RecordingProgress progress;
    link->SetProgressDialog(&progress);
    EXPECT_FALSE(link->ReadPhonebook());
    EXPECT_EQ(link->LastError().text, "SIM not inserted");
    EXPECT_EQ(link->StorageError(kStorageSim).code, 10);
    EXPECT_FALSE(link->StorageError(kStoragePhone));
    EXPECT_TRUE(link->SimEntries().empty());
    ExpectListMatches(link->PhoneEntries(), sim.phone->Snapshot().memory, kStoragePhone);
    EXPECT_EQ(progress.sim.calls, std::vector<std::string>{"range 1-10"}) << "no steps after the failure";
    EXPECT_EQ(progress.phone.calls.back(), "pos 10");
}

TEST(PhonebookRead, LostConnectionStopsTheRead) {
    SimPhone sim;
    sim.phone->AddFault({"AT+CPBR=1", FaultAction::DropMidReply, 0, -1});
    auto link = sim.Connect();
    EXPECT_FALSE(link->ReadPhonebook());
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::ConnectionLost);
    EXPECT_TRUE(link->SimEntries().empty());
    EXPECT_TRUE(link->PhoneEntries().empty());
}

TEST(PhonebookRead, PhoneWithoutLatin1GetsUcs2BothWays) {
    SimPhone sim;
    sim.phone->AddFault({"AT+CSCS=\"8859-1\"", FaultAction::Error, 0, -1});
    auto link = sim.Connect();
    ASSERT_TRUE(link->ReadPhonebook()) << link->LastError().text;
    EXPECT_EQ(link->CurrentCharset(), Charset::Ucs2);
    ExpectMatchesPhone(*link, *sim.phone);
    ASSERT_TRUE(link->AddEntry(NewEntry(kStoragePhone, "0301234", "Jörg Müller"))) << link->LastError().text;
    ExpectMatchesPhone(*link, *sim.phone);
}

class PhonebookEdit : public ::testing::Test {
protected:
    void SetUp() override {
        phonesim::PhoneState state = phonesim::PhoneState::Empty();
        state.sim.size = 6;
        state.sim.textLimit = 10;
        state.sim.entries[1] = {"+46701234", 145, "Intl/M"};
        state.sim.entries[3] = {"555", 129, "Bobby"};
        state.memory.entries[6] = {"4930", 145, "No plus"};  // as some phones hold them
        state.memory.entries[2] = {"777", 129, "Old"};
        sim = std::make_unique<SimPhone>(state, SimPhone::Chunked(11));
        link = sim->Connect();
        ASSERT_TRUE(link->ReadPhonebook()) << link->LastError().text;
    }
    void Check() { ExpectMatchesPhone(*link, *sim->phone); }

    std::unique_ptr<SimPhone> sim;
    std::unique_ptr<CPhoneLink> link;
};

TEST_F(PhonebookEdit, AddTakesThePositionOfTheExactMatch) {
    // The find for "Bob" lists Bobby at 3 first; the new entry goes to the first free, 2.
    ASSERT_TRUE(link->AddEntry(NewEntry(kStorageSim, "123", "Bob"))) << link->LastError().text;
    EXPECT_EQ(link->SimEntries().back()->position, 2);
    EXPECT_EQ(link->SimEntries().back()->type, kTypeNational);
    Check();
    // A second, identical entry: the known position 2 matches too, the new one is 4.
    ASSERT_TRUE(link->AddEntry(NewEntry(kStorageSim, "123", "Bob")));
    EXPECT_EQ(link->SimEntries().back()->position, 4);
    Check();
    sim->phone->ClearCommandLog();
    ASSERT_TRUE(link->AddEntry(NewEntry(kStoragePhone, "+4930", "Jörg, K: x")));
    EXPECT_EQ(link->PhoneEntries().back()->type, kTypeInternational);
    const auto log = sim->phone->CommandLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "AT+CPBW=,\"4930\",145,\"J\xF6rg, K: x\""), log.end())
        << "the '+' travels in the type";
    Check();
}

TEST_F(PhonebookEdit, RefusedAddsAppendNothing) {
    EXPECT_FALSE(link->AddEntry(NewEntry(kStorageSim, "1", "far too long a name")));
    EXPECT_EQ(link->LastError().text, "text string too long");
    Check();
    EXPECT_FALSE(link->AddEntry(NewEntry(kStorageSim, std::string(41, '1'), "x")));
    EXPECT_EQ(link->LastError().code, 26);
    Check();
    EXPECT_FALSE(link->AddEntry(NewEntry(kStorageSim, "1", "Euro €")));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::InvalidInput);
    EXPECT_FALSE(link->AddEntry(NewEntry(kStorageSim, "1", "say \"hi\"")));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::InvalidInput);
    Check();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(link->AddEntry(NewEntry(kStorageSim, std::to_string(i), "F" + std::to_string(i))));
    EXPECT_FALSE(link->AddEntry(NewEntry(kStorageSim, "9", "Full")));
    EXPECT_EQ(link->LastError().text, "memory full");
    Check();
}

TEST_F(PhonebookEdit, ModifyKeepsTypeAndSelectsLatin1) {
    PhonebookEntry* intl = Find(*link, kStorageSim, 1);
    ASSERT_TRUE(intl);
    sim->phone->ClearCommandLog();
    ASSERT_TRUE(link->ModifyEntry(intl, "+46709999", "Åsa/H")) << link->LastError().text;
    EXPECT_EQ(intl->type, kTypeInternational);
    EXPECT_EQ(intl->name, "Åsa/H");
    auto log = sim->phone->CommandLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], "AT+CSCS=\"8859-1\"");
    EXPECT_EQ(log[2], "AT+CPBW=1,\"46709999\",145,\"\xC5sa/H\"");
    Check();
}

TEST_F(PhonebookEdit, RefusedModifyKeepsTheOldTexts) {
    PhonebookEntry* bobby = Find(*link, kStorageSim, 3);
    ASSERT_TRUE(bobby);
    EXPECT_FALSE(link->ModifyEntry(bobby, "555", "a name far too long"));
    EXPECT_EQ(bobby->name, "Bobby");
    Check();
    sim->phone->AddFault({"AT+CPBW", FaultAction::Error, 0, 1});
    EXPECT_FALSE(link->ModifyEntry(bobby, "556", "Rob"));
    EXPECT_EQ(bobby->number, "555");
    Check();
}

TEST_F(PhonebookEdit, DeleteRemovesExactlyThatRecordOnlyWhenAccepted) {
    PhonebookEntry* old = Find(*link, kStoragePhone, 2);
    ASSERT_TRUE(old);
    sim->phone->AddFault({"AT+CPBW=2", FaultAction::CmeError, 21, 1});
    EXPECT_FALSE(link->DeleteEntry(old));
    EXPECT_EQ(link->LastError().text, "invalid index");
    Check();
    EXPECT_TRUE(link->DeleteEntry(old)) << link->LastError().text;
    Check();
    PhonebookEntry stranger;
    EXPECT_FALSE(link->DeleteEntry(&stranger));
    EXPECT_FALSE(link->DeleteEntry(nullptr));
    Check();
}

} // namespace
