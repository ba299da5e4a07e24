// harlune-cli backup FILE and restore FILE: the whole phone in one file, and back.
#include "clioutput.h"
#include "clirun.h"
#include "contactscli.h"
#include "phonelink/phonelink.h"
#include "platform/atomicfile.h"

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
    const std::string saved = SavePhoneBeforeRestore(current, file, &why);
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
