#include "contacts/link/phonecopy.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>

#include "contacts/contactcsv.h"
#include "contacts/filetext.h"
#include "contacts/vcard.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"

#include "contacts/link/phonelinktarget.h"
#include "phonelink/phonelink.h"

namespace contacts {

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string out = text;
    // strftime's offset is "+0100"; ISO 8601 with a colon reads better and parses everywhere.
    if (out.size() >= 5)
        out.insert(out.size() - 2, ":");
    return out;
}

bool ReadPhoneBackup(CPhoneLink& link, PhoneBackup* backup, std::string* error, std::string* note) {
    PhoneBackup read;
    read.time = LocalTimeText();
    if (!link.ReadPhonebook()) {
        const LinkError& why = link.LastError();
        // A refused SIM (none inserted, locked) still leaves a phone memory worth keeping.
        if (!(IsPhoneRefusal(why) && link.StorageError(kStorageSim) && !link.StorageError(kStoragePhone) &&
              link.StorageKnown(kStoragePhone))) {
            if (error)
                *error = "the phone book could not be read: " + why.text;
            return false;
        }
        if (note)
            *note = "the SIM card was left out: " + link.StorageError(kStorageSim).text;
    }
    for (uint8_t storage : {kStorageSim, kStoragePhone}) {
        if (link.StorageError(storage))
            continue;
        BackupStorage book;
        book.storage = storage;
        const CpbrRange range = link.StorageLimits(storage);
        book.firstPosition = range.first;
        book.lastPosition = range.last;
        book.nameLength = std::max(0, range.textLength);
        book.numberLength = std::max(0, range.numberLength);
        for (const auto& entry : link.Entries(storage))
            book.entries.push_back(*entry);
        std::sort(book.entries.begin(), book.entries.end(),
                  [](const PhonebookEntry& a, const PhonebookEntry& b) { return a.position < b.position; });
        read.storages.push_back(std::move(book));
    }
    if (!link.ReadMelodies()) {
        if (error)
            *error = "the melodies could not be read: " + link.LastError().text;
        return false;
    }
    for (const auto& melody : link.Melodies())
        read.melodies.push_back(*melody);
    const CPhoneLink::SessionFacts& session = link.Session();
    read.maker = session.manufacturer;
    read.model = session.model;
    read.revision = session.revision;
    read.serial = session.serial;
    *backup = std::move(read);
    return true;
}

ReadResult ReadContactFile(std::string_view bytes) {
    std::string start = FileTextAsUtf8(bytes.substr(0, 4096));
    std::transform(start.begin(), start.end(), start.begin(), [](unsigned char c) { return std::toupper(c); });
    return start.find("BEGIN:VCARD") != std::string::npos ? ReadVCards(bytes) : ReadContactsCsv(bytes);
}

namespace {

// "20261208-170509" from "2026-12-08T17:05:09+01:00": a file name part without colons.
std::string StampOf(const std::string& time) {
    std::string stamp;
    for (char c : time.substr(0, 19))
        if (c >= '0' && c <= '9')
            stamp += c;
    return stamp.size() == 14 ? stamp.substr(0, 8) + "-" + stamp.substr(8) : stamp;
}

} // namespace

std::string SavePhoneBeforeRestore(const PhoneBackup& current, const std::string& backupFile, std::string* why) {
    const std::filesystem::path beside(backupFile);
    const std::string name = beside.stem().string() + "-before-restore-" + StampOf(current.time) + ".json";
    const std::string text = WriteBackup(current);
    std::string firstWhy, secondWhy;
    const std::filesystem::path there = beside.parent_path() / name;
    if (platform::WriteFileAtomically(there.string(), text, &firstWhy))
        return there.string();
    const std::string data = platform::UserDataDir() + "/" + name;
    if (platform::WriteFileAtomically(data, text, &secondWhy))
        return data;
    if (why)
        *why = there.string() + ": " + firstWhy + "; " + data + ": " + secondWhy;
    return {};
}

std::vector<Contact> EntriesAsContacts(const std::vector<PhonebookEntry>& entries) {
    std::vector<Contact> contacts;
    contacts.reserve(entries.size());
    for (const PhonebookEntry& entry : entries) {
        Contact contact;
        contact.name = entry.name;  // with its suffix: the kind stays None so nothing is added
        contact.numbers = {{entry.number, NumberKind::None, entry.type}};
        contact.storage = entry.storage;
        contact.position = entry.position;
        contacts.push_back(std::move(contact));
    }
    return contacts;
}

