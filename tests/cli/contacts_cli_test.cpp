// The contacts commands of harlune-cli against the emulated phone: export and import round
// trips, the dry run, a cut import completed by a second run, copy and move, backup and restore.
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "contacts/backup.h"
#include "phonelink/simphone.h"
#include "platform/atomicfile.h"

namespace {

using phonesim::FaultAction;
using phonesim::PhonebookRecord;
namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out, err;
};

// What a storage holds, regardless of positions: the import fills the first free ones.
std::multiset<std::tuple<std::string, int, std::string>> Held(const phonesim::PhonebookStorage& storage) {
    std::multiset<std::tuple<std::string, int, std::string>> held;
    for (const auto& [position, r] : storage.entries)
        held.insert({r.number, r.type, r.name});
    return held;
}

class ContactsCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "harlune-contacts-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        Serve(phonesim::PhoneState::Demo());
    }
    void TearDown() override {
        sim.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void Serve(phonesim::PhoneState state) { sim = std::make_unique<SimPhone>(std::move(state)); }
    Result On(std::vector<std::string> args, const std::string& device = {}) {
        args.insert(args.begin(), {"--device", device.empty() ? sim->pty.DevicePath() : device});
        std::ostringstream out, err;
        const int status = RunCli(args, out, err);
        return {status, out.str(), err.str()};
    }
    std::string File(const char* name) const { return (dir / name).string(); }
    phonesim::PhoneState State() const { return sim->phone->Snapshot(); }
    void EraseBoth() {
        sim->phone->Modify([](phonesim::PhoneState& s) { s.sim.entries.clear(), s.memory.entries.clear(); });
    }

    fs::path dir;
    std::unique_ptr<SimPhone> sim;
};

TEST_F(ContactsCli, ExportEraseImportGivesBackWhatThePhoneHeld) {
    const phonesim::PhoneState start = State();
    for (const std::vector<std::string>& format :
         {std::vector<std::string>{"--format", "vcf"}, {"--format", "vcf", "--vcard", "2.1"}, {"--format", "csv"}}) {
        const std::string file = File("book");
        std::vector<std::string> args{"phonebook", "export", file};
        args.insert(args.end(), format.begin(), format.end());
        Result exported = On(args);
        ASSERT_EQ(exported.status, kExitOk) << exported.err;
        EXPECT_EQ(exported.out, "Exported 90 entries to " + file + ".\n");
        EraseBoth();
        Result imported = On({"phonebook", "import", file});
        ASSERT_EQ(imported.status, kExitOk) << format.back() << ": " << imported.err;
        EXPECT_EQ(imported.out, "Imported 90 of 90 entries.\n");
        EXPECT_EQ(Held(State().sim), Held(start.sim)) << format.back();
        EXPECT_EQ(Held(State().memory), Held(start.memory)) << format.back();
        // Again: everything is already there.
        Result again = On({"phonebook", "import", file});
        EXPECT_EQ(again.out, "Imported 0 of 0 entries (90 left as they are).\n") << again.err;
    }
}

