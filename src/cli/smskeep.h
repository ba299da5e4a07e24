#pragma once
// The message archive as harlune-cli keeps it: $XDG_DATA_HOME/harlune/messages.sqlite, every
// message read from a phone filed under that phone's identity, and the sentences about how full
// a phone's storage is.
#include <cstdint>
#include <string>
#include <vector>

#include "messages/archive.h"
#include "phonelink/phonelink.h"

std::string SmsArchivePath();

// "maker model serial" as the phone gave them at the start of the session.
std::string ArchivePhoneName(const CPhoneLink::SessionFacts& session);

// Opens the archive at the first use and keeps it open for the commands that follow.
class SmsKeeper {
public:
    // The messages in one transaction. stored[i] says whether messages[i] is in the archive
    // afterwards; `added` counts those that were new. False with a sentence when nothing was
    // stored.
    bool Keep(const CPhoneLink& link, const std::vector<StoredSms>& messages,
              std::vector<bool>& stored, int64_t& added, std::string& error);
    bool Keep(const CPhoneLink& link, const std::vector<StoredSms>& messages, std::string& error);

private:
    bool EnsureOpen(std::string& error);
    messages::MessageArchive m_archive;
    bool m_open = false;
};

// The full sentence, the nearly-full one (at most a tenth of the storage, or two messages,
// left, and more than half in use), or empty.
std::string StorageRoomSentence(const SmsStorageUse& use);