std::vector<StoragePlan> PlanIntoStorages(const std::vector<Contact>& contacts, const CPhoneLink& link, uint8_t only,
                                          uint8_t fallback, const NumberMatcher& matcher) {
    std::vector<StoragePlan> plans;
    for (uint8_t storage : {kStorageSim, kStoragePhone}) {
        std::vector<Contact> going;
        for (const Contact& contact : contacts) {
            const uint8_t named = contact.storage == kStorageSim || contact.storage == kStoragePhone ? contact.storage
                                                                                                     : fallback;
            if ((only ? only : named) == storage)
                going.push_back(contact);
        }
        if (!going.empty())
            plans.push_back({storage, PlanImport(going, LinkStorageFacts(link, storage), matcher)});
    }
    return plans;
}

int CountRows(const std::vector<StoragePlan>& plans, Verdict verdict) {
    int count = 0;
    for (const StoragePlan& p : plans)
        count += p.plan.Count(verdict);
    return count;
}

namespace {

int ChosenRows(const ImportPlan& plan, const ImportChoices& choices) {
    return static_cast<int>(std::count_if(plan.rows.begin(), plan.rows.end(), [&](const PlannedEntry& row) {
        return (row.verdict == Verdict::New && choices.addNew) ||
               (row.verdict == Verdict::Changed && choices.updateChanged);
    }));
}

} // namespace

ImportOutcome RunPlans(const std::vector<StoragePlan>& plans, const ImportChoices& choices, CPhoneLink& link,
                       const std::function<bool(int done, int total)>& progress) {
    int total = 0;
    for (const StoragePlan& p : plans)
        total += ChosenRows(p.plan, choices);
    PhoneLinkTarget target(link);
    ImportOutcome all;
    int before = 0;
    for (const StoragePlan& p : plans) {
        const int chosen = ChosenRows(p.plan, choices);
        ImportOutcome one;
        if (all.cancelled || all.linkLost) {
            one.notAttempted = chosen;  // not reached
            one.skipped = static_cast<int>(p.plan.rows.size()) - chosen;
        } else {
            one = RunImport(p.plan, choices, target,
                            [&](int done, int) { return !progress || progress(before + done, total); });
        }
        all.written += one.written;
        all.skipped += one.skipped;
        all.notAttempted += one.notAttempted;
        all.failures.insert(all.failures.end(), one.failures.begin(), one.failures.end());
        all.cancelled = all.cancelled || one.cancelled;
        all.linkLost = all.linkLost || one.linkLost;
        before += chosen;
    }
    return all;
}

bool EraseMovedOriginals(const std::vector<PhonebookEntry>& originals, uint8_t from, uint8_t to, CPhoneLink& link,
                         const NumberMatcher& matcher, int* erased, std::string* error) {
    int count = 0;
    for (const PhonebookEntry& original : originals) {
        const PhonebookList& target = link.Entries(to);
        const bool copied = std::any_of(target.begin(), target.end(), [&](const auto& e) {
            return e->name == original.name && matcher.Same(e->number, original.number);
        });
        if (!copied)
            continue;
        const PhonebookList& source = link.Entries(from);
        const auto listed = std::find_if(source.begin(), source.end(), [&](const auto& e) {
            return e->position == original.position && e->number == original.number && e->name == original.name;
        });
        if (listed == source.end())
            continue;  // gone already
        if (!link.DeleteEntry(listed->get())) {
            if (erased)
                *erased = count;
            if (error)
                *error = "\"" + original.name + "\" could not be erased from " +
                         (from == kStorageSim ? std::string("the SIM card") : std::string("the phone memory")) + ": " +
                         link.LastError().text;
            return false;
        }
        ++count;
    }
    if (erased)
        *erased = count;
    return true;
}

int RestoreMelodies(const PhoneBackup& backup, CPhoneLink& link, bool write, std::string* error) {
    int differing = 0;
    for (const MelodyEntry& saved : backup.melodies) {
        const MelodyList& list = link.Melodies();
        const auto now = std::find_if(list.begin(), list.end(), [&](const auto& m) { return m->index == saved.index; });
        if (now == list.end() || (*now)->text == saved.text)
            continue;
        ++differing;
        if (write && !link.WriteMelody(now->get(), saved.text)) {
            if (error)
                *error = "melody " + std::to_string(saved.index) + " could not be written: " + link.LastError().text;
            return differing - 1;
        }
    }
    return differing;
}

} // namespace contacts
