#pragma once
// Pure parsers of the phone's replies. They take the whole reply text as Transact collected it
// (echo, information lines, final result, stray unsolicited lines) and pick out the lines that
// carry their prefix; any other line makes no record. Texts come back exactly as the phone sent
// them, still in the phone's character set (see charset.h).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "melodyentry.h"

// The one rule for a decimal field: digit by digit, a non-digit counting as 0, so "1-3" gives
// 103 and "" gives 0. Wraps in 32 bits instead of overflowing.
int ParseDigits(std::string_view field);
bool IsAllDigits(std::string_view field); // non-empty and only '0'..'9'
// Without the spaces and tabs at either end.
std::string_view TrimBlanks(std::string_view s);

// "+CPBR: (1-250),40,18": the positions a storage offers and the longest number and text it takes
// (-1 when the phone leaves them out).
struct CpbrRange {
    int first = 0;
    int last = 0;
    int numberLength = -1;
    int textLength = -1;
    bool operator==(const CpbrRange&) const = default;
};
std::optional<CpbrRange> parseCpbrRange(std::string_view reply);

// One "+CPBR:" or "+CPBF:" line: position,"number",type,"text" with texts still in the phone's
// character set.
struct RawPhonebookLine {
    int position = 0;
    std::string number;
    int type = 0;
    std::string text;
    bool operator==(const RawPhonebookLine&) const = default;
};
// A listing as real phones write it: empty fields (after the position, an empty type that then
// follows from the number: 145 with a leading "+", else 129), extra fields at the end, a line
// break inside a quoted field. A "+CPBR:"/"+CPBF:" line that is no entry is kept with the reason
// (a position outside 1..65535, a type outside 128..255, a field that never ends), so that no
// entry is ever lost without a word.
struct PhonebookListing {
    struct Rejected {
        std::string line;
        std::string reason;
    };
    std::vector<RawPhonebookLine> entries;
    std::vector<Rejected> rejected;
};
PhonebookListing parsePhonebookListing(std::string_view reply, std::string_view prefix);
std::vector<RawPhonebookLine> parseCpbrListing(std::string_view reply);
std::vector<RawPhonebookLine> parseCpbfListing(std::string_view reply);

// "*ESOM: index,"text",value" lines.
std::vector<MelodyEntry> parseEsomListing(std::string_view reply);

// The quoted names of a "+CSCS: (...)" test reply, in the phone's order.
std::vector<std::string> parseCscsSupported(std::string_view reply);

// The message reference of "+CMGS: n", if the reply carries one.
std::optional<int> parseCmgsReference(std::string_view reply);

// Calls fn for every line of text (split at CR and LF, empty lines skipped).
template <typename Fn>
void ForEachLine(std::string_view text, Fn&& fn) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            fn(text.substr(start, end - start));
        start = end + 1;
    }
}
