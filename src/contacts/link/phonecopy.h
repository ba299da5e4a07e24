#pragma once
// The whole phone read into a backup, and contacts put into the phone's storages: an import of a
// file, the restore of a backup, a copy or move between the SIM and the phone memory. Every one
// of them plans first (nothing written), then writes only the rows the user chose, and deletes
// nothing but the originals of a move.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "contacts/backup.h"
#include "contacts/importrun.h"

class CPhoneLink;

namespace contacts {

// Reads both phone books, the user melodies and the phone's identity, and stamps the time. A SIM
// the phone refuses (none inserted) is left out and named in *note; anything else that fails
// ends the read with false and the reason.
bool ReadPhoneBackup(CPhoneLink& link, PhoneBackup* backup, std::string* error, std::string* note = nullptr);
// Now, as local time with its offset: "2026-12-08T17:05:09+01:00".
std::string LocalTimeText();

// The contacts of an address book file: vCard when it says BEGIN:VCARD, else CSV.
ReadResult ReadContactFile(std::string_view bytes);

// Saves `current` (the phone as it is) before a restore writes anything: beside the backup file
// as "<name>-before-restore-<time>.json", else in the user's data folder. The path, or empty
// with both reasons.
std::string SavePhoneBeforeRestore(const PhoneBackup& current, const std::string& backupFile, std::string* why);

// One contact per entry, with the entry's own name (kind suffix included), number, type,
// storage and position.
std::vector<Contact> EntriesAsContacts(const std::vector<PhonebookEntry>& entries);

struct StoragePlan {
    uint8_t storage = kStoragePhone;
    ImportPlan plan;
};

// Plans each contact into `only`, or (when `only` is 0) into the storage the contact names, else
// into `fallback`; each against what the link last read of that storage. SIM first.
std::vector<StoragePlan> PlanIntoStorages(const std::vector<Contact>& contacts, const CPhoneLink& link, uint8_t only,
                                          uint8_t fallback, const NumberMatcher& matcher);
int CountRows(const std::vector<StoragePlan>& plans, Verdict verdict);

// Runs the plans one after the other through the link, as one import: `progress(done, total)`
// over all of them; a lost link or a cancel leaves the rest not attempted.
ImportOutcome RunPlans(const std::vector<StoragePlan>& plans, const ImportChoices& choices, CPhoneLink& link,
                       const std::function<bool(int done, int total)>& progress = {});

// The second half of a move: erases from `from` each original that `to` now holds (the same
// name and number, as the link lists `to`), so nothing the copy did not place is lost. False
// with the reason when an erase failed; *erased counts the ones that went.
bool EraseMovedOriginals(const std::vector<PhonebookEntry>& originals, uint8_t from, uint8_t to, CPhoneLink& link,
                         const NumberMatcher& matcher, int* erased, std::string* error);

// Melodies of the backup whose text differs from the phone's (read the melodies first); with
// `write`, each is written. The count of those that differ (or were written).
int RestoreMelodies(const PhoneBackup& backup, CPhoneLink& link, bool write, std::string* error);

} // namespace contacts
