// harlune-cli's archive commands: sms delete (archived first, then AT+CMGD), sms archive [--free]
// and sms export. Nothing is deleted on the phone that the archive does not hold.
#include <map>
#include <sstream>

#include "clioutput.h"
#include "clirun.h"
#include "phonelink/phonelink.h"
#include "platform/atomicfile.h"
#include "smskeep.h"
#include "smsrequest.h"

namespace {

std::string Messages(int64_t n) {
    return std::to_string(n) + (n == 1 ? " message" : " messages");
}

} // namespace

int DeleteSmsCommand(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err) {
    const std::string storage = r.storage.empty() ? "SM" : r.storage;
    const std::string what =
        "message " + std::to_string(*r.index) + " of " + SmsStorageOwner(storage) + " storage";
    StoredSms sms;
    if (!link.ReadOneSms(storage, *r.index, sms))
        return SmsFailed(err, link.LastError());
    SmsKeeper keeper;
    std::string why;
    if (!keeper.Keep(link, {sms}, why)) {
        err << "harlune-cli: " << what
            << " was not deleted, because it could not be archived: " << why << '\n';
        return kExitRefused;
    }
    if (!link.DeleteSms(storage, *r.index)) {
        err << "harlune-cli: the archive keeps a copy; ";
        return SmsFailed(err, link.LastError());
    }
    if (r.json)
        out << "{\"storage\":" << JsonString(storage) << ",\"index\":" << *r.index
            << ",\"deleted\":true,\"archived\":true}\n";
    else
        out << "Deleted " << what << "; the archive keeps it.\n";
    return kExitOk;
}

int ArchiveSmsCommand(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err) {
    const bool readWhole = link.ReadSms(r.storage);
    const LinkError readError = link.LastError();
    if (!readWhole && link.StoredMessages().empty() && link.SmsStorageReads().empty())
        return SmsFailed(err, readError);
    const std::vector<StoredSms> read = link.StoredMessages(); // deleting does not touch it
    SmsKeeper keeper;
    std::vector<bool> stored;
    int64_t added = 0;
    std::string why;
    if (!keeper.Keep(link, read, stored, added, why)) {
        err << "harlune-cli: nothing was archived" << (r.free ? " or deleted" : "") << ": " << why
            << '\n';
        return kExitRefused;
    }

    std::map<std::string, int> freedIn;
    int freed = 0;
    LinkError deleteError;
    for (size_t i = 0; r.free && i < read.size(); ++i) {
        if (!stored[i])
            continue;
        if (link.DeleteSms(read[i].storage, read[i].index)) {
            ++freedIn[read[i].storage];
            ++freed;
            continue;
        }
        if (!deleteError)
            deleteError = link.LastError();
        if (IsConnectionFailure(link.LastError()))
            break;
    }

    std::vector<SmsStorageUse> uses;
    for (const auto& storageRead : link.SmsStorageReads()) {
        SmsStorageUse use = storageRead.use;
        if (use.used >= 0)
            use.used = std::max(0, use.used - freedIn[use.name]);
        uses.push_back(use);
    }
    if (r.json) {
        out << "{\"read\":" << read.size() << ",\"archived\":" << added;
        if (r.free)
            out << ",\"freed\":" << freed;
        out << ",\"storages\":[";
        for (size_t i = 0; i < uses.size(); ++i)
            out << (i ? "," : "") << "{\"storage\":" << JsonString(uses[i].name)
                << ",\"used\":" << uses[i].used << ",\"total\":" << uses[i].total << '}';
        out << "]}\n";
    } else {
        out << "Read " << Messages(static_cast<int64_t>(read.size())) << ", " << added
            << " of them new to the archive";
        if (r.free)
            out << "; freed " << Messages(freed) << " on the phone";
        out << ".\n";
        for (size_t i = 0; i < uses.size(); ++i)
            out << (i ? ", " : "") << DescribeStorageUse(uses[i]);
        if (!uses.empty())
            out << '\n';
    }
    for (const auto& storageRead : link.SmsStorageReads())
        if (storageRead.error)
            err << "harlune-cli: " << storageRead.error.text << '\n';
    for (const SmsStorageUse& use : uses)
        if (std::string room = StorageRoomSentence(use); !room.empty())
            err << "harlune-cli: " << room << '\n';
    if (deleteError)
        return SmsFailed(err, deleteError);
    if (!readWhole)
        return IsConnectionFailure(readError) ? kExitConnection : kExitRefused;
    return kExitOk;
}

int ExportSmsCommand(const SmsRequest& r, std::ostream& out, std::ostream& err) {
    messages::MessageArchive archive;
    std::string why;
    int64_t count = 0;
    std::ostringstream text;
    const bool exported =
        archive.Open(SmsArchivePath(), why) && archive.Count(count, why) &&
        (r.format == "csv" ? archive.ExportCsv(text, why) : archive.ExportJson(text, why));
    if (!exported) {
        err << "harlune-cli: " << why << '\n';
        return kExitRefused;
    }
    if (!r.file) {
        out << text.str();
        return kExitOk;
    }
    if (!platform::WriteFileAtomically(*r.file, text.str(), &why)) {
        err << "harlune-cli: " << *r.file << " could not be written: " << why << '\n';
        return kExitRefused;
    }
    if (r.json)
        out << "{\"file\":" << JsonString(*r.file) << ",\"messages\":" << count << "}\n";
    else
        out << "Exported " << Messages(count) << " to " << *r.file << ".\n";
    return kExitOk;
}
