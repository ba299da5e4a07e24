#pragma once
// What the Messages view asks of the phone, each a plain function that runs on the view's
// worker thread with the link and the archive to itself: read and archive, take in new
// messages, remove messages from the phone once archived, send a reply. No Qt; each returns
// what the window shows, problems as sentences.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "messages/archive.h"
#include "phonelink/smslisting.h"

class CPhoneLink;

namespace msgview {

// The archive's storage name for messages this program sent (their copies carry the message
// reference the phone gave, so delivery reports match them) and for status reports that came
// as +CDS without a storage.
inline constexpr const char* kSentStorage = "sent";
inline constexpr const char* kReportStorage = "report";

// Maker, model and serial as the session probe learnt them; "unknown phone" without any.
std::string PhoneIdentity(const CPhoneLink& link);
// $XDG_DATA_HOME/harlune/messages.sqlite
std::string ArchivePath();

struct ReadResult {
    bool cancelled = false;
    bool linkLost = false;
    std::vector<StoredSms> onPhone; // only what the archive confirmed
    std::vector<SmsStorageUse> uses;
    std::vector<std::string> problems;
    std::string identity;
};
// step: 0 before the SIM, 1 before the phone memory, 2 before the phone book (only with
// readNames), 3 done; cancel is looked at between steps (an exchange with the phone is never cut
// in the middle). readNames: the phone books are read into the link too, for the conversations'
// names, when nothing read them yet.
using ReadStep = std::function<void(int step)>;
ReadResult ReadAndArchive(CPhoneLink& link, messages::MessageArchive& archive,
                          const std::atomic<bool>& cancel, const ReadStep& onStep,
                          bool readNames = false);

struct NoticeResult {
    std::vector<StoredSms> arrived; // new messages, archived
    int reports = 0;                // status reports archived
    std::vector<std::string> problems;
    bool linkLost = false;
};
// One look at what the phone announced since the last; the announced messages are read and
// archived.
NoticeResult TakeNewMessages(CPhoneLink& link, messages::MessageArchive& archive);

// Erases the slots on the phone, each only after the archive confirmed its message; stops at the
// first refusal. removed counts the slots that went.
struct RemoveResult {
    int removed = 0;
    std::string error;
};
RemoveResult RemoveFromPhone(CPhoneLink& link, messages::MessageArchive& archive,
                             const std::vector<StoredSms>& phoneSlots);

// Sends text to number (as several messages when it needs them) and archives what went, with
// the phone's message references. error empty on success.
struct SendResult {
    int parts = 0;
    int sent = 0;
    std::string error;
};
SendResult SendReply(CPhoneLink& link, messages::MessageArchive& archive, const std::string& text,
                     const std::string& number);

// The copy of a SUBMIT PDU with its TP-MR set to reference (the phone numbers each message as it
// goes); the hex unchanged when it is too short to hold one.
std::string WithMessageReference(const std::string& pduHex, int reference);

} // namespace msgview
