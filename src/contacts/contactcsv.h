#pragma once
// Contacts in CSV: the exports of common address books and web mail read (their header row
// says which column is what), phone book entries written with their storage and position.
#include <string>
#include <string_view>
#include <vector>

#include "contacts/contact.h"
#include "phonelink/phonebookentry.h"

namespace contacts {

// Rows of a CSV file with a header row. The separator (',', ';' or tab) is the one the header
// uses; fields may be quoted ("..." with "" inside) and span lines. Recognised columns: a name
// ("Name", "Display Name", "Full Name", or first/middle/last, given/additional/family), numbers
// ("Mobile Phone", "Home Phone", "Business Phone", "Phone 1 - Value" with its "- Type" or
// "- Label", "Number" with "Kind", ...), and this program's own "Storage", "Position", "Type".
ReadResult ReadContactsCsv(std::string_view fileBytes);

// "Storage,Position,Name,Number,Type,Kind" and one row per entry; the name without its kind
// suffix, the kind as "mobile", "home", "work" or empty.
std::string WriteContactsCsv(const std::vector<PhonebookEntry>& entries);

} // namespace contacts
