#pragma once
// The one object through which the program talks to the phone: it owns the serial port, the
// in-memory copies of both phone books and of the user melodies, and offers one method per phone
// operation. Every operation runs synchronously on the caller's thread and returns true only when
// the phone accepted it; otherwise LastError() says why, in a sentence a window can show.
//
// The lists always equal what the phone holds as far as this link knows: a refused add appends
// nothing, a refused modify or melody write leaves the record's old texts, a refused delete
// removes nothing. Records are owned by the lists; a pointer into a list stays valid until the
// record is deleted, its storage is read again or the link is destroyed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "atparse.h"
#include "charset.h"
#include "comport.h"
#include "linkerror.h"
#include "melodyentry.h"
#include "phonebookentry.h"
#include "smslisting.h"
#include "smspdu.h"

class IMessageSink;
class IReadProgress;
class IProgressSink;

using PhonebookList = std::vector<std::unique_ptr<PhonebookEntry>>;
using MelodyList = std::vector<std::unique_ptr<MelodyEntry>>;

class CPhoneLink {
public:
    // Opens COM`comPort` (resolved through the serial name registry). A failed open sends
    // "COM port open failed" to `messages` (when given); the object is usable either way and
    // every operation then fails with LinkErrorKind::PortNotOpen.
    explicit CPhoneLink(uint16_t comPort, IMessageSink* messages = nullptr);
    // Opens a device path directly: a phone on a USB cable, a modem, a pty.
    struct DevicePath {
        std::string path;
    };
    explicit CPhoneLink(DevicePath device, IMessageSink* messages = nullptr);
    virtual ~CPhoneLink();
    CPhoneLink(const CPhoneLink&) = delete;
    CPhoneLink& operator=(const CPhoneLink&) = delete;

    bool IsOpen() const { return m_port.IsOpen(); }
    const LinkError& LastError() const { return m_lastError; }
    CComPort& Port() { return m_port; }

    // Bounds of every wait for the phone: no byte for `idleMs`, or `overallMs` in all, ends an
    // exchange as "no answer from the phone". The result of an SMS may take longer to come (the
    // phone waits for the network): `smsResultMs` is its idle limit.
    void SetTimeouts(int idleMs, int overallMs, int smsResultMs = 60000);

    // Sends `command` and a carriage return and collects the reply (echo, information lines and
    // the final result, as received) into `reply`. True only for a complete reply ending in OK.
    // With the port not open, returns false and leaves `reply` untouched.
    bool Transact(std::string_view command, std::string& reply);
    bool Transact(std::string_view command);

    // ---- phone book ------------------------------------------------------------------------
    // The reading-progress dialog hands itself over right before ReadPhonebook; the link forgets
    // it when the read returns, so a closed dialog is never called.
    void SetProgressDialog(IReadProgress* progress) { m_progressDialog = progress; }

    // Selects the character set, then reads the SIM and the phone memory. A storage the phone
    // refuses (no SIM) is left empty with its reason in StorageError() and the other is still
    // read; the result is true only when both were read. A lost connection stops the read.
    bool ReadPhonebook();
    // Reads one storage ("\"SM\"" or "\"ME\""; the unquoted names work too).
    bool ReadStorage(const std::string& storage);
    // Appends the "+CPBR:" lines of a listing to the storage's list. Lines that are not entries
    // make no record.
    void ParseEntries(std::string_view reply, const std::string& storage);
    bool ClearStorage(const std::string& storage);

    const PhonebookList& PhoneEntries() const { return m_phoneEntries; }
    const PhonebookList& SimEntries() const { return m_simEntries; }
    const PhonebookList& Entries(uint8_t storage) const;
    // What the last read of `storage` learnt from "+CPBR: (1-N),nlength,tlength"; the lengths
    // are -1 when the storage was not read yet or the phone left them out.
    CpbrRange StorageLimits(uint8_t storage) const;
    const LinkError& StorageError(uint8_t storage) const;

