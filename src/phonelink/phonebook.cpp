// Phone book operations of CPhoneLink.
#include <algorithm>
#include <cstdio>

#include "platform/debuglog.h"

#include "atparse.h"
#include "phonelink.h"
#include "readprogress.h"

namespace {

constexpr int kProgressSelected = 1;
constexpr int kProgressSized = 2;
constexpr int kProgressListed = 9;
constexpr int kProgressParsed = 10;

int StorageSlot(uint8_t storage) { return storage == kStorageSim ? 1 : 0; }

// The number as the lists hold it: an international number always with its '+'. Some phones
// list type 145 without the '+' they were written without (AT+CPBW carries the '+' in the type).
std::string ListedNumber(const RawPhonebookLine& line, Charset charset) {
    std::string number = FromPhoneNumber(line.number, charset);
    if (line.type == kTypeInternational && !number.starts_with('+'))
        number.insert(0, 1, '+');
    return number;
}

// What AT+CPBW sends for a number: the digits, with a leading '+' moved into type 145.
std::string DialDigits(std::string_view number) {
    return std::string(number.starts_with('+') ? number.substr(1) : number);
}

} // namespace

const PhonebookList& CPhoneLink::Entries(uint8_t storage) const {
    return storage == kStorageSim ? m_simEntries : m_phoneEntries;
}

PhonebookList& CPhoneLink::MutableEntries(uint8_t storage) {
    return storage == kStorageSim ? m_simEntries : m_phoneEntries;
}

CpbrRange CPhoneLink::StorageLimits(uint8_t storage) const {
    if (storage != kStoragePhone && storage != kStorageSim)
        return {};
    return m_storageLimits[StorageSlot(storage)];
}

const LinkError& CPhoneLink::StorageError(uint8_t storage) const {
    return m_storageErrors[StorageSlot(storage)];
}

bool CPhoneLink::ClearStorage(const std::string& storage) {
    uint8_t code = StorageCode(storage);
    if (code != 0)
        MutableEntries(code).clear();
    return true;
}

bool CPhoneLink::SelectCharset() {
    if (m_charsetNegotiated)
        return Transact(std::string("AT+CSCS=\"") + CharsetName(m_charset) + "\"");
    if (Transact("AT+CSCS=\"8859-1\"")) {
        m_charset = Charset::Latin1;
        m_charsetNegotiated = true;
        return true;
    }
    if (!IsPhoneRefusal(m_lastError))
        return false;
    // Many USB modems lack ISO 8859-1; UCS2 carries every name, GSM and IRA less. A phone that
    // listed no sets (a bare OK to AT+CSCS=?) is tried in that order.
    const std::vector<std::string>& offered = m_session.charsets;
    for (Charset candidate : {Charset::Ucs2, Charset::Gsm, Charset::Ira}) {
        std::string name = CharsetName(candidate);
        if (!offered.empty() && std::find(offered.begin(), offered.end(), name) == offered.end())
            continue;
        if (Transact("AT+CSCS=\"" + name + "\"")) {
            m_charset = candidate;
            m_charsetNegotiated = true;
            return true;
        }
        if (!IsPhoneRefusal(m_lastError))
            return false;
    }
    return Fail(LinkErrorKind::BadReply, "the phone offers no character set this program can use");
}

bool CPhoneLink::StorageKnown(uint8_t storage) const {
    return (storage == kStoragePhone || storage == kStorageSim) && m_storageKnown[StorageSlot(storage)];
}

int CPhoneLink::UnreadLines(uint8_t storage) const {
    return storage == kStoragePhone || storage == kStorageSim ? m_unreadLines[StorageSlot(storage)] : 0;
}

void CPhoneLink::MarkUnknown(uint8_t storage, const LinkError& why) {
    m_storageKnown[StorageSlot(storage)] = false;
    m_lastError = why;
    m_lastError.text += storage == kStorageSim
                            ? "; the SIM card's list may differ from the phone and is read again next time"
                            : "; the phone memory's list may differ from the phone and is read again next time";
}

bool CPhoneLink::SelectStorage(uint8_t storage) {
    if (storage != kStoragePhone && storage != kStorageSim)
        return Fail(LinkErrorKind::InvalidInput, "unknown phone book storage");
    return Transact(std::string("AT+CPBS=") + StorageName(storage));
}

