#include "contacts/contactcsv.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "contacts/filetext.h"
#include "contacts/numberkind.h"
#include "contacts/phonenumbertext.h"

namespace contacts {

namespace {

struct Row {
    std::vector<std::string> fields;
    int line = 0;
};

char DetectSeparator(std::string_view text) {
    size_t counts[3] = {0, 0, 0};
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n' || c == '\r') break;
        if (c == ',') ++counts[0];
        if (c == ';') ++counts[1];
        if (c == '\t') ++counts[2];
    }
    if (counts[2] > counts[0] && counts[2] >= counts[1]) return '\t';
    if (counts[1] > counts[0]) return ';';
    return ',';
}

// RFC 4180 with the freedoms real exports take: LF or CR LF, a quote inside an unquoted field
// kept as it is. An unclosed quote at the end of the file closes there.
std::vector<Row> SplitRows(std::string_view text, char separator) {
    std::vector<Row> rows;
    Row row;
    std::string field;
    bool quoted = false, fieldStarted = false;
    int line = 1;
    row.line = 1;
    auto endField = [&] { row.fields.push_back(std::move(field)); field.clear(); fieldStarted = false; };
    auto endRow = [&] {
        endField();
        const bool blank = row.fields.size() == 1 && row.fields[0].empty();
        if (!blank) rows.push_back(std::move(row));
        row = Row{};
        row.line = line;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') { field += '"'; ++i; }
            else if (c == '"') quoted = false;
            else { if (c == '\n') ++line; field += c; }
            continue;
        }
        if (c == '"' && !fieldStarted) { quoted = true; fieldStarted = true; continue; }
        if (c == separator) { endField(); continue; }
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++line;
            endRow();
            continue;
        }
        field += c;
        fieldStarted = true;
    }
    if (fieldStarted || !field.empty() || !row.fields.empty()) endRow();
    return rows;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!out.empty() && std::isspace(static_cast<unsigned char>(out.back()))) out.pop_back();
    while (!out.empty() && std::isspace(static_cast<unsigned char>(out.front()))) out.erase(0, 1);
    return out;
}

bool Has(const std::string& text, const char* word) { return text.find(word) != std::string::npos; }

struct PhoneColumn {
    size_t value;
    int kindColumn = -1;        // "Phone 1 - Type" for "Phone 1 - Value"
    NumberKind kind = NumberKind::None;  // from the header itself ("Mobile Phone")
};

struct Layout {
    int name = -1, first = -1, middle = -1, last = -1;
    int storage = -1, position = -1, type = -1, kind = -1;
    std::vector<PhoneColumn> phones;
};

Layout LayoutOf(const std::vector<std::string>& header) {
    Layout layout;
    std::vector<std::string> names;
    for (const auto& h : header) names.push_back(Lower(h));
    auto find = [&](std::initializer_list<const char*> candidates) {
        for (const char* want : candidates)
            for (size_t i = 0; i < names.size(); ++i)
                if (names[i] == want) return static_cast<int>(i);
        return -1;
    };
    layout.name = find({"name", "display name", "full name", "file as", "formatted name"});
    layout.first = find({"first name", "given name", "first"});
    layout.middle = find({"middle name", "additional name"});
    layout.last = find({"last name", "family name", "surname", "last"});
    layout.storage = find({"storage"});
    layout.position = find({"position"});
    layout.type = find({"type"});
    layout.kind = find({"kind"});
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& h = names[i];
        if (Has(h, "fax") || Has(h, "pager") || Has(h, "type") || Has(h, "label") || Has(h, "e-mail") ||
            Has(h, "email"))
            continue;
        if (Has(h, " - value") && Has(h, "phone")) {
            // Google's "Phone 1 - Value" goes with "Phone 1 - Type" (older) or "- Label" (newer).
            const std::string stem = h.substr(0, h.find(" - value"));
            PhoneColumn column{i};
            for (size_t k = 0; k < names.size(); ++k)
                if (names[k] == stem + " - type" || names[k] == stem + " - label") column.kindColumn = static_cast<int>(k);
            layout.phones.push_back(column);
        } else if (Has(h, "phone") || Has(h, "mobile") || h == "number" || h == "tel" || h == "telephone" ||
                   Has(h, "phone number") || h == "cell") {
            layout.phones.push_back({i, -1, KindFromWord(h)});
        }
    }
    return layout;
}

