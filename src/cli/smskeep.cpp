#include "smskeep.h"

#include <algorithm>

#include "platform/paths.h"

std::string SmsArchivePath() {
    return platform::UserDataDir() + "/messages.sqlite";
}

std::string ArchivePhoneName(const CPhoneLink::SessionFacts& session) {
    std::string name;
    for (const std::string* part : {&session.manufacturer, &session.model, &session.serial}) {
        if (part->empty())
            continue;
        name += (name.empty() ? "" : " ") + *part;
    }
    // A phone that names neither itself nor its serial is still kept apart from those that do.
    return name.empty() ? "unknown phone" : name;
}

bool SmsKeeper::EnsureOpen(std::string& error) {
    if (!m_open)
        m_open = m_archive.Open(SmsArchivePath(), error);
    return m_open;
}

bool SmsKeeper::Keep(const CPhoneLink& link, const std::vector<StoredSms>& messages,
                     std::vector<bool>& stored, int64_t& added, std::string& error) {
    stored.assign(messages.size(), false);
    added = 0;
    if (messages.empty())
        return true;
    if (!EnsureOpen(error))
        return false;
    const std::string phone = ArchivePhoneName(link.Session());
    std::vector<messages::ArchiveEntry> entries;
    entries.reserve(messages.size());
    for (const StoredSms& sms : messages)
        entries.push_back({phone, sms.storage, sms.index, sms.stat, sms.pduHex, sms.tpduLength});
    return m_archive.Add(entries, stored, error, &added);
}

bool SmsKeeper::Keep(const CPhoneLink& link, const std::vector<StoredSms>& messages,
                     std::string& error) {
    std::vector<bool> stored;
    int64_t added = 0;
    return Keep(link, messages, stored, added, error);
}

std::string StorageRoomSentence(const SmsStorageUse& use) {
    if (use.total <= 0 || use.used < 0)
        return {};
    if (use.Full())
        return StorageFullSentence(use);
    // Two messages or a tenth of the storage left, and more than half of it in use (a SIM of
    // two with one free is not "nearly full").
    const int left = use.total - use.used;
    if (left > std::max(2, use.total / 10) || use.used * 2 <= use.total)
        return {};
    return SmsStorageOwner(use.name) + " message storage is nearly full (" +
           std::to_string(use.used) + " of " + std::to_string(use.total) +
           "): sms archive --free moves its messages into the archive";
}
