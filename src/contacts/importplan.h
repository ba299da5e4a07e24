#pragma once
// What an import would do, decided before anything is written: for every number of every
// contact, whether it is new to the storage, already there, there under another name, or will
// not fit. Nothing here talks to the phone; the plan is shown, and the user chooses what to write.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/contact.h"
#include "contacts/numbermatch.h"
#include "phonelink/phonebookentry.h"

namespace contacts {

// The storage to import into, as the phone declared and listed it.
struct StorageFacts {
    uint8_t storage = kStoragePhone;
    std::vector<PhonebookEntry> entries;  // what it holds now
    int firstPosition = 1, lastPosition = 0;  // from its "AT+CPBR=?" range; 0 when unknown
    int nameLength = 0, numberLength = 0;     // declared limits; 0 when unknown
    // Whether the phone's character set can carry a name unchanged; empty: any name.
    std::function<bool(std::string_view)> canStore;
};

enum class Verdict { New, AlreadyThere, Changed, WontFit };
const char* VerdictWord(Verdict verdict);  // "new", "already there", "changed", "will not fit"

struct PlannedEntry {
    Verdict verdict = Verdict::New;
    PhonebookEntry entry;       // what would be written; position 0 for a new one (the first free)
    int existingPosition = 0;   // the entry with the same number, for AlreadyThere and Changed
    std::string existingName;   // its name, for Changed
    std::string reason;         // for WontFit, and for a number the file holds twice
    int line = 0;               // where the contact stands in the file
};

struct ImportPlan {
    std::vector<PlannedEntry> rows;
    int Count(Verdict verdict) const;
};

ImportPlan PlanImport(const std::vector<Contact>& contacts, const StorageFacts& target, const NumberMatcher& matcher);

// Characters of a UTF-8 text (code points), as the phone counts a name's length.
size_t CharacterCount(std::string_view utf8);

} // namespace contacts
