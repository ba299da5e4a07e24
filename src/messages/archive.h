#pragma once
// The local message archive: every message read from a phone, kept in SQLite (WAL journal, so a
// kill at any point leaves the file whole). A message is keyed by the phone's identity, its
// storage and its content (the PDU): adding it again changes nothing, and deleting it on the
// phone leaves it here.
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "phonelink/smsdecode.h"

struct sqlite3;

namespace messages {

struct ArchiveEntry {
    std::string phone;   // identity of the phone (maker, model, serial)
    std::string storage; // "SM", "ME", ...
    int index = 0;       // its slot on the phone when it was read
    int status = 0;      // +CMGL stat: 0 unread, 1 read, 2 unsent, 3 sent
    std::string pduHex;
    int tpduLength = -1;
};

struct ArchivedMessage {
    int64_t id = 0;
    ArchiveEntry entry;
    bool decoded = false; // false: kept as it came, the PDU did not decode
    DecodedSms sms;       // when decoded
};

struct Conversation {
    std::string number;
    int messages = 0;
    std::string lastTime; // ISO 8601 of the latest time stamp, empty when none has one
};

// Opens (creating when missing) the archive file; the caller gives the path
// ($XDG_DATA_HOME/harlune/messages.sqlite). Every failure is a sentence in error.
class MessageArchive {
public:
    MessageArchive();
    ~MessageArchive();
    MessageArchive(const MessageArchive&) = delete;
    MessageArchive& operator=(const MessageArchive&) = delete;

    bool Open(const std::string& path, std::string& error);

    // All entries in one transaction. stored[i] says whether entry i is in the archive
    // afterwards (new or already there); on failure nothing is stored and all are false, so a
    // caller deletes on the phone only what stored confirms. `added`, when given, counts the
    // entries that were not there before.
    bool Add(const std::vector<ArchiveEntry>& entries, std::vector<bool>& stored, std::string& error,
             int64_t* added = nullptr);

    bool Count(int64_t& count, std::string& error);
    // Ordered by time (messages without a time stamp by when they were archived).
    bool All(std::vector<ArchivedMessage>& out, std::string& error);
    bool ConversationWith(const std::string& number, std::vector<ArchivedMessage>& out,
                          std::string& error);
    // Numbers with their message count, latest first.
    bool Conversations(std::vector<Conversation>& out, std::string& error);

    bool ExportCsv(std::ostream& out, std::string& error);
    bool ExportJson(std::ostream& out, std::string& error);

private:
    bool Query(const std::string& where, const std::string& number, std::vector<ArchivedMessage>& out,
               std::string& error);
    bool Exec(const char* sql, std::string& error);
    std::string Sentence(const char* doing) const;

    sqlite3* m_db = nullptr;
    std::string m_path;
};

} // namespace messages
