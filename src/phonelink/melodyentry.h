#pragma once
// One of the phone's user melodies: the index the phone lists it under (sent back unchanged on
// write) and its text in the phone's melody notation, without quotes.
#include <string>

struct MelodyEntry {
    int index = 0;
    std::string text;

    bool operator==(const MelodyEntry&) const = default;
};

// The play and ring-signal commands number the eight user melodies 31 to 38.
inline constexpr int kFirstUserMelodySound = 31;
