#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <stdlib.h>
#include <unistd.h>

#include "phonesim/phonestate.h"

using namespace phonesim;

namespace {

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/phonesim-test-XXXXXX";
        m_path = mkdtemp(name);
    }
    ~TempDir() {
        for (const std::string& f : Files())
            unlink((m_path + "/" + f).c_str());
        rmdir(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        if (DIR* d = opendir(m_path.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    files.push_back(e->d_name);
            closedir(d);
        }
        return files;
    }

private:
    std::string m_path;
};

PhoneState Awkward() {
    PhoneState s = PhoneState::Demo();
    s.memory.entries[499] = {"+4930", 145, "Tab\there\\back\nslash\"q\xFF"};
    s.sim.entries[250] = {"", 129, ""};
    s.melodies[7] = {8, "c8 d#4.", 17};
    s.ringSound = 33;
    s.lastPlayedLevel = 7;
    s.lastPlayedSound = 38;
    s.charset = Charset::Ucs2;
    s.selectedStorage = "SM";
    s.nextMessageReference = 255;
    s.sent.push_back({"123", 129, 0, "Hi €\r\n", "0011000381", 254});
    return s;
}

TEST(StateFile, RoundTripKeepsEveryField) {
    PhoneState original = Awkward();
    PhoneState loaded;
    std::string error;
    ASSERT_TRUE(ParseState(FormatState(original), &loaded, &error)) << error;
    EXPECT_EQ(loaded, original);
}

TEST(StateFile, TextStaysSevenBitAndOneRecordPerLine) {
    std::string text = FormatState(Awkward());
    for (char c : text)
        EXPECT_TRUE(c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F)) << int(c);
    EXPECT_NE(text.find("Tab\\there\\\\back\\nslash\"q\\xFF"), std::string::npos);
}

TEST(StateFile, SaveIsAtomicAndLoadsBack) {
    TempDir dir;
    std::string path = dir.Path() + "/phone.state";
    std::string error;
    PhoneState original = Awkward();
    ASSERT_TRUE(SaveState(original, path, &error)) << error;
    ASSERT_TRUE(SaveState(original, path, &error)) << error; // replaces, leaves no temporaries
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"phone.state"});
    PhoneState loaded;
    ASSERT_TRUE(LoadState(path, &loaded, &error)) << error;
    EXPECT_EQ(loaded, original);
}

TEST(StateFile, IoFailuresAreReported) {
    std::string error;
    PhoneState s;
    EXPECT_FALSE(LoadState("/nonexistent-dir/phone.state", &s, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    EXPECT_FALSE(SaveState(PhoneState::Demo(), "/nonexistent-dir/phone.state", &error));
    EXPECT_FALSE(error.empty());
}

struct Corrupt {
    const char* label;
    std::string text;
    const char* reason;
};

std::ostream& operator<<(std::ostream& os, const Corrupt& c) { return os << c.label; }

class CorruptState : public testing::TestWithParam<Corrupt> {};

const std::string kHead = "harlune-phonesim-state 1\n";
const std::string kStorages = "storage\tSM\t10\t20\t18\nstorage\tME\t10\t20\t24\n";

TEST_P(CorruptState, GivesAClearError) {
    const Corrupt& c = GetParam();
    PhoneState untouched = PhoneState::Demo();
    PhoneState s = untouched;
    std::string error;
    EXPECT_FALSE(ParseState(c.text, &s, &error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(s, untouched); // nothing half-loaded
}

const Corrupt kCorrupt[] = {
    {"wrong header", "hello\n", "not a phonesim state file"},
    {"storages missing", kHead, "must be declared"},
    {"unknown record", kHead + kStorages + "bogus\t1\n", "line 4: unknown record"},
    {"entry before storage", kHead + "entry\tSM\t1\t129\t1\tx\n" + kStorages, "before its storage"},
    {"position beyond the storage", kHead + kStorages + "entry\tSM\t11\t129\t1\tx\n", "position out of range"},
    {"position not a number", kHead + kStorages + "entry\tSM\tone\t129\t1\tx\n", "position out of range"},
    {"position twice", kHead + kStorages + "entry\tSM\t1\t129\t1\tx\nentry\tSM\t1\t129\t2\ty\n", "given twice"},
    {"missing field", kHead + kStorages + "entry\tSM\t1\t129\t1\n", "5 fields"},
    {"extra field", kHead + kStorages + "entry\tSM\t1\t129\t1\tx\ty\n", "5 fields"},
    {"bad type", kHead + kStorages + "entry\tSM\t1\t12\t1\tx\n", "type of address"},
    {"bad escape", kHead + kStorages + "entry\tSM\t1\t129\t1\tx\\q\n", "escape"},
    {"escape cut short", kHead + kStorages + "entry\tSM\t1\t129\t1\tx\\x4\n", "escape"},
    {"backslash at the end", kHead + kStorages + "entry\tSM\t1\t129\t1\tx\\\n", "escape"},
    {"name too long", kHead + kStorages + "entry\tSM\t1\t129\t1\t" + std::string(19, 'x') + "\n", "longer than"},
    {"storage shrunk below its entries", kHead + kStorages + "entry\tSM\t9\t129\t1\tx\nstorage\tSM\t5\t20\t18\n",
     "smaller than its entries"},
    {"absurd storage size", kHead + "storage\tSM\t0\t20\t18\n", "bad storage"},
    {"unknown storage", kHead + "storage\tXX\t10\t20\t18\n", "unknown storage"},
    {"melody index", kHead + kStorages + "melody\t9\t0\tc4\n", "bad melody line"},
    {"melody text", kHead + kStorages + "melody\t1\t0\thello\n", "bad melody text"},
    {"ring level", kHead + kStorages + "ring\t9\t1\n", "bad ring line"},
    {"charset", kHead + kStorages + "charset\tEBCDIC\n", "bad charset"},
    {"nextref", kHead + kStorages + "nextref\t256\n", "bad nextref"},
    {"sent fields", kHead + kStorages + "sent\t1\t129\n", "bad sent line"},
    {"number overflowing int", kHead + kStorages + "nextref\t99999999999999999999\n", "bad nextref"},
};
INSTANTIATE_TEST_SUITE_P(Files, CorruptState, testing::ValuesIn(kCorrupt));

TEST(StateFile, CommentsBlankLinesAndCrLfAreAccepted) {
    PhoneState s;
    std::string error;
    ASSERT_TRUE(ParseState("harlune-phonesim-state 1\r\n# hand-edited\r\n\r\n" + kStorages +
                               "entry\tME\t3\t145\t+441\tBob\r\n",
                           &s, &error))
        << error;
    EXPECT_EQ(s.memory.entries.at(3), (PhonebookRecord{"+441", 145, "Bob"}));
    EXPECT_EQ(s.melodies.size(), 8u);
}

} // namespace
