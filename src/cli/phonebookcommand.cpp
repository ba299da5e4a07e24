#include "phonebookcommand.h"

#include <algorithm>
#include <set>

#include "cliargs.h"
#include "clioutput.h"
#include "clirun.h"
#include "contacts/contactcsv.h"
#include "contacts/vcard.h"
#include "contactscli.h"
#include "phonelink/phonelink.h"
#include "platform/atomicfile.h"
#include "platform/debuglog.h"

using namespace contacts;

int RunBackup(const ContactsRequest& request, std::ostream& out, std::ostream& err);
int RunRestore(const ContactsRequest& request, std::ostream& out, std::ostream& err);

namespace {

constexpr const char* kContactsUsage =
    "usage: harlune-cli (--port N | --device PATH) [--json] [--debug] COMMAND\n"
    "  phonebook export --format vcf|csv [--vcard 2.1|3.0] [--storage SM|ME] FILE\n"
    "      both storages (or one) to a vCard (3.0 unless 2.1 is asked) or CSV file\n"
    "  phonebook import FILE [--storage SM|ME] [--dry-run] [--update-changed]\n"
    "      vCard 2.1/3.0/4.0 or CSV; first a preview per entry (new, already there, changed,\n"
    "      will not fit), printed alone with --dry-run (as JSON with --json); entries go to the\n"
    "      storage the file names, else the phone memory, unless --storage says\n"
    "  phonebook copy --from SM|ME --to ME|SM [--move] [--dry-run] [--update-changed]\n"
    "  backup FILE        both phone books with their limits, the melodies, identity and time\n"
    "  restore FILE [--dry-run] [--update-changed]\n"
    "      the phone as it is now is saved beside FILE (or in the user's data folder) first\n"
    "Nothing on the phone is deleted, except the originals of a --move. Entries whose number is\n"
    "on the phone under another name are left as they are unless --update-changed is given.\n";

const std::vector<OptionSpec> kOptions = {
    {"port", true},   {"device", true},  {"storage", true}, {"format", true},         {"vcard", true},
    {"from", true},   {"to", true},      {"move", false},   {"dry-run", false},       {"json", false},
    {"debug", false}, {"help", false, 'h'}, {"update-changed", false},
};

struct CommandShape {
    const char* group;
    const char* action;  // empty for the one-word commands
    bool takesFile;
    std::set<std::string> required, optional;  // valued options
    std::set<std::string> flags;               // beyond --json, --debug, --help
};

const std::vector<CommandShape> kShapes = {
    {"phonebook", "export", true, {"format"}, {"vcard", "storage"}, {}},
    {"phonebook", "import", true, {}, {"storage"}, {"dry-run", "update-changed"}},
    {"phonebook", "copy", false, {"from", "to"}, {}, {"move", "dry-run", "update-changed"}},
    {"backup", "", true, {}, {}, {}},
    {"restore", "", true, {}, {}, {"dry-run", "update-changed"}},
};

const CommandShape* ShapeOf(const std::vector<std::string>& words) {
    for (const CommandShape& shape : kShapes) {
        if (words.empty() || words[0] != shape.group)
            continue;
        if (!*shape.action || (words.size() > 1 && words[1] == shape.action))
            return &shape;
    }
    return nullptr;
}

int Usage(std::ostream& err, const std::string& reason) {
    err << "harlune-cli: " << reason << "\n(harlune-cli phonebook import --help lists these commands)\n";
    return kExitUsage;
}

uint8_t StorageOption(const ContactsRequest& request, const char* name) {
    auto it = request.values.find(name);
    return it == request.values.end() ? 0 : StorageCode(it->second);
}

const std::string& FileWord(const ContactsRequest& request) { return request.words.back(); }

int Export(const ContactsRequest& request, std::ostream& out, std::ostream& err) {
    const std::string& format = request.values.at("format");
    if (format != "vcf" && format != "csv")
        return Usage(err, "--format is vcf or csv");
    auto vcard = request.values.find("vcard");
    if (vcard != request.values.end() && (format != "vcf" || (vcard->second != "2.1" && vcard->second != "3.0")))
        return Usage(err, format != "vcf" ? "--vcard belongs to --format vcf" : "--vcard is 2.1 or 3.0");
    const uint8_t only = StorageOption(request, "storage");
    std::unique_ptr<CPhoneLink> link = OpenContactsPhone(request, err);
    if (!link)
        return kExitConnection;
    std::vector<uint8_t> storages = only ? std::vector<uint8_t>{only} : std::vector<uint8_t>{kStorageSim, kStoragePhone};
    int status = kExitOk;
    if (!ReadContactsStorages(*link, storages, err, &status))
        return status;
    std::vector<PhonebookEntry> entries;
    for (uint8_t storage : storages) {
        const size_t first = entries.size();
        for (const auto& e : link->Entries(storage))
            entries.push_back(*e);
        std::sort(entries.begin() + static_cast<long>(first), entries.end(),
                  [](const PhonebookEntry& a, const PhonebookEntry& b) { return a.position < b.position; });
    }
    const std::string text = format == "csv" ? WriteContactsCsv(entries)
                                             : WriteVCards(entries, vcard != request.values.end() && vcard->second == "2.1"
                                                                        ? VCardVersion::V21
                                                                        : VCardVersion::V30);
    std::string why;
    if (!platform::WriteFileAtomically(FileWord(request), text, &why)) {
        err << "harlune-cli: " << FileWord(request) << " could not be written: " << why << '\n';
        return kExitRefused;
    }
    if (request.json)
        out << "{\"file\":" << JsonString(FileWord(request)) << ",\"entries\":" << entries.size() << "}\n";
    else
        out << "Exported " << entries.size() << (entries.size() == 1 ? " entry" : " entries") << " to "
            << FileWord(request) << ".\n";
    return kExitOk;
}

int Import(const ContactsRequest& request, std::ostream& out, std::ostream& err) {
    const std::string& file = FileWord(request);
    std::string bytes;
    bool exists = false;
    if (!platform::ReadWholeFile(file, &bytes, &exists)) {
        err << "harlune-cli: " << file << (exists ? " cannot be read" : " does not exist") << '\n';
        return kExitUsage;
    }
    const ReadResult read = ReadContactFile(bytes);
    PrintReadProblems(err, file, read.problems);
    if (read.contacts.empty()) {
        err << "harlune-cli: " << file << " holds no contact with a number to import\n";
        return kExitUsage;
    }
    const uint8_t only = StorageOption(request, "storage");
    std::set<uint8_t> wanted;
    for (const Contact& c : read.contacts)
        wanted.insert(only ? only : c.storage == kStorageSim ? kStorageSim : kStoragePhone);
    std::unique_ptr<CPhoneLink> link = OpenContactsPhone(request, err);
    if (!link)
        return kExitConnection;
    int status = kExitOk;
    std::vector<uint8_t> storages;
    for (uint8_t s : {kStorageSim, kStoragePhone})
        if (wanted.count(s))
            storages.push_back(s);
    if (!ReadContactsStorages(*link, storages, err, &status))
        return status;
    const auto plans = PlanIntoStorages(read.contacts, *link, only, kStoragePhone, LocaleNumberMatcher());
    if (request.dryRun) {
        PrintContactsPreview(out, err, plans, read.problems, request.json);
        return kExitOk;
    }
    return WriteContactsPlans(plans, {.addNew = true, .updateChanged = request.updateChanged}, *link, out, err,
                              request.json);
}

int Copy(const ContactsRequest& request, std::ostream& out, std::ostream& err) {
    const uint8_t from = StorageOption(request, "from"), to = StorageOption(request, "to");
    if (!from || !to)
        return Usage(err, "--from and --to are SM or ME");
    if (from == to)
        return Usage(err, "--from and --to name the same storage");
    std::unique_ptr<CPhoneLink> link = OpenContactsPhone(request, err);
    if (!link)
        return kExitConnection;
    int status = kExitOk;
    if (!ReadContactsStorages(*link, {from, to}, err, &status))
        return status;
    std::vector<PhonebookEntry> originals;
    for (const auto& e : link->Entries(from))
        originals.push_back(*e);
    const NumberMatcher matcher = LocaleNumberMatcher();
    const auto plans = PlanIntoStorages(EntriesAsContacts(originals), *link, to, to, matcher);
    if (request.dryRun) {
        PrintContactsPreview(out, err, plans, {}, request.json);
        return kExitOk;
    }
    ImportOutcome outcome;
    status = WriteContactsPlans(plans, {.addNew = true, .updateChanged = request.updateChanged}, *link, out, err,
                                request.json, &outcome);
    if (!request.move || outcome.linkLost)
        return status;
    int erased = 0;
    std::string why;
    const bool ok = EraseMovedOriginals(originals, from, to, *link, matcher, &erased, &why);
    err << "harlune-cli: erased " << erased << " of " << originals.size() << " from " << StorageWords(from)
        << (erased < static_cast<int>(originals.size()) ? "; the others were not copied and stay" : "") << '\n';
    if (!ok) {
        err << "harlune-cli: " << why << '\n';
        return IsConnectionFailure(link->LastError()) ? kExitConnection : kExitRefused;
    }
    return status;
}

} // namespace

