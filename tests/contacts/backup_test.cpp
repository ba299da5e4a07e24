// The phone backup file: what is written reads back the same, and a file that is not a sound
// backup is refused with where it went wrong, leaving the caller's backup untouched.
#include <gtest/gtest.h>

#include "contacts/backup.h"

using namespace contacts;

namespace {

PhoneBackup Sample() {
    PhoneBackup b;
    b.maker = "Vantrel";
    b.model = "T68";
    b.revision = "R2A";
    b.serial = "350000000000000";
    b.time = "2026-12-08T14:30:00+01:00";
    b.storages = {{kStorageSim, 1, 250, 18, 20, {{1, "+31612345678", 145, "Anna/M", kStorageSim}}},
                  {kStoragePhone, 1, 500, 20, 40,
                   {{3, "0201234567", 129, "J\xC3\xBCrgen \"quoted\" \\ back", kStoragePhone}, {9, "*100#", 129, "", kStoragePhone}}}};
    b.melodies = {{1, "c d e f g"}, {8, ""}};
    return b;
}

TEST(Backup, ReadsBackWhatWasWritten) {
    PhoneBackup back;
    std::string error;
    ASSERT_TRUE(ReadBackup(WriteBackup(Sample()), &back, &error)) << error;
    EXPECT_EQ(back, Sample());
}

TEST(Backup, RefusesWhatIsNotASoundBackup) {
    const std::string good = WriteBackup(Sample());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const struct { const char* label; std::string text; const char* reasonPart; } rows[] = {
        {"not json", "BEGIN:VCARD", "not valid JSON"},
        {"other json", "{\"format\": \"something\"}", "not a phone backup"},
        {"format not text", "{\"format\": 7}", "not a phone backup"},
        {"newer version", replaced("\"version\": 1", "\"version\": 2"), "newer version"},
        {"position zero", replaced("\"position\": 1", "\"position\": 0"), "phone book 1, entry 1: \"position\" is 0"},
        {"type too large", replaced("\"type\": 145", "\"type\": 300"), "\"type\" is 300"},
        {"number not text", replaced("\"+31612345678\"", "31612345678"), "\"number\" is missing or of the wrong kind"},
        {"unknown storage", replaced("\"SM\"", "\"XX\""), "unknown storage \"XX\""},
        {"bad utf-8", replaced("Anna/M", "Anna\xC3"), "not valid JSON"},
        {"cut short", good.substr(0, good.size() / 2), "not valid JSON"},
    };
    for (const auto& row : rows) {
        PhoneBackup untouched = Sample();
        std::string error;
        EXPECT_FALSE(ReadBackup(row.text, &untouched, &error)) << row.label;
        EXPECT_NE(error.find(row.reasonPart), std::string::npos) << row.label << ": " << error;
        EXPECT_EQ(untouched, Sample()) << row.label;
    }
}

} // namespace
