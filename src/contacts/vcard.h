#pragma once
// vCard 2.1, 3.0 and 4.0 as phones, address books and web mail write them, read into contacts;
// phone book entries written as vCard 3.0 or 2.1.
#include <string>
#include <string_view>
#include <vector>

#include "contacts/contact.h"
#include "phonelink/phonebookentry.h"

namespace contacts {

// Every card of the file. A card that cannot be read (no number, not closed, a broken line) is a
// problem with its line; the others are still read. Photos and fields other than the name and
// the numbers are skipped.
ReadResult ReadVCards(std::string_view fileBytes);

enum class VCardVersion { V21, V30 };

// One card per entry: its name without the kind suffix, the number with the suffix's TEL type,
// and where the entry was (X-HARLUNE-STORAGE, X-HARLUNE-POSITION) so that a backup can be put
// back in place. CRLF line ends, lines folded at 75 bytes.
std::string WriteVCards(const std::vector<PhonebookEntry>& entries, VCardVersion version);

} // namespace contacts
