#include "contacts/vcard.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "contacts/filetext.h"
#include "contacts/numberkind.h"
#include "contacts/phonenumbertext.h"
#include "textcodec/textcodec.h"

namespace contacts {

namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

struct Property {
    std::string name;                  // upper case, group taken off
    std::vector<std::string> types;    // TYPE=a,b and 2.1's bare parameters, upper case
    std::string charset, encoding, valueType;  // upper case
    std::string value;                 // raw, still escaped / encoded
    int line = 0;
};

// One unfolded content line: "[group.]NAME[;param]*:value". Quoted parameter values may hold
// ':' and ';'. False when there is no ':' at all.
bool ParseProperty(const std::string& line, Property& prop) {
    size_t i = 0;
    bool quoted = false;
    std::vector<std::string> parts(1);
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') quoted = !quoted;
        else if (!quoted && c == ':') break;
        else if (!quoted && c == ';') { parts.emplace_back(); continue; }
        parts.back() += c;
    }
    if (i >= line.size()) return false;
    prop.value = line.substr(i + 1);
    std::string name = Upper(parts[0]);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(0, dot + 1);
    prop.name = name;
    for (size_t k = 1; k < parts.size(); ++k) {
        std::string param = parts[k];
        const size_t eq = param.find('=');
        std::string key = Upper(eq == std::string::npos ? std::string() : param.substr(0, eq));
        std::string value = eq == std::string::npos ? param : param.substr(eq + 1);
        value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
        value = Upper(value);
        if (key.empty() || key == "TYPE") {
            size_t start = 0;
            while (start <= value.size()) {
                const size_t comma = value.find(',', start);
                const std::string one = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                if (!one.empty()) {
                    // 2.1 allows a bare ENCODING or CHARSET value without its key.
                    if (key.empty() && (one == "QUOTED-PRINTABLE" || one == "BASE64")) prop.encoding = one;
                    else prop.types.push_back(one);
                }
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (key == "CHARSET") {
            prop.charset = value;
        } else if (key == "ENCODING") {
            prop.encoding = value;
        } else if (key == "VALUE") {
            prop.valueType = value;
        }
    }
    return true;
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            const int hi = textcodec::HexDigitValue(text[i + 1]), lo = textcodec::HexDigitValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi << 4 | lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// 3.0 and 4.0 escape ',', ';', '\' and newlines in text values; 2.1 files from phones often
// escape ';' too. A component separator is an unescaped ';'.
std::vector<std::string> SplitComponents(std::string_view value, bool unescape) {
    std::vector<std::string> out(1);
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            if (!unescape) { out.back() += c; out.back() += next; continue; }
            out.back() += (next == 'n' || next == 'N') ? ' ' : next;
        } else if (c == ';') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

std::string Trim(std::string text) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

// The value as UTF-8 text: decoded from quoted-printable when it says so, from the charset it
// names (or, without one, from Windows-1252 when the bytes are not UTF-8, as old phones write).
std::string TextOf(const Property& prop) {
    std::string bytes = prop.encoding == "QUOTED-PRINTABLE" ? DecodeQuotedPrintable(prop.value) : prop.value;
    const bool latin = prop.charset == "ISO-8859-1" || prop.charset == "WINDOWS-1252" || prop.charset == "CP1252" ||
                       prop.charset == "LATIN1";
    if (latin || !IsValidUtf8(bytes)) return Latin1ToUtf8(bytes);
    return bytes;
}

struct CardBuilder {
    Contact contact;
    std::string fn;
    std::vector<std::string> n;
    std::vector<ReadProblem> problems;  // lines of the card that could not be read
};

void TakeProperty(const Property& prop, CardBuilder& card) {
    if (prop.name == "FN") {
        // FN has no components: an unescaped ';' is part of the name.
        const auto parts = SplitComponents(TextOf(prop), true);
        std::string joined;
        for (size_t i = 0; i < parts.size(); ++i) joined += (i ? ";" : "") + parts[i];
        card.fn = Trim(joined);
    } else if (prop.name == "N") {
        card.n = SplitComponents(TextOf(prop), true);
    } else if (prop.name == "TEL") {
        std::string value = TextOf(prop);
        if (prop.valueType == "URI" || value.rfind("tel:", 0) == 0 || value.rfind("TEL:", 0) == 0) {
            if (value.size() >= 4 && Upper(value.substr(0, 4)) == "TEL:") value.erase(0, 4);
            if (const size_t semi = value.find(';'); semi != std::string::npos) value.erase(semi);  // ;ext=, ;phone-context=
        } else {
            value = SplitComponents(value, true).front();
        }
        std::string reason;
        const std::string number = DialableNumber(value, &reason);
        if (number.empty()) {
            card.problems.push_back({prop.line, reason});
            return;
        }
        ContactNumber tel{number, NumberKind::None, 0};
        for (const auto& type : prop.types) {
            const NumberKind kind = KindFromWord(type);
            if (kind != NumberKind::None) { tel.kind = kind; break; }
        }
        for (const auto& type : prop.types)
            if (type == "FAX" || type == "PAGER") tel.kind = NumberKind::None;
        card.contact.numbers.push_back(tel);
    } else if (prop.name == "X-HARLUNE-STORAGE") {
        card.contact.storage = StorageCode(Trim(prop.value));
    } else if (prop.name == "X-HARLUNE-POSITION" || prop.name == "X-HARLUNE-TYPE") {
        int value = 0;
        const std::string text = Trim(prop.value);
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size()) return;
        if (prop.name == "X-HARLUNE-POSITION") card.contact.position = value;
        else if (!card.contact.numbers.empty()) card.contact.numbers.back().type = value;
    }
}

std::string NameOf(const CardBuilder& card) {
    if (!card.fn.empty()) return card.fn;
    // N: family; given; additional; prefixes; suffixes. Shown as a person says it.
    static constexpr size_t kOrder[] = {3, 1, 2, 0, 4};
    std::string name;
    for (size_t index : kOrder) {
        if (index >= card.n.size()) continue;
        const std::string part = Trim(card.n[index]);
        if (part.empty()) continue;
        if (!name.empty()) name += ' ';
        name += part;
    }
    return name;
}

} // namespace

ReadResult ReadVCards(std::string_view fileBytes) {
    ReadResult result;
    const std::vector<std::string> lines = SplitLines(FileTextAsUtf8(fileBytes));

    // Unfold: a line that starts with a blank continues the one before (3.0, 4.0 and most 2.1
    // writers); a quoted-printable value that ends in '=' goes on in the next line (2.1's soft
    // line break), which need not start with a blank.
    struct Logical { std::string text; int line; };
    std::vector<Logical> logical;
    bool softBreak = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& raw = lines[i];
        const int number = static_cast<int>(i) + 1;
        if (softBreak && !logical.empty()) {
            logical.back().text.pop_back();  // the '='
            logical.back().text += raw;
        } else if (!raw.empty() && (raw[0] == ' ' || raw[0] == '\t') && !logical.empty()) {
            logical.back().text += raw.substr(1);
        } else if (!raw.empty()) {
            logical.push_back({raw, number});
        } else {
            softBreak = false;
            continue;
        }
        const std::string& text = logical.back().text;
        const std::string upper = Upper(text.substr(0, std::min<size_t>(text.find(':'), 200)));
        softBreak = !text.empty() && text.back() == '=' && upper.find("QUOTED-PRINTABLE") != std::string::npos;
    }

