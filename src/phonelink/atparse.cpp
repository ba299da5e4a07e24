#include "atparse.h"

#include <cstdint>

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
} // namespace

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

namespace {

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

// A signed decimal field ("129", "-4", "4294967296") as a wide value; nullopt when it is not one.
std::optional<long long> SignedField(std::string_view field) {
    field = TrimBlanks(field);
    bool negative = !field.empty() && field.front() == '-';
    if (negative)
        field.remove_prefix(1);
    if (!IsAllDigits(field) || field.size() > 12)
        return std::nullopt;
    long long value = 0;
    for (char c : field)
        value = value * 10 + (c - '0');
    return negative ? -value : value;
}

// A number holds no quotes: it ends at the first closing quote, and a comma or the end must
// follow.
bool IsFieldEnd(std::string_view rest) {
    rest = TrimBlanks(rest);
    return rest.empty() || rest.front() == ',';
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
        if (text.find('"') != std::string::npos)
            return std::nullopt;
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

constexpr long long kMaxPosition = 65535;

// One listing line after its prefix: an entry, or why it is none.
std::optional<RawPhonebookLine> ParsePhonebookFields(std::string_view rest, std::string& reason) {
    RawPhonebookLine entry;
    size_t comma = rest.find(',');
    auto position = SignedField(rest.substr(0, comma));
    if (!position) {
        reason = "the position is not a number";
        return std::nullopt;
    }
    if (*position < 1 || *position > kMaxPosition) {
        reason = "position " + std::string(TrimBlanks(rest.substr(0, comma))) + " is out of range";
        return std::nullopt;
    }
    entry.position = static_cast<int>(*position);
    if (comma == std::string_view::npos) {
        reason = "the line ends after the position";
        return std::nullopt;
    }
    rest.remove_prefix(comma + 1);
    // Some phones put an empty field between the position and the number: 1,,"+31...",145,"...".
    std::string_view afterEmpty = TrimBlanks(rest);
    if (!afterEmpty.empty() && afterEmpty.front() == ',') {
        std::string_view probe = TrimBlanks(afterEmpty.substr(1));
        if (!probe.empty() && probe.front() == '"')
            rest = probe;
    }
    std::optional<std::string> number;
    std::string_view numberField = TrimBlanks(rest);
    if (!numberField.empty() && numberField.front() == '"') {
        size_t close = numberField.find('"', 1);
        if (close != std::string_view::npos && IsFieldEnd(numberField.substr(close + 1))) {
            number = std::string(numberField.substr(1, close - 1));
            rest = TrimBlanks(numberField.substr(close + 1));
        }
    } else {
        number = TakeTextField(rest, IsFieldEnd);
    }
    if (!number) {
        reason = "the number field does not end";
        return std::nullopt;
    }
    // A number broken over two lines by the phone is still one dial string.
    for (char c : *number)
        if (c != '\r' && c != '\n')
            entry.number.push_back(c);
    std::string_view typeField;
    if (SkipComma(rest)) {
        size_t typeEnd = rest.find(',');
        typeField = TrimBlanks(rest.substr(0, typeEnd));
        rest.remove_prefix(typeEnd == std::string_view::npos ? rest.size() : typeEnd);
    }
    if (typeField.empty()) {
        // The phone left the type out: it follows from the number (in UCS2 mode "002B" is '+').
        bool international = entry.number.starts_with("+") || entry.number.starts_with("002B");
        entry.type = international ? 145 : 129;
    } else {
        auto type = SignedField(typeField);
        if (!type) {
            reason = "the type is not a number";
            return std::nullopt;
        }
        if (*type < 128 || *type > 255) {
            reason = "type " + std::string(typeField) + " is out of range";
            return std::nullopt;
        }
        entry.type = static_cast<int>(*type);
    }
    // A phone that omits the text of an unnamed entry ends the line after the type.
    if (!SkipComma(rest) || TrimBlanks(rest).empty())
        return entry;
    auto text = TakeTextField(rest, IsTrailingFieldList);
    if (!text) {
        reason = "the name field does not end";
        return std::nullopt;
    }
    entry.text = std::move(*text);
    return entry;
}

// Where a line that starts at `start` ends when CR and LF inside double quotes belong to the
// field; the end of the text when a quote never closes.
size_t QuoteAwareEnd(std::string_view text, size_t start) {
    bool inQuote = false;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] == '"')
            inQuote = !inQuote;
        else if ((text[i] == '\r' || text[i] == '\n') && !inQuote)
            return i;
    }
    return text.size();
}

} // namespace

PhonebookListing parsePhonebookListing(std::string_view reply, std::string_view prefix) {
    PhonebookListing listing;
    size_t pos = 0;
    while (pos < reply.size()) {
        if (reply[pos] == '\r' || reply[pos] == '\n') {
            ++pos;
            continue;
        }
        size_t plainEnd = reply.find_first_of("\r\n", pos);
        if (plainEnd == std::string_view::npos)
            plainEnd = reply.size();
        std::string_view plain = reply.substr(pos, plainEnd - pos);
        auto rest = AfterPrefix(plain, prefix);
        if (!rest) {
            pos = plainEnd;
            continue;
        }
        std::string reason;
        auto entry = ParsePhonebookFields(*rest, reason);
        size_t end = plainEnd;
        if (!entry) {
            // A line end inside a quoted field (a number broken by the phone, a name holding a
            // line end): read the line up to where its quotes close.
            size_t quotedEnd = QuoteAwareEnd(reply, pos);
            if (quotedEnd > plainEnd && quotedEnd < reply.size()) {
                std::string quotedReason;
                auto quoted = ParsePhonebookFields(*AfterPrefix(reply.substr(pos, quotedEnd - pos), prefix),
                                                   quotedReason);
                if (quoted) {
                    entry = std::move(quoted);
                    end = quotedEnd;
                }
            }
        }
        if (entry)
            listing.entries.push_back(std::move(*entry));
        else
            listing.rejected.push_back({std::string(plain), reason});
        pos = end;
    }
    return listing;
}

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
    return parsePhonebookListing(reply, "+CPBR:").entries;
}

std::vector<RawPhonebookLine> parseCpbfListing(std::string_view reply) {
    return parsePhonebookListing(reply, "+CPBF:").entries;
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

template <typename Fn>
void ForEachField(std::string_view s, Fn&& fn) {
    while (true) {
        size_t comma = s.find(',');
        fn(s.substr(0, comma));
        if (comma == std::string_view::npos)
            return;
        s.remove_prefix(comma + 1);
    }
}

std::vector<std::string> parseCscsSupported(std::string_view reply) {
    std::vector<std::string> names;
    ForEachLine(reply, [&](std::string_view line) {
        auto rest = AfterPrefix(line, "+CSCS:");
        if (!rest)
            return;
        std::string_view s = *rest;
        if (s.find('"') == std::string_view::npos) {
            // Some phones list the names unquoted: +CSCS: (GSM,IRA,UCS2) or GSM,IRA.
            ForEachField(s, [&](std::string_view name) {
                while (!name.empty() && (name.front() == '(' || name.front() == ' '))
                    name.remove_prefix(1);
                while (!name.empty() && (name.back() == ')' || name.back() == ' '))
                    name.remove_suffix(1);
                if (!name.empty())
                    names.emplace_back(name);
            });
            return;
        }
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
