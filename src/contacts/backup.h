#pragma once
// A backup of a whole phone in one file: both phone books with the limits the phone declared,
// the user melodies, who the phone is and when the copy was made. The text is JSON, so that a
// user can read it and other programs can take it; reading refuses anything malformed with a
// sentence that says where, and never half-fills a backup.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "phonelink/melodyentry.h"
#include "phonelink/phonebookentry.h"

namespace contacts {

struct BackupStorage {
    uint8_t storage = kStoragePhone;
    int firstPosition = 0, lastPosition = 0;  // from "AT+CPBR=?"; 0 when the phone did not say
    int nameLength = 0, numberLength = 0;
    std::vector<PhonebookEntry> entries;
    bool operator==(const BackupStorage&) const = default;
};

struct PhoneBackup {
    std::string maker, model, revision, serial;  // the phone's identity, as it answered
    std::string time;                            // when the copy was made, ISO 8601 with offset
    std::vector<BackupStorage> storages;
    std::vector<MelodyEntry> melodies;
    bool operator==(const PhoneBackup&) const = default;
};

std::string WriteBackup(const PhoneBackup& backup);
// False with the reason (and `backup` untouched) when the text is not a backup of ours.
bool ReadBackup(std::string_view text, PhoneBackup* backup, std::string* error);

} // namespace contacts