bool CPhoneLink::ReadPhonebook() {
    IReadProgress* progress = m_progressDialog;
    m_progressDialog = nullptr;
    m_storageErrors[0] = m_storageErrors[1] = {};
    if (!EnsureSession() || !SelectCharset())
        return false;
    bool simRead = ReadStorageInto(kStorageSim, progress ? progress->SimProgress() : nullptr, progress);
    if (!simRead && m_lastError.kind == LinkErrorKind::Stopped) {
        // The phone memory was never begun: empty and marked not read.
        MutableEntries(kStoragePhone).clear();
        m_storageKnown[StorageSlot(kStoragePhone)] = false;
        m_storageErrors[StorageSlot(kStoragePhone)] = LinkError::Make(LinkErrorKind::Stopped, "the read was stopped before it");
        m_lastError = m_storageErrors[StorageSlot(kStorageSim)];
        return false;
    }
    if (!simRead && !IsPhoneRefusal(m_lastError))
        return false;
    bool phoneRead = ReadStorageInto(kStoragePhone, progress ? progress->PhoneProgress() : nullptr, progress);
    if (!phoneRead)
        return false;
    if (!simRead) {
        m_lastError = m_storageErrors[StorageSlot(kStorageSim)];
        return false;
    }
    return true;
}

bool CPhoneLink::ReadStorage(const std::string& storage) {
    uint8_t code = StorageCode(storage);
    if (code == 0)
        return Fail(LinkErrorKind::InvalidInput, "unknown phone book storage " + storage);
    if (!EnsureSession() || (!m_charsetNegotiated && !SelectCharset()))
        return false;
    return ReadStorageInto(code, nullptr);
}

bool CPhoneLink::StopRead(uint8_t storage, int firstUnread, int last) {
    // Not known to equal the phone: a later change reads the storage again before it trusts it.
    m_storageKnown[StorageSlot(storage)] = false;
    std::string text = "the read was stopped";
    if (firstUnread <= last)
        text += firstUnread == last ? "; position " + std::to_string(last) + " was not read"
                                    : "; positions " + std::to_string(firstUnread) + " to " + std::to_string(last) +
                                          " were not read";
    m_lastError = LinkError::Make(LinkErrorKind::Stopped, std::move(text));
    m_storageErrors[StorageSlot(storage)] = m_lastError;
    return false;
}

bool CPhoneLink::ReadStorageInto(uint8_t storage, IProgressSink* progress, IReadProgress* stop) {
    MutableEntries(storage).clear();
    m_unreadLines[StorageSlot(storage)] = 0;
    LinkError& storageError = m_storageErrors[StorageSlot(storage)];
    storageError = {};
    m_storageLimits[StorageSlot(storage)] = {};
    // A read that broke off leaves the storage empty with its reason, never half shown.
    auto failed = [&] {
        storageError = m_lastError;
        m_storageKnown[StorageSlot(storage)] = false;
        MutableEntries(storage).clear();
        return false;
    };
    if (progress)
        progress->SetRange(1, 10);
    if (!SelectStorage(storage))
        return failed();
    if (progress)
        progress->SetPosition(kProgressSelected);
    std::string reply;
    if (!Transact("AT+CPBR=?", reply))
        return failed();
    if (progress)
        progress->SetPosition(kProgressSized);
    auto range = parseCpbrRange(reply);
    if (!range) {
        Fail(LinkErrorKind::BadReply, "the phone did not tell the size of its phone book");
        return failed();
    }
    m_storageLimits[StorageSlot(storage)] = *range;
    int chunk = kMaxReadChunk;
    int shown = kProgressSized;
    const int total = range->last - range->first + 1;
    for (int first = range->first; range->last > 0 && first <= range->last;) {
        if (stop && stop->StopRequested())
            return StopRead(storage, first, range->last);
        int last = std::min(range->last, first + chunk - 1);
        char command[48];
        std::snprintf(command, sizeof command, "AT+CPBR=%d,%d", first, last);
        if (!Transact(command, reply)) {
            // "not found": nothing stored in that range.
            bool empty = m_lastError.kind == LinkErrorKind::CmeError && m_lastError.code == 22;
            if (!empty && IsPhoneRefusal(m_lastError) && last - first + 1 > 10) {
                chunk = (last - first + 1) / 2; // the phone lists fewer positions per command
                continue;
            }
            if (!empty)
                return failed();
            reply.clear();
        }
        ParseEntries(reply, StorageName(storage));
        // The bar advances per chunk, up to "listed" with the last one.
        int now = kProgressSized + (kProgressListed - kProgressSized) * (last - range->first + 1) / total;
        if (progress && now > shown)
            progress->SetPosition(now);
        shown = std::max(shown, now);
        first = last + 1;
    }
    if (progress) {
        if (shown < kProgressListed)
            progress->SetPosition(kProgressListed);
        progress->SetPosition(kProgressParsed);
    }
    m_storageKnown[StorageSlot(storage)] = true;
    if (int unread = m_unreadLines[StorageSlot(storage)]) {
        // What was read stays listed; the outcome says what is missing.
        Fail(LinkErrorKind::BadReply, unread == 1 ? std::string("1 entry could not be read")
                                                  : std::to_string(unread) + " entries could not be read");
        storageError = m_lastError;
        return false;
    }
    return true;
}

