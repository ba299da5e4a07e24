// Phone book operations of CPhoneLink.
#include <algorithm>
#include <cstdio>

#include "atparse.h"
#include "phonelink.h"
#include "readprogress.h"

namespace {

constexpr int kProgressSelected = 1;
constexpr int kProgressSized = 2;
constexpr int kProgressListed = 9;
constexpr int kProgressParsed = 10;

int StorageSlot(uint8_t storage) { return storage == kStorageSim ? 1 : 0; }

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
    // Many USB modems lack ISO 8859-1; UCS2 carries every name, GSM and IRA less.
    std::string reply;
    if (!Transact("AT+CSCS=?", reply))
        return false;
    auto offered = parseCscsSupported(reply);
    for (Charset candidate : {Charset::Ucs2, Charset::Gsm, Charset::Ira}) {
        std::string name = CharsetName(candidate);
        if (std::find(offered.begin(), offered.end(), name) == offered.end())
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

bool CPhoneLink::SelectStorage(uint8_t storage) {
    if (storage != kStoragePhone && storage != kStorageSim)
        return Fail(LinkErrorKind::InvalidInput, "unknown phone book storage");
    return Transact(std::string("AT+CPBS=") + StorageName(storage));
}

bool CPhoneLink::ReadPhonebook() {
    IReadProgress* progress = m_progressDialog;
    m_progressDialog = nullptr;
    m_storageErrors[0] = m_storageErrors[1] = {};
    if (!SelectCharset())
        return false;
    bool simRead = ReadStorageInto(kStorageSim, progress ? progress->SimProgress() : nullptr);
    if (!simRead && !IsPhoneRefusal(m_lastError))
        return false;
    bool phoneRead = ReadStorageInto(kStoragePhone, progress ? progress->PhoneProgress() : nullptr);
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
    if (!m_charsetNegotiated && !SelectCharset())
        return false;
    return ReadStorageInto(code, nullptr);
}

bool CPhoneLink::ReadStorageInto(uint8_t storage, IProgressSink* progress) {
    MutableEntries(storage).clear();
    LinkError& storageError = m_storageErrors[StorageSlot(storage)];
    storageError = {};
    m_storageLimits[StorageSlot(storage)] = {};
    auto failed = [&] {
        storageError = m_lastError;
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
    if (range->last > 0) {
        char command[48];
        std::snprintf(command, sizeof command, "AT+CPBR=%d,%d", range->first, range->last);
        if (!Transact(command, reply))
            return failed();
    } else {
        reply.clear();
    }
    if (progress)
        progress->SetPosition(kProgressListed);
    ParseEntries(reply, StorageName(storage));
    if (progress)
        progress->SetPosition(kProgressParsed);
    return true;
}

void CPhoneLink::ParseEntries(std::string_view reply, const std::string& storage) {
    uint8_t code = StorageCode(storage);
    if (code == 0)
        return;
    PhonebookList& list = MutableEntries(code);
    for (auto& line : parseCpbrListing(reply)) {
        auto entry = std::make_unique<PhonebookEntry>();
        entry->position = line.position;
        entry->number = FromPhoneNumber(line.number, m_charset);
        entry->type = line.type;
        entry->name = FromPhoneText(line.text, m_charset);
        entry->storage = code;
        list.push_back(std::move(entry));
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

int CPhoneLink::FindNewPosition(std::string_view reply, const PhonebookEntry& entry) {
    const PhonebookList& known = Entries(entry.storage);
    int best = -1;
    bool bestIsKnown = true;
    for (auto& line : parseCpbfListing(reply)) {
        if (FromPhoneNumber(line.number, m_charset) != entry.number ||
            FromPhoneText(line.text, m_charset) != entry.name)
            continue;
        // An older entry with the same texts may sit above the new one; a position the list
        // already holds is taken only when nothing else matches.
        bool isKnown = std::any_of(known.begin(), known.end(),
                                   [&](const auto& e) { return e->position == line.position; });
        if (best < 0 || (bestIsKnown && !isKnown) || (isKnown == bestIsKnown && line.position > best)) {
            best = line.position;
            bestIsKnown = isKnown;
        }
    }
    return best;
}

bool CPhoneLink::AddEntry(std::unique_ptr<PhonebookEntry> entry) {
    if (!entry)
        return Fail(LinkErrorKind::InvalidInput, "no entry to add");
    if (entry->storage != kStoragePhone && entry->storage != kStorageSim)
        return Fail(LinkErrorKind::InvalidInput, "unknown phone book storage");
    if (!SelectStorage(entry->storage) || !SelectCharset())
        return false;
    std::string number, name;
    if (!EncodeText(entry->number, "number", number) || !EncodeText(entry->name, "name", name))
        return false;
    entry->type = kTypeNational;
    if (!Transact("AT+CPBW=,\"" + number + "\"," + std::to_string(kTypeNational) + ",\"" + name + "\""))
        return false;
    std::string reply;
    if (Transact("AT+CPBF=\"" + name + "\"", reply)) {
        int position = FindNewPosition(reply, *entry);
        if (position >= 0) {
            entry->position = position;
            MutableEntries(entry->storage).push_back(std::move(entry));
            return true;
        }
    }
    // The entry is on the phone but the find did not show where (a phone without AT+CPBF, one
    // that matches names differently, or a find that went unanswered): read the storage again so
    // the list stays true. Should that fail too, the storage is left unread with its reason rather
    // than shown without the new entry.
    uint8_t storage = entry->storage;
    return ReadStorageInto(storage, nullptr);
}

bool CPhoneLink::ModifyEntry(PhonebookEntry* entry, std::string_view newNumber, std::string_view newName) {
    if (!entry)
        return Fail(LinkErrorKind::InvalidInput, "no entry to modify");
    const PhonebookList& list = Entries(entry->storage);
    if (std::none_of(list.begin(), list.end(), [&](const auto& e) { return e.get() == entry; }))
        return Fail(LinkErrorKind::InvalidInput, "the entry is not in the phone book list");
    // The same character set as reading and adding: under IRA a name with letters above 127 would
    // be stored wrongly.
    if (!SelectStorage(entry->storage) || !SelectCharset())
        return false;
    std::string number, name;
    if (!EncodeText(newNumber, "number", number) || !EncodeText(newName, "name", name))
        return false;
    if (!Transact("AT+CPBW=" + std::to_string(entry->position) + ",\"" + number + "\"," +
                  std::to_string(entry->type) + ",\"" + name + "\""))
        return false;
    entry->number = std::string(newNumber);
    entry->name = std::string(newName);
    return true;
}

bool CPhoneLink::DeleteEntry(PhonebookEntry* entry) {
    if (!entry)
        return Fail(LinkErrorKind::InvalidInput, "no entry to delete");
    PhonebookList& list = MutableEntries(entry->storage);
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.get() == entry; });
    if (it == list.end())
        return Fail(LinkErrorKind::InvalidInput, "the entry is not in the phone book list");
    if (!SelectStorage(entry->storage))
        return false;
    if (!Transact("AT+CPBW=" + std::to_string(entry->position)))
        return false;
    list.erase(it);
    return true;
}
