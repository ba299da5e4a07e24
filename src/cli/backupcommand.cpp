// harlune-cli backup FILE and restore FILE: the whole phone in one file, and back.
#include <filesystem>

#include "clioutput.h"
#include "clirun.h"
#include "contactscli.h"
#include "phonelink/phonelink.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"

using namespace contacts;

namespace {

std::string Plural(size_t n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

std::string BackupSentence(const PhoneBackup& backup) {
    std::string text;
    for (const BackupStorage& book : backup.storages)
        text += Plural(book.entries.size(), book.storage == kStorageSim ? "SIM entry" : "phone memory entry",
                       book.storage == kStorageSim ? "SIM entries" : "phone memory entries") + ", ";
    return text + Plural(backup.melodies.size(), "melody", "melodies");
}

// "20261208-170509" from "2026-12-08T17:05:09+01:00": a file name part without colons.
std::string StampOf(const std::string& time) {
    std::string stamp;
    for (char c : time.substr(0, 19))
        if (c >= '0' && c <= '9')
            stamp += c;
    return stamp.size() == 14 ? stamp.substr(0, 8) + "-" + stamp.substr(8) : stamp;
}

// The phone as it is, saved before the restore writes anything: beside the backup, else in the
// user's data folder. The path, or empty with the reasons.
std::string SaveCurrentPhone(const PhoneBackup& current, const std::string& backupFile, std::string* why) {
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
    *why = there.string() + ": " + firstWhy + "; " + data + ": " + secondWhy;
    return {};
}

} // namespace

int RunBackup(const ContactsRequest& request, std::ostream& out, std::ostream& err) {
    const std::string& file = request.words.back();
    std::unique_ptr<CPhoneLink> link = OpenContactsPhone(request, err);
    if (!link)
        return kExitConnection;
    PhoneBackup backup;
    std::string why, note;
    if (!ReadPhoneBackup(*link, &backup, &why, &note)) {
        err << "harlune-cli: " << why << '\n';
        return IsConnectionFailure(link->LastError()) ? kExitConnection : kExitRefused;
    }
    if (!note.empty())
        err << "harlune-cli: " << note << '\n';
    if (!platform::WriteFileAtomically(file, WriteBackup(backup), &why)) {
        err << "harlune-cli: " << file << " could not be written: " << why << '\n';
        return kExitRefused;
    }
    if (request.json)
        out << "{\"file\":" << JsonString(file) << ",\"summary\":" << JsonString(BackupSentence(backup)) << "}\n";
    else
        out << "Backed up " << BackupSentence(backup) << " to " << file << ".\n";
    return kExitOk;
}

int RunRestore(const ContactsRequest& request, std::ostream& out, std::ostream& err) {
    const std::string& file = request.words.back();
    std::string text, why;
    bool exists = false;
    if (!platform::ReadWholeFile(file, &text, &exists)) {
        err << "harlune-cli: " << file << (exists ? " cannot be read" : " does not exist") << '\n';
        return kExitUsage;
    }
    PhoneBackup backup;
    if (!ReadBackup(text, &backup, &why)) {
        err << "harlune-cli: " << file << ": " << why << '\n';
        return kExitUsage;
    }
    std::unique_ptr<CPhoneLink> link = OpenContactsPhone(request, err);
    if (!link)
        return kExitConnection;
    // What the phone holds now: the plan's ground, and the copy kept before any write.
    PhoneBackup current;
    std::string note;
    if (!ReadPhoneBackup(*link, &current, &why, &note)) {
        err << "harlune-cli: " << why << '\n';
        return IsConnectionFailure(link->LastError()) ? kExitConnection : kExitRefused;
    }
    std::vector<Contact> contacts;
    for (const BackupStorage& book : backup.storages) {
        if (link->StorageError(book.storage) && !book.entries.empty()) {
            err << "harlune-cli: " << StorageWords(book.storage) << " cannot be restored: " << note << '\n';
            return kExitRefused;
        }
        for (Contact& c : EntriesAsContacts(book.entries))
            contacts.push_back(std::move(c));
    }
    const auto plans = PlanIntoStorages(contacts, *link, 0, kStoragePhone, LocaleNumberMatcher());
    const int melodies = RestoreMelodies(backup, *link, false, &why);
    if (request.dryRun) {
        PrintContactsPreview(out, err, plans, {}, request.json);
        err << "harlune-cli: " << Plural(static_cast<size_t>(melodies), "melody differs", "melodies differ")
            << " from the backup\n";
        return kExitOk;
    }
    const std::string saved = SaveCurrentPhone(current, file, &why);
    if (saved.empty()) {
        err << "harlune-cli: nothing was restored: the phone as it is could not be saved first (" << why << ")\n";
        return kExitRefused;
    }
    err << "harlune-cli: the phone as it was is saved in " << saved << '\n';
    ImportOutcome outcome;
    int status = WriteContactsPlans(plans, {.addNew = true, .updateChanged = request.updateChanged}, *link, out, err,
                                    request.json, &outcome);
    if (outcome.linkLost)
        return status;
    why.clear();
    const int written = RestoreMelodies(backup, *link, true, &why);
    err << "harlune-cli: " << Plural(static_cast<size_t>(written), "melody", "melodies") << " restored\n";
    if (!why.empty()) {
        err << "harlune-cli: " << why << '\n';
        return IsConnectionFailure(link->LastError()) ? kExitConnection : kExitRefused;
    }
    return status;
}