TEST_F(ContactsCli, DryRunLeavesTheStateFileByteIdentical) {
    const std::string stateFile = File("phone.state");
    sim->phone->SetStateFile(stateFile);
    sim->phone->Modify([](phonesim::PhoneState& s) { s.sim.entries[1].name = "Anna Changed/M"; });
    std::string before, after;
    ASSERT_TRUE(platform::ReadWholeFile(stateFile, &before));
    const std::string card = File("new.vcf");
    ASSERT_TRUE(platform::WriteFileAtomically(
        card,
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:New Person\r\nTEL;TYPE=CELL:+49 171 555\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\nTEL;TYPE=CELL:0170 2000000\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A name much too long for the SIM\r\nTEL:1\r\nEND:VCARD\r\n",
        nullptr));
    Result preview = On({"--json", "phonebook", "import", card, "--storage", "SM", "--dry-run"});
    ASSERT_EQ(preview.status, kExitOk) << preview.err;
    EXPECT_NE(preview.out.find("\"name\":\"New Person/M\",\"number\":\"+49171555\",\"type\":145,\"verdict\":\"new\""),
              std::string::npos)
        << preview.out;
    EXPECT_NE(preview.out.find("\"verdict\":\"changed\",\"existingPosition\":1,\"existingName\":\"Anna Changed/M\""),
              std::string::npos)
        << preview.out;
    EXPECT_NE(preview.out.find("\"verdict\":\"will not fit\",\"reason\":\"the name has 32 characters; this storage "
                               "holds 18\""),
              std::string::npos)
        << preview.out;
    EXPECT_NE(preview.out.find("\"new\":1,\"alreadyThere\":0,\"changed\":1,\"wontFit\":1"), std::string::npos);
    EXPECT_EQ(On({"restore", File("missing.json"), "--dry-run"}).status, kExitUsage);
    ASSERT_EQ(On({"backup", File("b.json")}).status, kExitOk);
    Result restorePreview = On({"restore", File("b.json"), "--dry-run"});
    EXPECT_EQ(restorePreview.status, kExitOk) << restorePreview.err;
    ASSERT_TRUE(platform::ReadWholeFile(stateFile, &after));
    EXPECT_EQ(after, before);

    // Written: the new one, and the changed one only when asked.
    Result written = On({"phonebook", "import", card, "--storage", "SM", "--update-changed"});
    EXPECT_EQ(written.status, kExitOk) << written.err;
    EXPECT_EQ(written.out, "Imported 2 of 2 entries (1 left as they are).\n");
    EXPECT_EQ(State().sim.entries.at(1).name, "Anna/M");
    EXPECT_EQ(State().sim.entries.at(31), (PhonebookRecord{"+49171555", 145, "New Person/M"}));
}

TEST_F(ContactsCli, LinkCutAtEntryHundredThenASecondRunCompletesWithoutDuplicates) {
    Serve(phonesim::PhoneState::Empty());
    std::string cards;
    for (int i = 1; i <= 250; ++i)
        cards += "BEGIN:VCARD\nVERSION:3.0\nFN:Person " + std::to_string(i) + "\nTEL;TYPE=HOME:+3120" +
                 std::to_string(1000000 + i) + "\nEND:VCARD\n";
    const std::string file = File("many.vcf");
    ASSERT_TRUE(platform::WriteFileAtomically(file, cards, nullptr));
    // The 100th write is carried out, then the line drops before its answer.
    phonesim::FaultRule cut{"AT+CPBW=,", FaultAction::DropMidReply, 0, 1};
    cut.skip = 99;
    sim->phone->AddFault(cut);
    Result first = On({"phonebook", "import", file, "--storage", "SM"});
    EXPECT_EQ(first.status, kExitConnection) << first.err;
    EXPECT_NE(first.out.find("Imported 99 of 250 entries; 151 not written: the connection was lost"),
              std::string::npos)
        << first.out;
    EXPECT_EQ(State().sim.entries.size(), 100u);

    phonesim::PtyPhone again(sim->phone);
    std::string error;
    ASSERT_TRUE(again.Start(&error)) << error;
    Result second = On({"phonebook", "import", file, "--storage", "SM"}, again.DevicePath());
    EXPECT_EQ(second.status, kExitOk) << second.err;
    EXPECT_EQ(second.out, "Imported 150 of 150 entries (100 left as they are).\n");
    const auto sim = State().sim;
    ASSERT_EQ(sim.entries.size(), 250u);
    std::set<std::string> names;
    for (const auto& [position, r] : sim.entries)
        names.insert(r.name);
    EXPECT_EQ(names.size(), 250u) << "no entry twice";
}

TEST_F(ContactsCli, CopyAndMoveBetweenSimAndPhoneMemory) {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.sim.entries[1] = {"+4930123", 145, "Anna/M"};
    state.sim.entries[2] = {"0170555", 129, "Bob"};
    state.sim.entries[5] = {"0170556", 129, "Carla/W"};
    state.memory.entries[1] = {"0170555", 129, "Bob"};
    state.memory.size = 2;  // room for one more
    Serve(state);
    Result preview = On({"phonebook", "copy", "--from", "SM", "--to", "ME", "--dry-run"});
    ASSERT_EQ(preview.status, kExitOk) << preview.err;
    EXPECT_EQ(preview.out, "new\tME\tAnna/M\t+4930123\t\n"
                           "already there\tME\tBob\t0170555\tat position 1\n"
                           "will not fit\tME\tCarla/W\t0170556\tthe storage is full\n");
    EXPECT_EQ(State(), state) << "a dry run writes nothing";
    Result moved = On({"phonebook", "copy", "--from", "SM", "--to", "ME", "--move"});
    EXPECT_EQ(moved.status, kExitOk) << moved.err;
    EXPECT_NE(moved.err.find("erased 2 of 3 from the SIM card; the others were not copied and stay"),
              std::string::npos)
        << moved.err;
    const auto after = State();
    EXPECT_EQ(after.memory.entries.at(2), (PhonebookRecord{"+4930123", 145, "Anna/M"}));
    ASSERT_EQ(after.sim.entries.size(), 1u);
    EXPECT_EQ(after.sim.entries.at(5).name, "Carla/W");
}

