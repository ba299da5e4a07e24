#pragma once
// Status-line sentences of the phone book windows, built from the phone link's error values.
#include "phonelink/linkerror.h"

#include <QString>

#include <cstdint>

class CPhoneLink;

namespace phonebook {

// "Memory Phonebook" for 1, "SIM Phonebook" for 2: the tree's labels.
QString StorageLabel(uint8_t storage);

// What a failed full read leaves on the status line. A storage the phone refused (no SIM card)
// is named with the phone's reason, since the connection is fine and the other storage was read;
// anything else is the generic line that points at the connection.
QString ReadOutcomeText(const CPhoneLink& link);

// The line for a storage whose read was refused, empty when it was read.
QString StorageProblemText(uint8_t storage, const LinkError& error);

// "The phone refused to delete the entry: SIM not inserted" when the phone said no, "Could not
// delete the entry: ..." when it was never asked or did not answer.
QString RefusedChangeText(const QString& action, const LinkError& error);

} // namespace phonebook

namespace phonebook {
// Dynamic property on the frame: what the last phone book read left for the status line. The
// frame overwrites the line when the read is over; the tree puts it back.
inline constexpr char kReadOutcomeProperty[] = "harlunePhonebookReadOutcome";
} // namespace phonebook
