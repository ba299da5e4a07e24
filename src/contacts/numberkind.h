#pragma once
// The phone book's kind suffix on an entry's name ("Anna/M") and what a file calls the same kind
// (vCard TEL types, the type columns of address book exports).
#include <string>
#include <string_view>

#include "contacts/contact.h"

namespace contacts {

struct SplitName {
    std::string base;
    NumberKind kind = NumberKind::None;
};

// "Bob/H" gives {"Bob", Home}; a name without one of the three upper-case suffixes is all base.
SplitName SplitKindSuffix(std::string_view storedName);
// The name as the phone book stores it: base plus the kind's suffix.
std::string WithKindSuffix(std::string_view base, NumberKind kind);

// The vCard TEL type for a kind ("CELL", "HOME", "WORK"), empty for None.
const char* VCardType(NumberKind kind);
// "mobile", "home", "work" or "" (our CSV column and the JSON of the CLI).
const char* KindWord(NumberKind kind);
// A kind from a file's word for it, case-insensitive: CELL, MOBILE, "Mobile Phone", HOME, WORK,
// BUSINESS, ... Anything else (FAX, VOICE, "Other", unknown words) is None.
NumberKind KindFromWord(std::string_view word);

} // namespace contacts
