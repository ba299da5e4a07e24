#pragma once
// What the Messages view lists, built from the archive without a window: one conversation per
// number (national and international forms of one number are one conversation), named from the
// phone books the link holds, each message whole (its parts joined) with its time, its state and
// the outcome of a delivery report that matched it. Plain C++, so it is tested without Qt.
#include <cstdint>
#include <string>
#include <vector>

#include "contacts/numbermatch.h"
#include "messages/archive.h"
#include "messages/reassembly.h"
#include "phonelink/smslisting.h"

namespace msgview {

struct BookName {
    std::string number;
    std::string name;
};

// One message as the view shows it.
struct MessageLine {
    std::string time;  // "2026-12-08 10:15", empty when the message has none
    std::string text;  // the parts joined, a missing one marked
    std::string state; // "unread", "read", "sent", "unsent", then ", archived" when off the phone
    std::string delivery; // "delivered", "failed: ...", empty without a matching report
    bool incoming = true;
    bool onPhone = false;
    std::vector<messages::SmsLocation> phoneSlots; // where its parts are on the phone now
    std::vector<int64_t> archiveIds;
};

struct ConversationEntry {
    std::string number;
    std::string name;                  // from the phone book, empty when no entry matches
    std::vector<MessageLine> messages; // oldest first
    int unread = 0;
    size_t latest = 0;         // position of its latest message in the archive's order
    std::string Title() const; // "Anna (+4917012345)" or the number alone
};

// onPhone: what the last read found on the phone; a message counts as on the phone when one of
// its parts is there with the same content.
std::vector<ConversationEntry>
BuildConversations(const std::vector<messages::ArchivedMessage>& archived,
                   const std::vector<StoredSms>& onPhone, const std::vector<BookName>& book,
                   const contacts::NumberMatcher& numbers);

// "SIM 8 of 10, phone 0 of 100", and the warning when a storage is nearly full (at most two
// free, or nine tenths used): "The SIM has room for 1 more message: ...". Empty when none is.
std::string StorageSummary(const std::vector<SmsStorageUse>& uses);
std::string StorageWarning(const std::vector<SmsStorageUse>& uses);

// "2026-12-08 10:15" from a time stamp (the sender's local time, as the phone shows it).
std::string ShortTime(const SmsTime& time);

} // namespace msgview