    std::optional<CardBuilder> card;
    for (const Logical& entry : logical) {
        Property prop;
        prop.line = entry.line;
        if (!ParseProperty(entry.text, prop)) {
            if (card) card->problems.push_back({entry.line, "the line has no ':'"});
            continue;
        }
        const std::string value = Upper(Trim(prop.value));
        if (prop.name == "BEGIN" && value == "VCARD") {
            if (card) result.problems.push_back({card->contact.line, "the card is not closed (no END:VCARD)"});
            card.emplace();
            card->contact.line = entry.line;
            continue;
        }
        if (!card) continue;  // text between cards
        if (prop.name == "END" && value == "VCARD") {
            card->contact.name = NameOf(*card);
            // What could not be read is said; the numbers that could be read still import.
            for (auto& problem : card->problems) result.problems.push_back(std::move(problem));
            if (card->contact.numbers.empty()) {
                if (card->problems.empty()) result.problems.push_back({card->contact.line, "the card has no phone number"});
            } else {
                result.contacts.push_back(std::move(card->contact));
            }
            card.reset();
            continue;
        }
        TakeProperty(prop, *card);
    }
    if (card) result.problems.push_back({card->contact.line, "the card is not closed (no END:VCARD)"});
    return result;
}

namespace {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Escape30(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == ',' || c == ';') out += '\\';
        if (c == '\n') { out += "\\n"; continue; }
        out += c;
    }
    return out;
}

