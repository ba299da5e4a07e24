// The archive on a real SQLite file in a temporary folder.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "messages/archive.h"

namespace messages {
namespace {

// Recorded PDUs (oFono's unit/test-sms.c): a deliver from +31641600986 at 2002-08-26 and one
// from the alphanumeric sender "sipgate" at 2008-08-13.
const char* kHowAreYou = "07911326040000F0040B911346610089F60000208062917314480CC8F71D14969741F977FD07";
const char* kSipgate = "0791447758100650040DD0F334FC1CA6970100008080312170224008D4F29CDE0EA7D9";

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/harlune-archive-XXXXXX";
        ASSERT_TRUE(mkdtemp(folder));
        m_folder = folder;
        m_path = m_folder + "/messages.sqlite";
    }
    void TearDown() override { std::system(("rm -rf '" + m_folder + "'").c_str()); }

    std::string m_folder, m_path;
};

TEST_F(ArchiveTest, AddingTwiceNeverDuplicatesAndTheArchiveOutlivesThePhone) {
    MessageArchive archive;
    std::string error;
    ASSERT_TRUE(archive.Open(m_path, error)) << error;
    std::vector<ArchiveEntry> listing = {{"Phone 1", "SM", 1, 1, kSipgate, 27},
                                         {"Phone 1", "SM", 2, 0, kHowAreYou, 30},
                                         {"Phone 1", "ME", 1, 0, "07GARBAGE", -1}};
    std::vector<bool> stored;
    ASSERT_TRUE(archive.Add(listing, stored, error)) << error;
    EXPECT_EQ(stored, std::vector<bool>(3, true)) << "an undecodable PDU is kept as it came";
    int64_t added = -1;
    ASSERT_TRUE(archive.Add(listing, stored, error, &added)) << error;
    EXPECT_EQ(added, 0);
    // The same message under another phone is another row.
    ASSERT_TRUE(archive.Add({{"Phone 2", "SM", 1, 1, kSipgate, 27}}, stored, error, &added)) << error;
    EXPECT_EQ(added, 1);

    MessageArchive reopened; // as after the phone deleted them and the program restarted
    ASSERT_TRUE(reopened.Open(m_path, error)) << error;
    int64_t count = 0;
    ASSERT_TRUE(reopened.Count(count, error));
    EXPECT_EQ(count, 4);

    std::vector<ArchivedMessage> all;
    ASSERT_TRUE(reopened.All(all, error));
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].sms.text, "How are you?") << "ordered by time stamp";
    EXPECT_EQ(all[1].sms.number, "sipgate");
    EXPECT_FALSE(all[3].decoded);

    std::vector<ArchivedMessage> conversation;
    ASSERT_TRUE(reopened.ConversationWith("sipgate", conversation, error));
    EXPECT_EQ(conversation.size(), 2u);
    std::vector<Conversation> conversations;
    ASSERT_TRUE(reopened.Conversations(conversations, error));
    ASSERT_EQ(conversations.size(), 3u);
    EXPECT_EQ(conversations[1].number, "sipgate");
    EXPECT_EQ(conversations[1].messages, 2);
    EXPECT_EQ(conversations[1].lastTime, "2008-08-13T12:07:22+01:00");

    std::ostringstream csv, json;
    ASSERT_TRUE(reopened.ExportCsv(csv, error));
    EXPECT_NE(csv.str().find("Phone 1,SM,2,unread,deliver,+31641600986,2002-08-26T19:37:41-01:00,How are you?,"),
              std::string::npos) << csv.str();
    ASSERT_TRUE(reopened.ExportJson(json, error));
    EXPECT_NE(json.str().find("\"number\": \"sipgate\""), std::string::npos) << json.str();
}

TEST_F(ArchiveTest, DamagedOrLockedFileGivesASentence) {
    std::string error;
    {
        std::ofstream junk(m_path);
        junk << std::string(4096, 'x');
    }
    MessageArchive archive;
    EXPECT_FALSE(archive.Open(m_path, error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    std::vector<bool> stored;
    EXPECT_FALSE(archive.Add({{"P", "SM", 1, 0, kSipgate, 27}}, stored, error));
    EXPECT_EQ(stored, std::vector<bool>{false});

    std::remove(m_path.c_str());
    ASSERT_TRUE(archive.Open(m_path, error)) << error;
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(archive.Add({{"P", "SM", 1, 0, kSipgate, 27}}, stored, error));
    EXPECT_NE(error.find("another program is using it"), std::string::npos) << error;
    EXPECT_EQ(stored, std::vector<bool>{false});
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(archive.Add({{"P", "SM", 1, 0, kSipgate, 27}}, stored, error)) << error;
}

} // namespace
} // namespace messages
