#pragma once
// An import written through the phone link: the link's lists stay equal to the phone after every
// entry (CPhoneLink sees to that), and a storage's facts come from the link's last read of it.
#include <cstdint>

#include "contacts/importrun.h"

class CPhoneLink;

namespace contacts {

// What the link learnt of `storage` in its last read: the entries, the declared range and
// lengths, and whether the character set the link speaks carries a name. Read the storage first.
StorageFacts LinkStorageFacts(const CPhoneLink& link, uint8_t storage);

class PhoneLinkTarget : public IPhonebookTarget {
public:
    explicit PhoneLinkTarget(CPhoneLink& link) : m_link(link) {}
    bool Add(const PhonebookEntry& entry, std::string* error) override;
    // The listed record at entry.position of entry.storage takes the entry's number and name.
    bool Modify(const PhonebookEntry& entry, std::string* error) override;
    bool LinkLost() const override;

private:
    CPhoneLink& m_link;
};

} // namespace contacts
