#pragma once
// What the entry dialogs collect, and the check that runs before anything goes to the phone.
#include "phonelink/charset.h"

#include <QString>

#include <optional>

namespace phonebook {

struct EntryTexts {
    QString name;
    QString number;
};

// Longest texts a storage takes. The record holds 63 characters of each; a phone that declares
// shorter limits refuses longer texts itself, and that refusal reaches the status line.
struct EntryLimits {
    int name = 63;
    int number = 63;
};

// The limits a storage declared ("+CPBR: (1-N),nlength,tlength"), within the record's own; a
// length the phone left out (-1) or gave as 0 keeps the record's.
EntryLimits LimitsDeclared(int numberLength, int textLength);

enum class EntryField { Name, Number };

struct EntryProblem {
    EntryField field;
    QString message;
};

// Refuses what the phone cannot store: characters outside the name's character set (numbers
// always travel as plain ASCII dial strings), double quotes and control characters (the command
// line has no escape for them), and texts beyond the limits. nullopt when both texts are fine.
std::optional<EntryProblem> CheckEntryTexts(const EntryTexts& texts, Charset nameCharset,
                                            EntryLimits limits = {});

} // namespace phonebook