    // Writes `entry` (number, name and storage filled in) at the first free position; on success
    // the list of its storage owns it, with the position the phone gave it. On failure it is
    // dropped. A number with a leading '+' goes as its digits with type 145 (international),
    // any other with 129; the list holds it with its '+'.
    bool AddEntry(std::unique_ptr<PhonebookEntry> entry);
    // The record the last AddEntry put in the list (also when the phone reported a failure but
    // stored the entry all the same), or nullptr.
    const PhonebookEntry* LastAdded() const { return m_lastAdded; }
    // Writes new texts for a listed record, keeping its position and its type (145 with a
    // leading '+' in the new number, and not without one). The record takes the new texts only
    // when the phone accepted them.
    bool ModifyEntry(PhonebookEntry* entry, std::string_view number, std::string_view name);
    // Erases a listed record on the phone; on success removes and deletes exactly that record.
    bool DeleteEntry(PhonebookEntry* entry);

    // ---- melodies --------------------------------------------------------------------------
    // Reads the user melodies; the list is replaced, so reading again never doubles it.
    bool ReadMelodies();
    const MelodyList& Melodies() const { return m_melodies; }
    // Writes new text for a listed melody; the record takes it only when the phone accepted.
    bool WriteMelody(MelodyEntry* entry, std::string_view text);
    bool PlayMelody(int level, int sound);
    bool SetDefaultMelody(int sound);

    // ---- SMS -------------------------------------------------------------------------------
    // Encodes and sends one message (see smspdu.h for what is refused before sending). True when
    // the phone answered +CMGS; LastMessageReference() then holds its reference.
    bool SendSms(std::string_view text, std::string_view destination);
    int LastMessageReference() const { return m_lastMessageReference; }
    // A text of any length up to options.maxParts messages, one AT+CMGS per part (see
    // EncodeSmsSubmitParts), TP-SRR when options.statusReport. Every message gets a new
    // concatenation reference from the link's own counter (options.reference is not used).
    // `references` receives the message reference of each part that went; the first refused part
    // stops the send, and LastError() then says how many of the parts went.
    bool SendLongSms(std::string_view text, std::string_view destination, const SmsSendOptions& options,
                     std::vector<int>& references);
    int LastConcatReference() const { return m_concatReference; }

    // Reading (smsread.cpp): PDU mode, the storages the phone offers (AT+CPMS=?) and their use
    // (AT+CPMS?), then per storage one selection (AT+CPMS="SM") and one listing (AT+CMGL=4):
    // the SIM and the phone memory, or only `onlyStorage`. The phone's reading storage is set
    // back afterwards. What was read is kept when a storage fails (refused, a listing cut off);
    // true only when every storage was read whole, else LastError() names the first failure.
    bool ReadSms(std::string_view onlyStorage = {});
    const std::vector<StoredSms>& StoredMessages() const { return m_storedSms; }
    // One entry per storage the last ReadSms looked at, in reading order.
    struct SmsStorageRead {
        SmsStorageUse use;                         // used and total as the selection answered
        LinkError error;                           // why its listing is missing or incomplete
        std::vector<SmsListing::Rejected> rejected; // listing lines that gave no message
    };
    const std::vector<SmsStorageRead>& SmsStorageReads() const { return m_smsReads; }
    // One message (AT+CMGR), e.g. the one a +CMTI announced.
    bool ReadOneSms(std::string_view storage, int index, StoredSms& out);
    // Erases one message on the phone (AT+CMGD). Callers delete only what the archive holds.
    bool DeleteSms(std::string_view storage, int index);

    // New messages: asks the phone to store each new message and announce it (+CMTI) and to
    // pass status reports on (+CDS, or +CDSI where it stores them). Phones differ in the
    // modes they take; the first setting accepted is kept in SmsNoticeSetting().
    bool EnableSmsNotices();
    const std::string& SmsNoticeSetting() const { return m_cnmiSetting; }
    // The idle watch, for when no command runs: waits up to `timeoutMs` for the phone to speak,
    // then hands every announcement gathered (also those that came in the middle of an earlier
    // exchange) to `handler`, oldest first. The handler may run phone operations. False only
    // when the line is lost.
    using SmsNoticeHandler = std::function<void(const SmsNotice&)>;
    bool WatchSms(int timeoutMs, const SmsNoticeHandler& handler);

    // The character set texts travel in, once negotiated.
    Charset CurrentCharset() const { return m_charset; }