TEST_F(ContactsCli, BackupThenRestoreIntoAnEmptyAndAFilledPhone) {
    const phonesim::PhoneState start = State();
    const std::string file = File("phone.json");
    Result backup = On({"backup", file});
    ASSERT_EQ(backup.status, kExitOk) << backup.err;
    EXPECT_EQ(backup.out, "Backed up 30 SIM entries, 60 phone memory entries, 8 melodies to " + file + ".\n");
    std::string text, why;
    ASSERT_TRUE(platform::ReadWholeFile(file, &text));
    contacts::PhoneBackup read;
    ASSERT_TRUE(contacts::ReadBackup(text, &read, &why)) << why;
    ASSERT_EQ(read.storages.size(), 2u);
    EXPECT_EQ(read.storages[0].lastPosition, 250);
    EXPECT_EQ(read.storages[0].nameLength, 18);
    EXPECT_FALSE(read.model.empty());
    EXPECT_EQ(read.melodies.size(), 8u);

    // Into an empty phone, then into one that holds part of it and a stranger.
    EraseBoth();
    sim->phone->Modify([](phonesim::PhoneState& s) { s.melodies[2].text = "c1"; });
    Result restored = On({"restore", file});
    ASSERT_EQ(restored.status, kExitOk) << restored.err;
    EXPECT_EQ(restored.out, "Imported 90 of 90 entries.\n");
    EXPECT_NE(restored.err.find("1 melody restored"), std::string::npos) << restored.err;
    EXPECT_EQ(Held(State().sim), Held(start.sim));
    EXPECT_EQ(Held(State().memory), Held(start.memory));
    EXPECT_EQ(State().melodies, start.melodies);
    bool copyKept = false;
    for (const auto& f : fs::directory_iterator(dir))
        copyKept |= f.path().filename().string().starts_with("phone-before-restore-");
    EXPECT_TRUE(copyKept) << "the phone as it was is saved beside the backup";

    sim->phone->Modify([](phonesim::PhoneState& s) {
        s.sim.entries.erase(3);
        s.sim.entries[200] = {"999", 129, "Stranger"};
    });
    Result filled = On({"restore", file});
    ASSERT_EQ(filled.status, kExitOk) << filled.err;
    EXPECT_EQ(filled.out, "Imported 1 of 1 entry (89 left as they are).\n");
    EXPECT_EQ(State().sim.entries.at(200).name, "Stranger") << "nothing is deleted";
    EXPECT_EQ(State().sim.entries.size(), 31u);
}

TEST_F(ContactsCli, BrokenCardsAreReportedAndTheRestImports) {
    Serve(phonesim::PhoneState::Empty());
    const std::string file = File("mixed.vcf");
    ASSERT_TRUE(platform::WriteFileAtomically(file,
                                              "BEGIN:VCARD\nVERSION:2.1\nN:One;A\nTEL;CELL:111\nEND:VCARD\n"
                                              "BEGIN:VCARD\nVERSION:2.1\nN:Nonumber\nEND:VCARD\n"
                                              "BEGIN:VCARD\nVERSION:2.1\nFN:Two\nTEL;WORK:222\nTEL;HOME:333\nEND:VCARD\n",
                                              nullptr));
    Result r = On({"phonebook", "import", file});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.err.find(file + ", line 6: "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "Imported 3 of 3 entries.\n");
    EXPECT_EQ(Held(State().memory), Held(phonesim::PhonebookStorage{0, 0, 0, {{1, {"111", 129, "A One/M"}},
                                                                              {2, {"222", 129, "Two/W"}},
                                                                              {3, {"333", 129, "Two/H"}}}}));
}

} // namespace
