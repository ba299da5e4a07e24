#pragma once
// Carrying out an import plan, entry by entry, against a phone book that can be written: the
// rows the user chose, with progress and Cancel, stopping cleanly when the link is lost. Running
// the same import again later plans the written entries as already there, so an import stopped
// half-way completes without duplicates.
#include <functional>
#include <string>
#include <vector>

#include "contacts/importplan.h"

namespace contacts {

// What the import writes through; the phone link stands behind it in the programs.
class IPhonebookTarget {
public:
    virtual ~IPhonebookTarget() = default;
    // Writes a new entry at the first free position. True when the phone took it.
    virtual bool Add(const PhonebookEntry& entry, std::string* error) = 0;
    // Writes new texts at entry.position. True when the phone took them.
    virtual bool Modify(const PhonebookEntry& entry, std::string* error) = 0;
    // True once the connection is gone: nothing more can be written.
    virtual bool LinkLost() const = 0;
};

struct ImportChoices {
    bool addNew = true;          // write the entries planned as new
    bool updateChanged = false;  // overwrite entries whose number is there under another name
};

struct ImportOutcome {
    int written = 0;
    int skipped = 0;             // not chosen, already there, will not fit
    std::vector<std::string> failures;  // one sentence per entry the phone refused
    bool cancelled = false;
    bool linkLost = false;
    int notAttempted = 0;        // chosen but not reached (cancel, lost link)
    // "Imported 12 of 15 entries; 2 refused by the phone; 1 not written: the connection was lost."
    std::string Summary() const;
};

// `progress(done, total)` after each chosen row; returning false cancels before the next one.
ImportOutcome RunImport(const ImportPlan& plan, const ImportChoices& choices, IPhonebookTarget& target,
                        const std::function<bool(int done, int total)>& progress = {});

} // namespace contacts