void CPhoneLink::ParseEntries(std::string_view reply, const std::string& storage) {
    uint8_t code = StorageCode(storage);
    if (code == 0)
        return;
    PhonebookList& list = MutableEntries(code);
    auto listing = parsePhonebookListing(reply, "+CPBR:");
    for (auto& line : listing.entries) {
        auto entry = std::make_unique<PhonebookEntry>();
        entry->position = line.position;
        entry->number = ListedNumber(line, m_charset);
        entry->type = line.type;
        entry->name = FromPhoneText(line.text, m_charset);
        entry->storage = code;
        // A position listed twice (a chunk repeated by the phone) keeps one record.
        auto same = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e->position == entry->position; });
        if (same != list.end())
            *same = std::move(entry);
        else
            list.push_back(std::move(entry));
    }
    for (auto& bad : listing.rejected) {
        ++m_unreadLines[StorageSlot(code)];
        platform::DebugLog("phone book line not read (" + bad.reason + "): " + bad.line);
    }
}

bool CPhoneLink::EncodeText(std::string_view utf8, const char* what, std::string& out) {
    // A number is a dial string in every character set; only the name follows AT+CSCS.
    bool isNumber = std::string_view(what) == "number";
    Charset charset = isNumber ? Charset::Ira : m_charset;
    auto text = ToPhoneText(utf8, charset);
    if (!text)
        return Fail(LinkErrorKind::InvalidInput, std::string("the ") + what +
                                                     " holds characters the phone cannot store");
    // A quote or a line end would end the command early; the text sets have no escape for them
    // (UCS2 travels as hex digits and is safe). ESC is a character in the GSM set only.
    std::string_view forbidden = charset == Charset::Gsm ? std::string_view("\"\r\n", 3)
                                                          : std::string_view("\"\r\n\x1A\x1B", 5);
    if (charset != Charset::Ucs2 && text->find_first_of(forbidden) != std::string::npos)
        return Fail(LinkErrorKind::InvalidInput,
                    std::string("the ") + what + " may not hold double quotes or line breaks");
    out = std::move(*text);
    return true;
}

int CPhoneLink::FindNewPosition(const PhonebookList& before, const PhonebookEntry& entry) {
    // The added entry is the one with its texts at a position the storage did not hold before;
    // a position already taken is never guessed.
    int found = -1;
    for (const auto& e : Entries(entry.storage)) {
        bool old = std::any_of(before.begin(), before.end(), [&](const auto& b) { return b->position == e->position; });
        if (!old && e->number == entry.number && e->name == entry.name && (found < 0 || e->position < found))
            found = e->position;
    }
    return found;
}

bool CPhoneLink::AddEntry(std::unique_ptr<PhonebookEntry> entry) {
    m_lastAdded = nullptr;
    if (!entry)
        return Fail(LinkErrorKind::InvalidInput, "no entry to add");
    if (entry->storage != kStoragePhone && entry->storage != kStorageSim)
        return Fail(LinkErrorKind::InvalidInput, "unknown phone book storage");
    if (!EnsureSession() || !SelectStorage(entry->storage) || !SelectCharset())
        return false;
    std::string number, name;
    if (!EncodeText(entry->number, "number", number) || !EncodeText(entry->name, "name", name))
        return false;
    // An international number goes as its digits with type 145, as AT+CPBW defines it.
    entry->type = entry->number.starts_with('+') ? kTypeInternational : kTypeNational;
    number = DialDigits(number);
    const uint8_t storage = entry->storage;
    // What the storage held before the write, to tell the new entry from old ones with the same
    // texts.
    PhonebookList before;
    for (const auto& e : Entries(storage))
        before.push_back(std::make_unique<PhonebookEntry>(*e));
    bool written = Transact("AT+CPBW=,\"" + number + "\"," + std::to_string(entry->type) + ",\"" + name + "\"");
    LinkError writeError = m_lastError;
    if (!written && writeError.kind == LinkErrorKind::ConnectionLost) {
        MarkUnknown(storage, writeError);
        return false;
    }
    if (written) {
        std::string reply;
        if (Transact("AT+CPBF=\"" + name + "\"", reply)) {
            // Only a find line at a position the storage did not hold, with exactly our texts.
            int position = -1;
            for (auto& line : parseCpbfListing(reply)) {
                bool old = std::any_of(before.begin(), before.end(), [&](const auto& b) { return b->position == line.position; });
                if (!old && ListedNumber(line, m_charset) == entry->number &&
                    FromPhoneText(line.text, m_charset) == entry->name && (position < 0 || line.position < position))
                    position = line.position;
            }
            if (position >= 0 && StorageKnown(storage)) {
                entry->position = position;
                m_lastAdded = entry.get();
                MutableEntries(storage).push_back(std::move(entry));
                return true;
            }
        }
    }
    // The find did not show where (a phone without AT+CPBF, one that matches names differently,
    // a find that went unanswered), or the write's answer was lost or was a refusal that may
    // still have stored the entry: read the storage again and compare it with before.
    if (!ReadStorageInto(storage, nullptr) && m_lastError.kind != LinkErrorKind::BadReply) {
        MarkUnknown(storage, written ? m_lastError : writeError);
        return false;
    }
    int position = FindNewPosition(before, *entry);
    for (const auto& e : Entries(storage))
        if (e->position == position)
            m_lastAdded = e.get();
    if (written) {
        if (!m_lastAdded)
            return Fail(LinkErrorKind::BadReply, "the phone accepted the entry but it is not in the phone book");
        return true;
    }
    if (m_lastAdded) {
        m_lastError = writeError;
        m_lastError.text += "; the phone stored the entry anyway, at position " + std::to_string(position);
        return false;
    }
    m_lastError = writeError;
    return false;
}

