#include "clirun.h"

#include <algorithm>
#include <memory>
#include <set>

#include "cliargs.h"
#include "commap.h"
#include "portscommand.h"
#include "smscommand.h"
#include "clioutput.h"
#include "phonebookcommand.h"
#include "phonelink/messagesink.h"
#include "phonelink/phonelink.h"
#include "platform/debuglog.h"
#include "stackcommands.h"

#ifndef HARLUNE_VERSION
#define HARLUNE_VERSION "unknown"
#endif

namespace {

struct CommandSpec {
    const char* group;
    const char* action;
    std::set<std::string> required;
    std::set<std::string> optional;
};

const std::vector<CommandSpec> kCommands = {
    {"phonebook", "read", {}, {"storage"}},
    {"phonebook", "add", {"storage", "name", "number"}, {}},
    {"phonebook", "modify", {"storage", "position", "name", "number"}, {}},
    {"phonebook", "delete", {"storage", "position"}, {}},
    {"melody", "list", {}, {}},
    {"melody", "write", {"index", "text"}, {}},
    {"melody", "play", {"sound", "level"}, {}},
    {"melody", "set-default", {"sound"}, {}},
    {"sms", "send", {"to", "text"}, {}},
};

struct StderrSink : IMessageSink {
    explicit StderrSink(std::ostream& err) : m_err(err) {}
    void ShowMessage(std::string_view text) override { m_err << "harlune-cli: " << text << '\n'; }
    std::ostream& m_err;
};

class Session {
public:
    Session(const CliRequest& request, std::ostream& out, std::ostream& err)
        : m_request(request), m_out(out), m_err(err) {}

    int Usage(const std::string& reason) {
        m_err << "harlune-cli: " << reason << "\n(harlune-cli --help lists the commands)\n";
        return kExitUsage;
    }

    int Failed(const CPhoneLink& link) {
        const LinkError& e = link.LastError();
        m_err << "harlune-cli: " << e.text << '\n';
        if (e.kind == LinkErrorKind::InvalidInput)
            return kExitUsage;
        if (IsConnectionFailure(e))
            return kExitConnection;
        return kExitRefused;
    }

    const std::string& Value(const char* name) const { return m_request.values.at(name); }

    uint8_t Storage() const {
        auto it = m_request.values.find("storage");
        return it == m_request.values.end() ? 0 : StorageCode(it->second);
    }

    void PrintEntries(const std::vector<const PhonebookEntry*>& entries) {
        if (m_request.json) {
            m_out << '[';
            for (size_t i = 0; i < entries.size(); ++i)
                m_out << (i ? "," : "") << EntryJson(*entries[i]);
            m_out << "]\n";
        } else {
            for (auto* e : entries)
                PrintEntryTsv(m_out, *e);
        }
    }

    PhonebookEntry* FindListed(CPhoneLink& link, uint8_t storage, int position) {
        for (const auto& e : link.Entries(storage))
            if (e->position == position)
                return e.get();
        return nullptr;
    }

    int PhonebookRead(CPhoneLink& link) {
        uint8_t only = Storage();
        bool ok = only ? link.ReadStorage(StorageName(only)) : link.ReadPhonebook();
        // A refused SIM still leaves the phone memory worth printing.
        if (!ok && !only && !IsPhoneRefusal(link.LastError()))
            return Failed(link);
        // An incomplete read still prints what was read; the exit status and the sentence say
        // that entries are missing.
        if (!ok && only && link.LastError().kind != LinkErrorKind::BadReply)
            return Failed(link);
        std::vector<const PhonebookEntry*> entries;
        for (uint8_t code : {kStorageSim, kStoragePhone})
            if (!only || only == code)
                for (const auto& e : link.Entries(code))
                    entries.push_back(e.get());
        PrintEntries(entries);
        return ok ? kExitOk : Failed(link);
    }

    int PhonebookAdd(CPhoneLink& link) {
        auto entry = std::make_unique<PhonebookEntry>();
        entry->storage = Storage();
        entry->number = Value("number");
        entry->name = Value("name");
        // The new position is found against the storage as it was, so read it first.
        if (!link.ReadStorage(StorageName(entry->storage)))
            return Failed(link);
        bool added = link.AddEntry(std::move(entry));
        // Exactly the record the link added (also one the phone stored despite an error).
        if (const PhonebookEntry* stored = link.LastAdded())
            PrintEntries({stored});
        return added ? kExitOk : Failed(link);
    }

    int PhonebookChange(CPhoneLink& link, bool remove) {
        auto position = ParseCliInt(Value("position"), 1, 65535);
        if (!position)
            return Usage("--position needs a positive number");
        if (!link.ReadStorage(StorageName(Storage())))
            return Failed(link);
        PhonebookEntry* entry = FindListed(link, Storage(), *position);
        if (!entry) {
            m_err << "harlune-cli: no entry at position " << *position << " of " << StorageLabel(Storage()) << '\n';
            return kExitRefused;
        }
        if (remove) {
            PhonebookEntry copy = *entry;
            if (!link.DeleteEntry(entry))
                return Failed(link);
            PrintEntries({&copy});
            return kExitOk;
        }
        if (!link.ModifyEntry(entry, Value("number"), Value("name")))
            return Failed(link);
        PrintEntries({entry});
        return kExitOk;
    }

