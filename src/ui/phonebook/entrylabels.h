#pragma once
// The phone marks the kind of a number with a two-character suffix on the entry's name ("Anna/M"
// for a mobile number). The list shows the suffix as a label; the record keeps the suffix.
#include <QString>

namespace phonebook {

// "Bob/H" gives "Bob<Home>", "/M" gives "<Mobile>"; any other ending (a lower-case letter, an
// unknown letter, a lone slash) comes back unchanged.
QString DisplayName(const QString& storedName);

} // namespace phonebook
