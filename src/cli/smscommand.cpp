#include "smscommand.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "cliargs.h"
#include "clioutput.h"
#include "clirun.h"
#include "commap.h"
#include "phonelink/phonelink.h"
#include "platform/debuglog.h"
#include "smskeep.h"
#include "smsrequest.h"
#include "smsrows.h"

extern char** environ;

namespace {

constexpr const char* kSmsUsage =
    "usage: harlune-cli (--port N | --device PATH) [--json] sms COMMAND\n"
    "  sms list [--storage SM|ME]     the messages stored on the phone, a concatenated message as\n"
    "                                 one entry; a full or nearly full storage is said\n"
    "  sms read INDEX [--storage SM|ME]  one stored message (SIM unless told)\n"
    "  sms delete INDEX [--storage SM|ME]  archives the message, then deletes it on the phone\n"
    "  sms archive [--free] [--storage SM|ME]  reads all and archives them; --free then deletes\n"
    "                                 on the phone what the archive holds; prints the counts and\n"
    "                                 how full each storage is (\"SIM 8 of 10\")\n"
    "  sms export --format csv|json [FILE]  the archive, to FILE or to standard output (needs\n"
    "                                 no phone)\n"
    "  sms watch [--exec CMD] [--count N]  one line per new message as it arrives; CMD runs for\n"
    "                                 each with HARLUNE_SMS_NUMBER, HARLUNE_SMS_TEXT,\n"
    "                                 HARLUNE_SMS_TIME, HARLUNE_SMS_STORAGE and\n"
    "                                 HARLUNE_SMS_INDEXES set; --count stops after N\n"
    "  sms send --to NUMBER --text TEXT [--long] [--report]\n"
    "                                 --long: a longer text goes as up to 10 concatenated parts;\n"
    "                                 --report: asks for delivery reports and waits for them (at\n"
    "                                 most a minute). Prints each part's message reference, then\n"
    "                                 each report: reference and outcome.\n"
    "Text: storage, indexes, status, kind, number, time, text, parts (have/total), "
    "tab-separated.\n"
    "Every message list, read, watch, delete and archive read is kept in the archive,\n"
    "$XDG_DATA_HOME/harlune/messages.sqlite (~/.local/share/harlune/ by default), once.\n";

const std::vector<OptionSpec> kSmsOptions = {
    {"port", true},    {"device", true}, {"storage", true}, {"exec", true},
    {"count", true},   {"to", true},     {"text", true},    {"long", false},
    {"report", false}, {"json", false},  {"debug", false},  {"help", false, 'h'},
    {"free", false},   {"format", true},
};

int Usage(std::ostream& err, const std::string& reason) {
    err << "harlune-cli: " << reason << "\n(harlune-cli sms --help lists the message commands)\n";
    return kExitUsage;
}

// False with a sentence for a malformed line.
bool ParseSms(const std::vector<std::string>& args, SmsRequest& r, std::string& error) {
    ReadLine line;
    OptionError wrong;
    if (!ReadOptions(args, kSmsOptions, line, wrong)) {
        error = wrong.kind == OptionError::Kind::Unknown ? "unknown option " + wrong.text
                : wrong.kind == OptionError::Kind::MissingValue
                    ? "--" + wrong.option + " needs a value"
                    : "--" + wrong.option + " takes no value";
        return false;
    }
    for (const ReadOption& o : line.options) {
        const std::string v = o.value.value_or("");
        if (o.name == "json")
            r.json = true;
        else if (o.name == "debug")
            r.debug = true;
        else if (o.name == "help")
            r.help = true;
        else if (o.name == "device")
            r.device = v;
        else if (o.name == "port" && !(r.port = ParseCliInt(v, 1, 255)))
            return error = "--port needs a number from 1 to 255", false;
        else if (o.name == "storage" && (r.storage = v) != "SM" && v != "ME")
            return error = "--storage is SM or ME", false;
        else if (o.name == "long")
            r.longText = true;
        else if (o.name == "report")
            r.report = true;
        else if (o.name == "to")
            r.to = v;
        else if (o.name == "text")
            r.text = v;
        else if (o.name == "exec")
            r.exec = v;
        else if (o.name == "count" && !(r.count = ParseCliInt(v, 1, 1000000)))
            return error = "--count needs a positive number", false;
        else if (o.name == "free")
            r.free = true;
        else if (o.name == "format" && (r.format = v) != "csv" && v != "json")
            return error = "--format is csv or json", false;
    }
    if (r.help)
        return true;
    if (line.words.size() < 2)
        return error =
                   "give a message command: sms list, read, watch, send, delete, archive or export",
               false;
    r.action = line.words[1];
    if (r.action == "send") {
        if (!r.to || !r.text)
            return error = r.to ? "sms send needs --text" : "sms send needs --to", false;
    } else if (r.to || r.text || r.longText || r.report) {
        return error = "--to, --text, --long and --report belong to sms send", false;
    }
    static const char* const kActions[] = {"list", "read",    "watch", "send",
                                           "delete", "archive", "export"};
    if (std::find(std::begin(kActions), std::end(kActions), r.action) == std::end(kActions))
        return error = "unknown command sms " + r.action, false;
    const bool takesIndex = r.action == "read" || r.action == "delete";
    if (r.action == "export") {
        if (line.words.size() > 3)
            return error = "sms export takes at most one FILE", false;
        if (line.words.size() == 3)
            r.file = line.words[2];
        if (r.format.empty())
            return error = "sms export needs --format csv or --format json", false;
    } else if (line.words.size() != (takesIndex ? 3u : 2u)) {
        return error = takesIndex ? "sms " + r.action + " needs one INDEX"
                                  : "sms " + r.action + " takes no INDEX",
               false;
    }
    if (takesIndex && !(r.index = ParseCliInt(line.words[2], 0, 65535)))
        return error = "INDEX is a storage position from 0 to 65535", false;
    if (r.free && r.action != "archive")
        return error = "--free belongs to sms archive", false;
    if (!r.format.empty() && r.action != "export")
        return error = "--format belongs to sms export", false;
    if (!r.exec.empty() && r.action != "watch")
        return error = "--exec belongs to sms watch", false;
    if (r.count && r.action != "watch")
        return error = "--count belongs to sms watch", false;
    if (!r.storage.empty() && (r.action == "watch" || r.action == "send" || r.action == "export"))
        return error = "--storage does not belong to sms " + r.action, false;
    if (r.action == "export")
        return true; // the archive only, no phone
    if (r.port && r.device)
        return error = "give either --port or --device, not both", false;
    if (!r.port && !r.device)
        return error = "give --port N or --device PATH", false;
    return true;
}

void PrintRow(std::ostream& out, const SmsRow& row, bool json) {
    if (json)
        out << SmsRowJson(row) << '\n';
    else
        PrintSmsRowTsv(out, row);
    out.flush();
}

// Runs the user's command for one message; its exit status is its own business, a command that
// cannot start is said once per message.
void RunExec(const std::string& command, const SmsRow& row, std::ostream& err) {
    std::string indexes;
    for (int i : row.indexes)
        indexes += (indexes.empty() ? "" : ",") + std::to_string(i);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (!std::string_view(*e).starts_with("HARLUNE_SMS_"))
            env.emplace_back(*e);
    env.push_back("HARLUNE_SMS_NUMBER=" + row.number);
    env.push_back("HARLUNE_SMS_TEXT=" + row.text);
    env.push_back("HARLUNE_SMS_TIME=" + row.time);
    env.push_back("HARLUNE_SMS_STORAGE=" + row.storage);
    env.push_back("HARLUNE_SMS_INDEXES=" + indexes);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string shell = "/bin/sh", dashC = "-c", cmd = command;
    char* argv[] = {shell.data(), dashC.data(), cmd.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, envp.data()) != 0) {
        err << "harlune-cli: --exec could not start /bin/sh\n";
        return;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

int List(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err) {
    bool ok = link.ReadSms(r.storage);
    if (!ok && link.StoredMessages().empty() && link.SmsStorageReads().empty())
        return SmsFailed(err, link.LastError());
    // Kept before anything is printed: whatever the listing gave, also when it was cut short.
    SmsKeeper keeper;
    std::string archiveError;
    const bool archived = keeper.Keep(link, link.StoredMessages(), archiveError);
    SmsRowBuilder rows;
    std::vector<std::string> problems;
    for (const StoredSms& sms : link.StoredMessages())
        rows.Add(sms, problems);
    std::vector<SmsRow> all = rows.Take();
    if (r.json) {
        out << '[';
        for (size_t i = 0; i < all.size(); ++i)
            out << (i ? "," : "") << SmsRowJson(all[i]);
        out << "]\n";
    } else {
        for (const SmsRow& row : all)
            PrintSmsRowTsv(out, row);
    }
    for (const std::string& p : problems)
        err << "harlune-cli: " << p << '\n';
    for (const auto& read : link.SmsStorageReads()) {
        if (std::string room = StorageRoomSentence(read.use); !room.empty())
            err << "harlune-cli: " << room << '\n';
        if (read.error)
            err << "harlune-cli: " << read.error.text << '\n';
    }
    if (!archived)
        err << "harlune-cli: the messages were listed but not archived: " << archiveError << '\n';
    if (!ok)
        return IsConnectionFailure(link.LastError()) ? kExitConnection : kExitRefused;
    return problems.empty() && archived ? kExitOk : kExitRefused;
}

int Read(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err) {
    StoredSms sms;
    if (!link.ReadOneSms(r.storage.empty() ? "SM" : r.storage, *r.index, sms))
        return SmsFailed(err, link.LastError());
    SmsKeeper keeper;
    std::string archiveError;
    const bool archived = keeper.Keep(link, {sms}, archiveError);
    SmsRowBuilder rows;
    std::vector<std::string> problems;
    rows.Add(sms, problems);
    for (const SmsRow& row : rows.Take())
        PrintRow(out, row, r.json);
    for (const std::string& p : problems)
        err << "harlune-cli: " << p << '\n';
    if (!archived)
        err << "harlune-cli: the message was read but not archived: " << archiveError << '\n';
    return problems.empty() && archived ? kExitOk : kExitRefused;
}

int Watch(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err) {
    if (!link.EnableSmsNotices())
        return SmsFailed(err, link.LastError());
    SmsRowBuilder pending; // parts of a concatenated message wait here for the rest
    SmsKeeper keeper;
    int printed = 0;
    LinkError readError;
    auto keep = [&](const StoredSms& sms) {
        std::string archiveError;
        if (!keeper.Keep(link, {sms}, archiveError))
            err << "harlune-cli: a message was not archived: " << archiveError << '\n';
    };
    auto onNotice = [&](const SmsNotice& notice) {
        std::vector<std::string> problems;
        if (notice.kind == SmsNotice::Kind::StatusReport) {
            // Routed to us, not stored: the archive files it with no storage.
            const StoredSms report{"", -1, 0, notice.tpduLength, notice.pduHex};
            keep(report);
            pending.Add(report, problems);
        } else {
            StoredSms sms;
            if (!link.ReadOneSms(notice.storage, notice.index, sms)) {
                err << "harlune-cli: " << link.LastError().text << '\n';
                if (IsConnectionFailure(link.LastError()))
                    readError = link.LastError();
                return;
            }
            keep(sms);
            pending.Add(sms, problems);
        }
        for (const std::string& p : problems)
            err << "harlune-cli: " << p << '\n';
        for (const SmsRow& row : pending.Take(true)) {
            if (r.count && printed >= *r.count)
                break;
            PrintRow(out, row, r.json);
            if (!r.exec.empty())
                RunExec(r.exec, row, err);
            ++printed;
        }
    };
    while (!r.count || printed < *r.count) {
        if (!link.WatchSms(1000, onNotice))
            return SmsFailed(err, link.LastError());
        if (readError)
            return SmsFailed(err, readError);
    }
    return kExitOk;
}

} // namespace

int SmsFailed(std::ostream& err, const LinkError& e) {
    err << "harlune-cli: " << e.text << '\n';
    if (e.kind == LinkErrorKind::InvalidInput)
        return kExitUsage;
    return IsConnectionFailure(e) ? kExitConnection : kExitRefused;
}

bool IsSmsStorageCommand(const std::vector<std::string>& args) {
    ReadLine line;
    OptionError ignored;
    std::vector<OptionSpec> all = kSmsOptions;
    for (const char* name : {"name", "number", "position", "index", "sound", "level"})
        all.push_back({name, true});
    all.push_back({"version", false});
    ReadOptions(args, all, line, ignored);
    if (line.words.empty() || line.words[0] != "sms")
        return false;
    // A plain "sms send" stays with the one-shot commands; --long and --report are ours.
    const bool sendFlags =
        std::any_of(line.options.begin(), line.options.end(),
                    [](const ReadOption& o) { return o.name == "long" || o.name == "report"; });
    return line.words.size() == 1 || line.words[1] != "send" || sendFlags;
}

int RunSmsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SmsRequest r;
    std::string error;
    if (!ParseSms(args, r, error))
        return Usage(err, error);
    if (r.help) {
        out << kSmsUsage;
        return kExitOk;
    }
    if (r.debug)
        platform::SetDebugLogEnabled(true);
    if (r.action == "export")
        return ExportSmsCommand(r, out, err);
    std::optional<std::string> device = r.device;
    if (!device && !(device = ResolveCliPort(*r.port, &error))) {
        err << "harlune-cli: " << error << '\n';
        return kExitConnection;
    }
    auto link = std::make_unique<CPhoneLink>(CPhoneLink::DevicePath{*device});
    if (!link->IsOpen()) {
        err << "harlune-cli: " << link->Port().OpenError() << '\n';
        return kExitConnection;
    }
    if (r.action == "list")
        return List(*link, r, out, err);
    if (r.action == "read")
        return Read(*link, r, out, err);
    if (r.action == "send")
        return SendSmsCommand(*link, r, out, err);
    if (r.action == "delete")
        return DeleteSmsCommand(*link, r, out, err);
    if (r.action == "archive")
        return ArchiveSmsCommand(*link, r, out, err);
    return Watch(*link, r, out, err);
}