// 2.1 escapes only ';' (and the backslash itself) in values.
std::string Escape21(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == ';') out += '\\';
        out += c;
    }
    return out;
}

std::string QuotedPrintable(std::string_view text) {
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F || c == '=' || c == ';') {
            out += '=';
            out += textcodec::HexDigit(c >> 4);
            out += textcodec::HexDigit(c & 15);
        } else {
            out += ch;
        }
    }
    return out;
}

// Folds a content line at 75 bytes without cutting a UTF-8 sequence, as 3.0 asks; 2.1's
// quoted-printable lines fold with a soft break instead.
void AppendFolded(std::string& out, const std::string& line, bool softBreaks) {
    size_t start = 0, width = 75;
    while (line.size() - start > width) {
        size_t cut = start + width - (softBreaks ? 1 : 0);
        while (cut > start + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        if (softBreaks) {
            // Never cut inside an "=XX" triplet.
            if (line[cut - 1] == '=') cut -= 1;
            else if (cut >= 2 && line[cut - 2] == '=') cut -= 2;
        }
        out += line.substr(start, cut - start);
        out += softBreaks ? "=\r\n" : "\r\n ";
        start = cut;
        width = softBreaks ? 75 : 74;
    }
    out += line.substr(start);
    out += "\r\n";
}

} // namespace

std::string WriteVCards(const std::vector<PhonebookEntry>& entries, VCardVersion version) {
    std::string out;
    const bool v21 = version == VCardVersion::V21;
    for (const PhonebookEntry& entry : entries) {
        const SplitName split = SplitKindSuffix(entry.name);
        out += "BEGIN:VCARD\r\n";
        out += v21 ? "VERSION:2.1\r\n" : "VERSION:3.0\r\n";
        if (v21 && !IsAscii(split.base)) {
            const std::string qp = QuotedPrintable(Escape21(split.base));
            AppendFolded(out, "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + qp, true);
            AppendFolded(out, "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + qp, true);
        } else {
            const std::string text = v21 ? Escape21(split.base) : Escape30(split.base);
            AppendFolded(out, "N:" + text + ";;;;", false);
            AppendFolded(out, "FN:" + text, false);
        }
        std::string tel = "TEL";
        if (split.kind != NumberKind::None) tel += std::string(v21 ? ";" : ";TYPE=") + VCardType(split.kind);
        AppendFolded(out, tel + ":" + entry.number, false);
        if (entry.type != DefaultNumberType(entry.number))
            out += "X-HARLUNE-TYPE:" + std::to_string(entry.type) + "\r\n";
        const std::string storage = StorageName(entry.storage);
        if (storage.size() > 2) out += "X-HARLUNE-STORAGE:" + storage.substr(1, storage.size() - 2) + "\r\n";
        out += "X-HARLUNE-POSITION:" + std::to_string(entry.position) + "\r\n";
        out += "END:VCARD\r\n";
    }
    return out;
}

} // namespace contacts