const std::string& Field(const Row& row, int column) {
    static const std::string kEmpty;
    return column >= 0 && static_cast<size_t>(column) < row.fields.size() ? row.fields[column] : kEmpty;
}

std::string Trimmed(std::string text) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

int Number(const std::string& text) {
    int value = 0;
    const std::string t = Trimmed(text);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size() ? value : 0;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n;") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

} // namespace

ReadResult ReadContactsCsv(std::string_view fileBytes) {
    ReadResult result;
    std::string text = FileTextAsUtf8(fileBytes);
    if (!IsValidUtf8(text)) text = Latin1ToUtf8(text);  // Outlook's exports are in the ANSI code page
    const std::vector<Row> rows = SplitRows(text, DetectSeparator(text));
    if (rows.empty()) {
        result.problems.push_back({1, "the file is empty"});
        return result;
    }
    const Layout layout = LayoutOf(rows.front().fields);
    if (layout.phones.empty()) {
        result.problems.push_back({1, "the header row names no phone number column"});
        return result;
    }
    for (size_t r = 1; r < rows.size(); ++r) {
        const Row& row = rows[r];
        Contact contact;
        contact.line = row.line;
        std::string name = Trimmed(Field(row, layout.name));
        if (name.empty()) {
            for (int column : {layout.first, layout.middle, layout.last}) {
                const std::string part = Trimmed(Field(row, column));
                if (part.empty()) continue;
                if (!name.empty()) name += ' ';
                name += part;
            }
        }
        contact.name = name;
        contact.storage = StorageCode(Trimmed(Field(row, layout.storage)));
        contact.position = Number(Field(row, layout.position));
        std::string problem;
        for (const PhoneColumn& column : layout.phones) {
            const std::string& value = Field(row, static_cast<int>(column.value));
            NumberKind kind = column.kind;
            if (column.kindColumn >= 0) kind = KindFromWord(Field(row, column.kindColumn));
            if (layout.kind >= 0) kind = KindFromWord(Field(row, layout.kind));
            // Google puts several numbers of one label in one field, joined by " ::: ".
            size_t start = 0;
            while (start <= value.size()) {
                const size_t sep = value.find(":::", start);
                const std::string one = Trimmed(value.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
                if (!one.empty()) {
                    std::string reason;
                    const std::string number = DialableNumber(one, &reason);
                    if (number.empty()) {
                        if (problem.empty()) problem = reason;
                    } else {
                        contact.numbers.push_back({number, kind, layout.type >= 0 ? Number(Field(row, layout.type)) : 0});
                    }
                }
                if (sep == std::string::npos) break;
                start = sep + 3;
            }
        }
        // What could not be read is said; the numbers that could be read still import.
        if (!problem.empty()) result.problems.push_back({row.line, problem});
        if (!contact.numbers.empty()) result.contacts.push_back(std::move(contact));
        else if (problem.empty()) result.problems.push_back({row.line, "the row has no phone number"});
    }
    return result;
}

std::string WriteContactsCsv(const std::vector<PhonebookEntry>& entries) {
    std::string out = "Storage,Position,Name,Number,Type,Kind\r\n";
    for (const PhonebookEntry& entry : entries) {
        const SplitName split = SplitKindSuffix(entry.name);
        std::string storage = StorageName(entry.storage);
        if (storage.size() > 2) storage = storage.substr(1, storage.size() - 2);
        out += CsvField(storage) + "," + std::to_string(entry.position) + "," + CsvField(split.base) + "," +
               CsvField(entry.number) + "," + std::to_string(entry.type) + "," + KindWord(split.kind) + "\r\n";
    }
    return out;
}

} // namespace contacts
