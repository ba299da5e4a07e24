#include "contacts/importplan.h"

#include <algorithm>

#include "contacts/numberkind.h"
#include "contacts/phonenumbertext.h"

namespace contacts {

const char* VerdictWord(Verdict verdict) {
    switch (verdict) {
    case Verdict::New: return "new";
    case Verdict::AlreadyThere: return "already there";
    case Verdict::Changed: return "changed";
    case Verdict::WontFit: return "will not fit";
    }
    return "";
}

int ImportPlan::Count(Verdict verdict) const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [&](const PlannedEntry& row) { return row.verdict == verdict; }));
}

size_t CharacterCount(std::string_view utf8) {
    return static_cast<size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

namespace {

// The entries already in the storage (and those the plan adds) that carry the same number.
const PhonebookEntry* FindSameNumber(const std::vector<PhonebookEntry>& entries, const PhonebookEntry& wanted,
                                     const NumberMatcher& matcher) {
    const PhonebookEntry* sameNumber = nullptr;
    for (const PhonebookEntry& entry : entries) {
        if (!matcher.Same(entry.number, wanted.number)) continue;
        if (entry.name == wanted.name) return &entry;  // the same name wins over the first one
        if (!sameNumber) sameNumber = &entry;
    }
    return sameNumber;
}

std::string WontFitReason(const PhonebookEntry& entry, const StorageFacts& target) {
    const size_t nameChars = CharacterCount(entry.name);
    if (target.nameLength > 0 && nameChars > static_cast<size_t>(target.nameLength))
        return "the name has " + std::to_string(nameChars) + " characters; this storage holds " +
               std::to_string(target.nameLength);
    // The declared number length counts the digits; a leading '+' travels in the number type.
    const size_t digits = entry.number.size() - (!entry.number.empty() && entry.number[0] == '+' ? 1 : 0);
    if (target.numberLength > 0 && digits > static_cast<size_t>(target.numberLength))
        return "the number has " + std::to_string(digits) + " digits; this storage holds " +
               std::to_string(target.numberLength);
    if (target.canStore && !target.canStore(entry.name))
        return "the phone cannot store some characters of the name";
    return {};
}

} // namespace

ImportPlan PlanImport(const std::vector<Contact>& contacts, const StorageFacts& target, const NumberMatcher& matcher) {
    ImportPlan plan;
    int freeSlots = -1;  // unknown: never refuse for room
    if (target.lastPosition >= target.firstPosition && target.lastPosition > 0)
        freeSlots = std::max(0, target.lastPosition - target.firstPosition + 1 - static_cast<int>(target.entries.size()));
    std::vector<PhonebookEntry> planned;  // the new ones, so a number the file holds twice is seen
    for (const Contact& contact : contacts) {
        for (const ContactNumber& number : contact.numbers) {
            PlannedEntry row;
            row.line = contact.line;
            row.entry.storage = target.storage;
            row.entry.name = WithKindSuffix(contact.name, number.kind);
            row.entry.number = number.number;
            row.entry.type = number.type == kTypeNational || number.type == kTypeInternational
                                 ? number.type
                                 : DefaultNumberType(number.number);
            if (const PhonebookEntry* there = FindSameNumber(target.entries, row.entry, matcher)) {
                row.existingPosition = there->position;
                row.entry.position = there->position;
                if (there->name == row.entry.name) {
                    row.verdict = Verdict::AlreadyThere;
                } else {
                    row.verdict = Verdict::Changed;
                    row.existingName = there->name;
                    if (std::string reason = WontFitReason(row.entry, target); !reason.empty()) {
                        row.verdict = Verdict::WontFit;
                        row.reason = std::move(reason);
                    }
                }
            } else if (const PhonebookEntry* twice = FindSameNumber(planned, row.entry, matcher);
                       twice && twice->name == row.entry.name) {
                row.verdict = Verdict::AlreadyThere;
                row.reason = "the file holds this entry twice";
            } else if (std::string reason = WontFitReason(row.entry, target); !reason.empty()) {
                row.verdict = Verdict::WontFit;
                row.reason = std::move(reason);
            } else if (freeSlots == 0) {
                row.verdict = Verdict::WontFit;
                row.reason = "the storage is full";
            } else {
                row.verdict = Verdict::New;
                if (freeSlots > 0) --freeSlots;
                planned.push_back(row.entry);
            }
            plan.rows.push_back(std::move(row));
        }
    }
    return plan;
}

} // namespace contacts
