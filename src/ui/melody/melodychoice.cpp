#include "melodychoice.h"

#include "phonelink/melodyentry.h"

namespace melodyform {

QString EntryLabel(int entry) { return QStringLiteral("Melody %1").arg(entry + 1); }

int EntryFromLabel(const QString& text) {
    for (int entry = 0; entry < kEntryCount; ++entry)
        if (text == EntryLabel(entry))
            return entry;
    return -1;
}

int SoundNumber(int entry) { return kFirstUserMelodySound + entry; }

std::optional<std::string> MissingEntryReason(int entry, std::size_t recordCount) {
    if (entry < 0 || entry >= kEntryCount)
        return std::string("choose one of Melody 1 to Melody 8 from the list");
    if (static_cast<std::size_t>(entry) >= recordCount) {
        if (recordCount == 0)
            return std::string("the phone listed no melodies");
        return "the phone listed only " + std::to_string(recordCount) + (recordCount == 1 ? " melody" : " melodies");
    }
    return std::nullopt;
}

std::optional<std::string> TextRefusal(std::string_view text) {
    if (text.size() > kMaxMelodyText)
        return "the melody has " + std::to_string(text.size()) + " characters; a melody holds at most " +
               std::to_string(kMaxMelodyText);
    return std::nullopt;
}

} // namespace melodyform