    // ---- session ---------------------------------------------------------------------------
    // What the session-start probe learnt: runs once, before the first phone operation (not
    // before a bare Transact). Every step a phone refuses is noted in Refused(), never fatal.
    struct SessionFacts {
        bool probed = false;
        bool extendedErrors = false;       // AT+CMEE=1 accepted
        bool echo = false;                 // the phone echoes commands (E1)
        std::string manufacturer, model, revision, serial; // +CGMI, +CGMM, +CGMR, +CGSN
        std::vector<std::string> charsets; // from AT+CSCS=?, empty when the phone listed none
        std::vector<std::string> refused;  // the probe commands the phone refused
    };
    const SessionFacts& Session() const { return m_session; }
    bool StartSession();

    // Lines the phone sent on its own (RING, +CREG, +CIEV, +CMTI, a call's NO CARRIER, vendor
    // reports), oldest first, at most the last 100.
    const std::vector<std::string>& UnsolicitedLines() const { return m_unsolicited; }

    // Whether a storage's list is known to equal the phone: false after a write whose outcome
    // could not be learnt, until the storage is read again.
    bool StorageKnown(uint8_t storage) const;
    // "+CPBR:" lines of the last read of a storage that made no entry.
    int UnreadLines(uint8_t storage) const;

    // Positions per AT+CPBR=a,b: phones are documented to list at most 255 per command, some
    // fewer.
    static constexpr int kMaxReadChunk = 100;

private:
    static constexpr size_t kMaxUnsolicited = 100;
    enum class Ending { FinalResult, Prompt };
    void KeepUnsolicited(const std::vector<std::string>& lines);
    bool EnsureSession();
    bool ReadBack(PhonebookEntry& entry, bool& present);
    bool SettleAfterLostWrite(uint8_t storage, int position, PhonebookEntry* entry, bool erased);
    void MarkUnknown(uint8_t storage, const LinkError& why);
    void DiscardStale();
    std::string ReadQueued();
    void ReadRestOfLines(std::string& bytes, int settleMs);
    void TakeIdleLines(std::string_view bytes);
    bool Send(std::string_view bytes, std::string_view what);
    bool Collect(std::string_view command, Ending ending, int idleMs, std::string& reply);
    bool Fail(LinkErrorKind kind, std::string text);
    void OpenFailed();

    bool EnsurePduMode();
    bool SendPdu(const SmsPdu& pdu, int& reference);
    bool SelectSmsStorage(std::string_view storage, SmsStorageUse* use);
    bool ReadSmsStorage(const std::string& storage, SmsStorageRead& read);
    void TakeSmsNotices(const std::vector<std::string>& lines);
    bool SelectCharset();
    bool SelectStorage(uint8_t storage);
    bool ReadStorageInto(uint8_t storage, IProgressSink* progress, IReadProgress* stop = nullptr);
    // Ends a read the user stopped: the storage keeps what was read and says what was not.
    bool StopRead(uint8_t storage, int firstUnread, int last);
    PhonebookList& MutableEntries(uint8_t storage);
    bool EncodeText(std::string_view utf8, const char* what, std::string& out);
    int FindNewPosition(const PhonebookList& before, const PhonebookEntry& entry);

    IReadProgress* m_progressDialog = nullptr;
    PhonebookList m_phoneEntries;
    PhonebookList m_simEntries;
    MelodyList m_melodies;
    CComPort m_port;

    IMessageSink* m_messages = nullptr;
    LinkError m_lastError;
    LinkError m_storageErrors[2];
    CpbrRange m_storageLimits[2];
    Charset m_charset = Charset::Latin1;
    bool m_charsetNegotiated = false;
    int m_idleMs = 3000;
    int m_overallMs = 120000;
    int m_smsResultMs = 60000;
    int m_lastMessageReference = -1;
    int m_concatReference; // the last one used, 1..255; starts at random so a restart differs
    bool m_promptSeen = false;
    bool m_pduModeSet = false;
    const PhonebookEntry* m_lastAdded = nullptr;
    SessionFacts m_session;
    std::vector<std::string> m_unsolicited;
    std::vector<StoredSms> m_storedSms;
    std::vector<SmsStorageRead> m_smsReads;
    std::string m_smsReadStorage; // the phone's reading storage as this link last set it
    std::string m_cnmiSetting;
    std::vector<SmsNotice> m_smsNotices;
    std::string m_cdsAwaitingPdu; // a +CDS line whose PDU line has not come yet
    bool m_storageKnown[2] = {true, true};
    int m_unreadLines[2] = {0, 0};
};
