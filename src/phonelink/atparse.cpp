#include "atparse.h"

#include <cstdint>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The part of a line after "prefix:", with the blanks after the colon gone; phones differ on
// whether they put one there.
std::optional<std::string_view> AfterPrefix(std::string_view line, std::string_view prefix) {
    line = TrimBlanks(line);
    if (!line.starts_with(prefix))
        return std::nullopt;
    return TrimBlanks(line.substr(prefix.size()));
}

bool IsSmallNumber(std::string_view field) { return IsAllDigits(field) && field.size() <= 9; }

// Whether what follows a closing quote is a plausible end of an entry: nothing, or a comma and
// further simple fields (numbers, quoted texts without inner quotes, empty). Phones add such
// trailing fields (hidden flags, groups); a quote inside a name is followed by something else.
bool IsTrailingFieldList(std::string_view rest) {
    rest = TrimBlanks(rest);
    if (rest.empty())
        return true;
    if (rest.front() != ',')
        return false;
    rest.remove_prefix(1);
    while (true) {
        rest = TrimBlanks(rest);
        if (!rest.empty() && rest.front() == '"') {
            size_t close = rest.find('"', 1);
            if (close == std::string_view::npos)
                return false;
            rest.remove_prefix(close + 1);
        } else {
            size_t comma = rest.find(',');
            std::string_view field = TrimBlanks(rest.substr(0, comma));
            if (!field.empty() && !IsAllDigits(field))
                return false;
            rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma);
        }
        rest = TrimBlanks(rest);
        if (rest.empty())
            return true;
        if (rest.front() != ',')
            return false;
        rest.remove_prefix(1);
    }
}

// Whether what follows the number's closing quote is ",type" and then the end or another comma.
bool IsFollowedByTypeField(std::string_view rest) {
    rest = TrimBlanks(rest);
    if (rest.empty() || rest.front() != ',')
        return false;
    rest = TrimBlanks(rest.substr(1));
    size_t comma = rest.find(',');
    return IsSmallNumber(TrimBlanks(rest.substr(0, comma)));
}

// Reads a text field that may be quoted. A quoted field ends at the first quote after which
// `ends` accepts the remainder, so names holding commas, colons or quotes survive. On success
// `rest` is left at the comma (or end) after the field.
template <typename EndTest>
std::optional<std::string> TakeTextField(std::string_view& rest, EndTest ends) {
    rest = TrimBlanks(rest);
    if (rest.empty() || rest.front() != '"') {
        // Some modems leave short fields unquoted.
        size_t comma = rest.find(',');
        std::string text(TrimBlanks(rest.substr(0, comma)));
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma);
        return text;
    }
    for (size_t close = rest.find('"', 1); close != std::string_view::npos;
         close = rest.find('"', close + 1)) {
        if (ends(rest.substr(close + 1))) {
            std::string text(rest.substr(1, close - 1));
            rest.remove_prefix(close + 1);
            rest = TrimBlanks(rest);
            return text;
        }
    }
    return std::nullopt;
}

// Takes "digits" up to the next comma (or the end) and steps over the comma.
std::optional<int> TakeNumberField(std::string_view& rest) {
    size_t comma = rest.find(',');
    std::string_view field = TrimBlanks(rest.substr(0, comma));
    if (!IsSmallNumber(field))
        return std::nullopt;
    rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    return ParseDigits(field);
}

bool SkipComma(std::string_view& rest) {
    rest = TrimBlanks(rest);
    if (rest.empty() || rest.front() != ',')
        return false;
    rest.remove_prefix(1);
    return true;
}

std::optional<RawPhonebookLine> ParsePhonebookFields(std::string_view rest) {
    RawPhonebookLine entry;
    auto position = TakeNumberField(rest);
    if (!position)
        return std::nullopt;
    entry.position = *position;
    auto number = TakeTextField(rest, IsFollowedByTypeField);
    if (!number)
        return std::nullopt;
    entry.number = std::move(*number);
    if (!SkipComma(rest))
        return std::nullopt;
    auto type = TakeNumberField(rest);
    if (!type)
        return std::nullopt;
    entry.type = *type;
    // A phone that omits the text of an unnamed entry ends the line after the type.
    if (TrimBlanks(rest).empty())
        return entry;
    auto text = TakeTextField(rest, IsTrailingFieldList);
    if (!text)
        return std::nullopt;
    entry.text = std::move(*text);
    return entry;
}

