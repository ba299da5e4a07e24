#include "messagejobs.h"

#include <charconv>
#include <cstdio>

#include "phonelink/phonelink.h"
#include "phonelink/smspdu.h"
#include "platform/paths.h"

namespace msgview {
namespace {

messages::ArchiveEntry EntryOf(const std::string& phone, const StoredSms& sms) {
    return {phone, sms.storage, sms.index, sms.stat, sms.pduHex, sms.tpduLength};
}

} // namespace

std::string PhoneIdentity(const CPhoneLink& link) {
    const auto& s = link.Session();
    std::string id;
    for (const std::string* part : {&s.manufacturer, &s.model, &s.serial})
        if (!part->empty())
            id += (id.empty() ? "" : " ") + *part;
    return id.empty() ? "unknown phone" : id;
}

std::string ArchivePath() {
    return platform::UserDataDir() + "/messages.sqlite";
}

ReadResult ReadAndArchive(CPhoneLink& link, messages::MessageArchive& archive,
                          const std::atomic<bool>& cancel, const ReadStep& onStep, bool readNames) {
    ReadResult result;
    const char* const storages[] = {"SM", "ME"};
    for (int step = 0; step < 2; ++step) {
        if (cancel) {
            result.cancelled = true;
            break;
        }
        if (onStep)
            onStep(step);
        const bool whole = link.ReadSms(storages[step]);
        if (!whole && link.SmsStorageReads().empty()) {
            // A phone without a memory of its own offers only the SIM: nothing to say then.
            if (link.LastError().kind != LinkErrorKind::InvalidInput)
                result.problems.push_back(link.LastError().text);
            if (IsConnectionFailure(link.LastError())) {
                result.linkLost = true;
                break;
            }
            continue;
        }
        if (result.identity.empty())
            result.identity = PhoneIdentity(link);
        for (const auto& read : link.SmsStorageReads()) {
            result.uses.push_back(read.use);
            if (read.error)
                result.problems.push_back(read.error.text);
            if (IsConnectionFailure(read.error))
                result.linkLost = true;
        }
        std::vector<messages::ArchiveEntry> entries;
        for (const StoredSms& sms : link.StoredMessages())
            entries.push_back(EntryOf(result.identity, sms));
        std::vector<bool> stored;
        std::string error;
        if (!archive.Add(entries, stored, error))
            result.problems.push_back(error);
        for (size_t i = 0; i < entries.size(); ++i)
            if (stored[i])
                result.onPhone.push_back(link.StoredMessages()[i]);
        if (result.linkLost)
            break;
    }
    if (readNames && !result.cancelled && !result.linkLost && !cancel) {
        if (onStep)
            onStep(2);
        if (!link.ReadPhonebook())
            result.problems.push_back("Names from the phone book are not shown: " +
                                      link.LastError().text);
    }
    if (!result.cancelled && !result.linkLost && onStep)
        onStep(3);
    // New messages are announced from now on; a phone that takes no setting is read by hand.
    if (!result.cancelled && !result.linkLost && link.SmsNoticeSetting().empty() &&
        !link.EnableSmsNotices())
        result.problems.push_back("New messages will not be announced: " + link.LastError().text);
    return result;
}

NoticeResult TakeNewMessages(CPhoneLink& link, messages::MessageArchive& archive) {
    NoticeResult result;
    std::vector<SmsNotice> notices;
    if (!link.WatchSms(0, [&](const SmsNotice& n) { notices.push_back(n); })) {
        result.problems.push_back(link.LastError().text);
        result.linkLost = IsConnectionFailure(link.LastError());
        return result;
    }
    const std::string phone = PhoneIdentity(link);
    for (const SmsNotice& notice : notices) {
        StoredSms sms;
        if (notice.kind == SmsNotice::Kind::StatusReport) {
            sms = {kReportStorage, -1, 0, notice.tpduLength, notice.pduHex};
        } else if (!link.ReadOneSms(notice.storage, notice.index, sms)) {
            result.problems.push_back("A new message in " + SmsStorageOwner(notice.storage) +
                                      " storage could not be read: " + link.LastError().text);
            if (IsConnectionFailure(link.LastError())) {
                result.linkLost = true;
                break;
            }
            continue;
        }
        std::vector<bool> stored;
        std::string error;
        if (!archive.Add({EntryOf(phone, sms)}, stored, error)) {
            result.problems.push_back(error);
            continue;
        }
        if (notice.kind == SmsNotice::Kind::NewMessage)
            result.arrived.push_back(sms);
        else
            ++result.reports;
    }
    return result;
}

RemoveResult RemoveFromPhone(CPhoneLink& link, messages::MessageArchive& archive,
                             const std::vector<StoredSms>& phoneSlots) {
    RemoveResult result;
    const std::string phone = PhoneIdentity(link);
    std::vector<messages::ArchiveEntry> entries;
    for (const StoredSms& sms : phoneSlots)
        entries.push_back(EntryOf(phone, sms));
    // Already archived when it was read; asked again so that nothing is erased that the archive
    // cannot show.
    std::vector<bool> stored;
    std::string error;
    if (!archive.Add(entries, stored, error)) {
        result.error = error + " Nothing was deleted on the phone.";
        return result;
    }
    for (const StoredSms& sms : phoneSlots) {
        if (!link.DeleteSms(sms.storage, sms.index)) {
            result.error = "The message at " + SmsStorageOwner(sms.storage) + " position " +
                           std::to_string(sms.index) + " was not deleted: " + link.LastError().text;
            break;
        }
        ++result.removed;
    }
    return result;
}

std::string WithMessageReference(const std::string& pduHex, int reference) {
    int scaOctets = 0;
    if (pduHex.size() < 2 ||
        std::from_chars(pduHex.data(), pduHex.data() + 2, scaOctets, 16).ptr != pduHex.data() + 2)
        return pduHex;
    const size_t at = 2 * (1 + static_cast<size_t>(scaOctets)) + 2;
    if (pduHex.size() < at + 2 || reference < 0 || reference > 255)
        return pduHex;
    char octet[3];
    std::snprintf(octet, sizeof octet, "%02X", reference);
    std::string out = pduHex;
    out.replace(at, 2, octet);
    return out;
}

SendResult SendReply(CPhoneLink& link, messages::MessageArchive& archive, const std::string& text,
                     const std::string& number) {
    SendResult result;
    result.parts = CountSmsParts(text);
    SmsSendOptions options;
    options.statusReport = true;
    std::vector<int> references;
    const bool went = link.SendLongSms(text, number, options, references);
    result.sent = static_cast<int>(references.size());
    if (!went)
        result.error = link.LastError().text;
    if (references.empty())
        return result;
    // The same parts as the link sent: its reference, the same encoder.
    options.reference = link.LastConcatReference();
    std::vector<SmsPdu> parts;
    LinkError why;
    if (!EncodeSmsSubmitParts(text, number, options, parts, why))
        return result;
    const std::string phone = PhoneIdentity(link);
    std::vector<messages::ArchiveEntry> entries;
    for (size_t i = 0; i < references.size() && i < parts.size(); ++i)
        entries.push_back({phone, kSentStorage, static_cast<int>(i), 3,
                           WithMessageReference(parts[i].hex, references[i]), parts[i].tpduLength});
    std::vector<bool> stored;
    std::string error;
    if (!archive.Add(entries, stored, error) && result.error.empty())
        result.error = "Sent, but not archived: " + error;
    return result;
}

} // namespace msgview