    int MelodyList(CPhoneLink& link) {
        if (!link.ReadMelodies())
            return Failed(link);
        if (m_request.json) {
            m_out << '[';
            for (size_t i = 0; i < link.Melodies().size(); ++i)
                m_out << (i ? "," : "") << MelodyJson(*link.Melodies()[i]);
            m_out << "]\n";
        } else {
            for (const auto& m : link.Melodies())
                PrintMelodyTsv(m_out, *m);
        }
        return kExitOk;
    }

    int MelodyWrite(CPhoneLink& link) {
        auto index = ParseCliInt(Value("index"), 0, 65535);
        if (!index)
            return Usage("--index needs a number");
        if (!link.ReadMelodies())
            return Failed(link);
        auto& list = link.Melodies();
        auto it = std::find_if(list.begin(), list.end(), [&](const auto& m) { return m->index == *index; });
        if (it == list.end()) {
            m_err << "harlune-cli: the phone has no melody " << *index << '\n';
            return kExitRefused;
        }
        if (!link.WriteMelody(it->get(), Value("text")))
            return Failed(link);
        if (m_request.json)
            m_out << MelodyJson(**it) << '\n';
        else
            PrintMelodyTsv(m_out, **it);
        return kExitOk;
    }

    int Dispatch(CPhoneLink& link, const std::string& group, const std::string& action) {
        if (group == "phonebook") {
            if (action == "read")
                return PhonebookRead(link);
            if (action == "add")
                return PhonebookAdd(link);
            return PhonebookChange(link, action == "delete");
        }
        if (group == "melody") {
            if (action == "list")
                return MelodyList(link);
            if (action == "write")
                return MelodyWrite(link);
            auto sound = ParseCliInt(Value("sound"), 0, 999);
            if (!sound)
                return Usage("--sound needs a number");
            if (action == "play") {
                auto level = ParseCliInt(Value("level"), 0, 999);
                if (!level)
                    return Usage("--level needs a number");
                return link.PlayMelody(*level, *sound) ? kExitOk : Failed(link);
            }
            return link.SetDefaultMelody(*sound) ? kExitOk : Failed(link);
        }
        if (!link.SendSms(Value("text"), Value("to")))
            return Failed(link);
        if (m_request.json)
            m_out << "{\"reference\":" << link.LastMessageReference() << "}\n";
        else
            m_out << link.LastMessageReference() << '\n';
        return kExitOk;
    }

private:
    const CliRequest& m_request;
    std::ostream& m_out;
    std::ostream& m_err;
};

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (IsStackCommand(args))
        return RunStackCommand(args);
    if (FirstCommandWord(args, {}) == "ports")
        return RunPortsCommand(args, out, err);
    if (IsSmsStorageCommand(args))
        return RunSmsCommand(args, out, err);
    if (IsContactsCommand(args))
        return RunContactsCommand(args, out, err);

    CliRequest request;
    std::string error;
    if (!ParseCliArgs(args, request, error)) {
        err << "harlune-cli: " << error << "\n(harlune-cli --help lists the commands)\n";
        return kExitUsage;
    }
    Session session(request, out, err);
    if (request.help) {
        out << kCliUsage;
        return kExitOk;
    }
    if (request.version) {
        out << "harlune-cli " << HARLUNE_VERSION << '\n';
        return kExitOk;
    }
    if (request.words.size() != 2)
        return session.Usage("give a command, for example: phonebook read");
    auto command = std::find_if(kCommands.begin(), kCommands.end(), [&](const CommandSpec& c) {
        return request.words[0] == c.group && request.words[1] == c.action;
    });
    if (command == kCommands.end())
        return session.Usage("unknown command " + request.words[0] + " " + request.words[1]);
    for (const auto& name : command->required)
        if (!request.values.count(name))
            return session.Usage(request.words[0] + " " + request.words[1] + " needs --" + name);
    for (const auto& [name, value] : request.values)
        if (!command->required.count(name) && !command->optional.count(name))
            return session.Usage("--" + name + " does not belong to " + request.words[0] + " " + request.words[1]);
    if (request.values.count("storage") && session.Storage() == 0)
        return session.Usage("--storage is SM or ME");

    if (request.debug)
        platform::SetDebugLogEnabled(true);
    std::optional<std::string> device = request.device;
    if (!device) {
        std::string why;
        if (!(device = ResolveCliPort(*request.port, &why))) {
            err << "harlune-cli: " << why << '\n';
            return kExitConnection;
        }
    }
    StderrSink sink(err);
    std::unique_ptr<CPhoneLink> link = std::make_unique<CPhoneLink>(CPhoneLink::DevicePath{*device}, &sink);
    if (!link->IsOpen()) {
        err << "harlune-cli: " << link->Port().OpenError() << '\n';
        return kExitConnection;
    }
    return session.Dispatch(*link, request.words[0], request.words[1]);
}