bool CPhoneLink::ReadBack(PhonebookEntry& entry, bool& present) {
    std::string reply;
    present = false;
    if (!Transact("AT+CPBR=" + std::to_string(entry.position), reply)) {
        // "not found" is an answer: the position is empty.
        return m_lastError.kind == LinkErrorKind::CmeError && m_lastError.code == 22;
    }
    for (auto& line : parseCpbrListing(reply)) {
        if (line.position != entry.position)
            continue;
        present = true;
        entry.number = ListedNumber(line, m_charset);
        entry.type = line.type;
        entry.name = FromPhoneText(line.text, m_charset);
    }
    return true;
}

bool CPhoneLink::ModifyEntry(PhonebookEntry* entry, std::string_view newNumber, std::string_view newName) {
    if (!entry)
        return Fail(LinkErrorKind::InvalidInput, "no entry to modify");
    const PhonebookList& list = Entries(entry->storage);
    if (std::none_of(list.begin(), list.end(), [&](const auto& e) { return e.get() == entry; }))
        return Fail(LinkErrorKind::InvalidInput, "the entry is not in the phone book list");
    // The same character set as reading and adding: under IRA a name with letters above 127 would
    // be stored wrongly.
    if (!EnsureSession() || !SelectStorage(entry->storage) || !SelectCharset())
        return false;
    std::string number, name;
    if (!EncodeText(newNumber, "number", number) || !EncodeText(newName, "name", name))
        return false;
    // The record keeps its type unless the '+' of the new number says otherwise: with the '+'
    // it is international, without it no longer.
    const int type = newNumber.starts_with('+')          ? kTypeInternational
                     : entry->type == kTypeInternational ? kTypeNational
                                                         : entry->type;
    if (type == kTypeInternational)
        number = DialDigits(number);
    if (!Transact("AT+CPBW=" + std::to_string(entry->position) + ",\"" + number + "\"," +
                  std::to_string(type) + ",\"" + name + "\"")) {
        if (IsPhoneRefusal(m_lastError))
            return false;
        // The phone may have applied the write before its answer was lost: the record takes
        // what the phone now holds at that position.
        LinkError lost = m_lastError;
        PhonebookEntry now = *entry;
        bool present = false;
        if (lost.kind == LinkErrorKind::ConnectionLost || !ReadBack(now, present) || !present) {
            MarkUnknown(entry->storage, lost);
            return false;
        }
        bool applied = now.number == newNumber && now.name == newName;
        *entry = now;
        m_lastError = lost;
        if (applied)
            m_lastError.text += "; the phone applied the change all the same";
        return false;
    }
    entry->number = std::string(newNumber);
    entry->name = std::string(newName);
    entry->type = type;
    return true;
}

bool CPhoneLink::DeleteEntry(PhonebookEntry* entry) {
    if (!entry)
        return Fail(LinkErrorKind::InvalidInput, "no entry to delete");
    PhonebookList& list = MutableEntries(entry->storage);
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.get() == entry; });
    if (it == list.end())
        return Fail(LinkErrorKind::InvalidInput, "the entry is not in the phone book list");
    if (!EnsureSession() || !SelectStorage(entry->storage))
        return false;
    if (!Transact("AT+CPBW=" + std::to_string(entry->position))) {
        if (IsPhoneRefusal(m_lastError))
            return false;
        // The erase may have happened before its answer was lost: ask the position.
        LinkError lost = m_lastError;
        PhonebookEntry now = *entry;
        bool present = true;
        if (lost.kind == LinkErrorKind::ConnectionLost || !ReadBack(now, present)) {
            MarkUnknown(entry->storage, lost);
            return false;
        }
        m_lastError = lost;
        if (present) {
            **it = now;
            return false;
        }
        list.erase(it);
        m_lastError.text += "; the phone erased the entry all the same";
        return false;
    }
    list.erase(it);
    return true;
}
