#include "contacts/link/phonelinktarget.h"

#include <algorithm>

#include "phonelink/phonelink.h"

namespace contacts {

StorageFacts LinkStorageFacts(const CPhoneLink& link, uint8_t storage) {
    StorageFacts facts;
    facts.storage = storage;
    for (const auto& entry : link.Entries(storage))
        facts.entries.push_back(*entry);
    const CpbrRange range = link.StorageLimits(storage);
    facts.firstPosition = range.first > 0 ? range.first : 1;
    facts.lastPosition = range.last;
    facts.nameLength = std::max(0, range.textLength);
    facts.numberLength = std::max(0, range.numberLength);
    // The same test the link makes before it writes a name: the set must carry every character,
    // and outside UCS2 no quote or line end may end the command early.
    const Charset charset = link.CurrentCharset();
    facts.canStore = [charset](std::string_view name) {
        const auto text = ToPhoneText(name, charset);
        if (!text)
            return false;
        const std::string_view forbidden = charset == Charset::Gsm ? std::string_view("\"\r\n", 3)
                                                                    : std::string_view("\"\r\n\x1A\x1B", 5);
        return charset == Charset::Ucs2 || text->find_first_of(forbidden) == std::string::npos;
    };
    return facts;
}

bool PhoneLinkTarget::Add(const PhonebookEntry& entry, std::string* error) {
    auto added = std::make_unique<PhonebookEntry>(entry);
    added->position = 0;
    if (m_link.AddEntry(std::move(added)))
        return true;
    if (error)
        *error = m_link.LastError().text;
    return false;
}

bool PhoneLinkTarget::Modify(const PhonebookEntry& entry, std::string* error) {
    const PhonebookList& list = m_link.Entries(entry.storage);
    const auto listed =
        std::find_if(list.begin(), list.end(), [&](const auto& e) { return e->position == entry.position; });
    if (listed == list.end()) {
        if (error)
            *error = "position " + std::to_string(entry.position) + " holds no entry any more";
        return false;
    }
    if (m_link.ModifyEntry(listed->get(), entry.number, entry.name))
        return true;
    if (error)
        *error = m_link.LastError().text;
    return false;
}

bool PhoneLinkTarget::LinkLost() const { return IsConnectionFailure(m_link.LastError()); }

} // namespace contacts