bool IsContactsCommand(const std::vector<std::string>& args) {
    ReadLine line;
    OptionError ignored; // reported when the command's line is parsed
    ReadOptions(args, kOptions, line, ignored);
    return ShapeOf(line.words) != nullptr;
}

int RunContactsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ReadLine line;
    OptionError wrong;
    if (!ReadOptions(args, kOptions, line, wrong)) {
        switch (wrong.kind) {
        case OptionError::Kind::Unknown: return Usage(err, "unknown option " + wrong.text);
        case OptionError::Kind::MissingValue: return Usage(err, "--" + wrong.option + " needs a value");
        case OptionError::Kind::UnwantedValue: return Usage(err, "--" + wrong.option + " takes no value");
        }
    }
    ContactsRequest request;
    request.words = line.words;
    for (ReadOption& option : line.options) {
        const std::string& name = option.name;
        if (!option.value) {
            bool& flag = name == "json"       ? request.json
                         : name == "debug"    ? request.debug
                         : name == "help"     ? request.help
                         : name == "dry-run"  ? request.dryRun
                         : name == "move"     ? request.move
                                              : request.updateChanged;
            flag = true;
            request.values[name];  // seen, for the check of what belongs to the command
            continue;
        }
        if (request.values.count(name))
            return Usage(err, "--" + name + " given twice");
        request.values[name] = std::move(*option.value);
    }
    const CommandShape& shape = *ShapeOf(request.words);
    const std::string command = std::string(shape.group) + (*shape.action ? std::string(" ") + shape.action : "");
    if (request.help) {
        out << kContactsUsage;
        return kExitOk;
    }
    if (auto it = request.values.find("port"); it != request.values.end()) {
        if (!(request.port = ParseCliInt(it->second, 1, 255)))
            return Usage(err, "--port needs a number from 1 to 255");
        request.values.erase(it);
    }
    if (auto it = request.values.find("device"); it != request.values.end()) {
        request.device = it->second;
        request.values.erase(it);
    }
    if (request.port && request.device)
        return Usage(err, "give either --port or --device, not both");
    if (!request.port && !request.device)
        return Usage(err, "give --port N or --device PATH");
    const size_t words = (*shape.action ? 2 : 1) + (shape.takesFile ? 1 : 0);
    if (request.words.size() != words)
        return Usage(err, shape.takesFile ? command + " needs one FILE" : command + " takes no file");
    for (const std::string& name : shape.required)
        if (!request.values.count(name))
            return Usage(err, command + " needs --" + name);
    for (const auto& [name, value] : request.values) {
        const bool general = name == "json" || name == "debug" || name == "help";
        if (!general && !shape.required.count(name) && !shape.optional.count(name) && !shape.flags.count(name))
            return Usage(err, "--" + name + " does not belong to " + command);
    }
    for (const char* name : {"storage", "from", "to"})
        if (request.values.count(name) && !StorageOption(request, name))
            return Usage(err, std::string("--") + name + " is SM or ME");
    if (request.debug)
        platform::SetDebugLogEnabled(true);
    if (command == "phonebook export")
        return Export(request, out, err);
    if (command == "phonebook import")
        return Import(request, out, err);
    if (command == "phonebook copy")
        return Copy(request, out, err);
    if (command == "backup")
        return RunBackup(request, out, err);
    return RunRestore(request, out, err);
}
