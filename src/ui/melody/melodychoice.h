#pragma once
// The rules of the melody form that need no window: which combo entry the user means, which
// sound number it plays as, and whether a text may be written into a melody record. Every
// refusal comes back as a sentence for the status line.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <QString>

namespace melodyform {

inline constexpr int kEntryCount = 8;
// The record's text field held 127 characters and a terminator; nothing longer may reach it.
inline constexpr std::size_t kMaxMelodyText = 127;
inline constexpr int kMinLevel = 3;
inline constexpr int kMaxLevel = 7;

// "Melody 1" .. "Melody 8" for entries 0..7.
QString EntryLabel(int entry);
// The entry a combo text names, or -1: the combo's edit field lets the user type anything, and
// a typed text only counts when it is exactly one of the listed labels.
int EntryFromLabel(const QString& text);
// Entry 0 plays as sound 31, entry 7 as 38, whatever indexes the phone listed.
int SoundNumber(int entry);

// Why nothing may be sent for `entry` given how many records the phone listed, or nullopt when
// the entry has a record. Playing and the ring signal need no record; writing does.
std::optional<std::string> MissingEntryReason(int entry, std::size_t recordCount);
// Why `text` cannot go into a melody record, or nullopt when it fits.
std::optional<std::string> TextRefusal(std::string_view text);

} // namespace melodyform