std::vector<RawPhonebookLine> ParsePhonebookListing(std::string_view reply, std::string_view prefix) {
    std::vector<RawPhonebookLine> entries;
    ForEachLine(reply, [&](std::string_view line) {
        auto rest = AfterPrefix(line, prefix);
        if (!rest)
            return;
        if (auto entry = ParsePhonebookFields(*rest))
            entries.push_back(std::move(*entry));
    });
    return entries;
}

} // namespace

int ParseDigits(std::string_view field) {
    uint32_t value = 0;
    for (char c : field)
        value = value * 10u + static_cast<uint32_t>(c >= '0' && c <= '9' ? c - '0' : 0);
    return static_cast<int>(value);
}

bool IsAllDigits(std::string_view field) {
    if (field.empty())
        return false;
    for (char c : field)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::optional<CpbrRange> parseCpbrRange(std::string_view reply) {
    std::optional<CpbrRange> found;
    ForEachLine(reply, [&](std::string_view line) {
        if (found)
            return;
        auto rest = AfterPrefix(line, "+CPBR:");
        if (!rest || rest->empty() || rest->front() != '(')
            return;
        size_t close = rest->find(')');
        if (close == std::string_view::npos)
            return;
        std::string_view range = rest->substr(1, close - 1);
        size_t dash = range.find('-');
        if (dash == std::string_view::npos)
            return;
        std::string_view first = TrimBlanks(range.substr(0, dash));
        std::string_view last = TrimBlanks(range.substr(dash + 1));
        if (!IsSmallNumber(first) || !IsSmallNumber(last))
            return;
        CpbrRange r;
        r.first = ParseDigits(first);
        r.last = ParseDigits(last);
        if (r.first > r.last)
            return;
        std::string_view tail = rest->substr(close + 1);
        int* lengths[] = {&r.numberLength, &r.textLength};
        for (int* length : lengths) {
            if (!SkipComma(tail))
                break;
            size_t comma = tail.find(',');
            std::string_view field = TrimBlanks(tail.substr(0, comma));
            if (IsSmallNumber(field))
                *length = ParseDigits(field);
            tail.remove_prefix(comma == std::string_view::npos ? tail.size() : comma);
        }
        found = r;
    });
    return found;
}

std::vector<RawPhonebookLine> parseCpbrListing(std::string_view reply) {
    return ParsePhonebookListing(reply, "+CPBR:");
}

std::vector<RawPhonebookLine> parseCpbfListing(std::string_view reply) {
    return ParsePhonebookListing(reply, "+CPBF:");
}

std::vector<MelodyEntry> parseEsomListing(std::string_view reply) {
    std::vector<MelodyEntry> melodies;
    ForEachLine(reply, [&](std::string_view line) {
        auto rest = AfterPrefix(line, "*ESOM:");
        if (!rest)
            return;
        std::string_view fields = *rest;
        auto index = TakeNumberField(fields);
        if (!index)
            return;
        auto text = TakeTextField(fields, IsTrailingFieldList);
        if (!text)
            return;
        melodies.push_back(MelodyEntry{*index, std::move(*text)});
    });
    return melodies;
}

std::vector<std::string> parseCscsSupported(std::string_view reply) {
    std::vector<std::string> names;
    ForEachLine(reply, [&](std::string_view line) {
        auto rest = AfterPrefix(line, "+CSCS:");
        if (!rest)
            return;
        std::string_view s = *rest;
        while (true) {
            size_t open = s.find('"');
            if (open == std::string_view::npos)
                break;
            size_t close = s.find('"', open + 1);
            if (close == std::string_view::npos)
                break;
            names.emplace_back(s.substr(open + 1, close - open - 1));
            s.remove_prefix(close + 1);
        }
    });
    return names;
}

std::optional<int> parseCmgsReference(std::string_view reply) {
    std::optional<int> reference;
    ForEachLine(reply, [&](std::string_view line) {
        auto rest = AfterPrefix(line, "+CMGS:");
        if (!rest || reference)
            return;
        size_t comma = rest->find(',');
        std::string_view field = TrimBlanks(rest->substr(0, comma));
        if (IsSmallNumber(field))
            reference = ParseDigits(field);
    });
    return reference;
}
