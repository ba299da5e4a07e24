// Address book files as phones and programs write them, read card by card / row by row. Each
// sample's source is named; the bytes follow the writer's habits (folding, quoted-printable soft
// breaks, repeated TYPE parameters, Google's " ::: " lists), with personal data replaced.
#include <gtest/gtest.h>

#include "contacts/contactcsv.h"
#include "contacts/vcard.h"

using namespace contacts;

namespace {

struct Expected {
    std::string name;
    std::vector<ContactNumber> numbers;
};

struct FileCase {
    const char* label;
    const char* source;
    std::string bytes;
    std::vector<Expected> contacts;
    std::vector<int> problemLines;  // lines of the problems reported, in order
    bool csv = false;
};

ContactNumber Cell(const char* n) { return {n, NumberKind::Mobile, 0}; }
ContactNumber Home(const char* n) { return {n, NumberKind::Home, 0}; }
ContactNumber Work(const char* n) { return {n, NumberKind::Work, 0}; }
ContactNumber Plain(const char* n) { return {n, NumberKind::None, 0}; }

// The same text as UTF-16 little-endian with its mark, as desktop address books on Windows save.
std::string Utf16LeWithMark(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

const std::vector<FileCase>& Cases() {
    static const std::vector<FileCase> cases = {
        {"android_21_quoted_printable", "vCard 2.1 export of the Android contacts app (UTF-8 as QP, soft breaks)",
         "BEGIN:VCARD\r\nVERSION:2.1\r\n"
         "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=4D=C3=BC=6C=6C=65=72;=4A=C3=BC=72=67=65=6E;;;\r\n"
         "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=4A=C3=BC=72=67=65=6E=20=4D=C3=BC=6C=6C=65=72=20=\r\n"
         "=76=6F=6E=20=48=69=65=72\r\n"
         "TEL;CELL:+49 171 1234567\r\nTEL;HOME:030-1234567\r\nTEL;FAX:030-1234568\r\nEND:VCARD\r\n",
         {{"J\xC3\xBCrgen M\xC3\xBCller von Hier", {Cell("+491711234567"), Home("0301234567"), Plain("0301234568")}}},
         {}},
        {"iphone_30_apple", "vCard 3.0 of the iPhone's contacts (item groups, repeated type=, folded photo)",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.0//EN\r\nN:Appleseed;John;;;\r\n"
         "FN:John Appleseed\r\nORG:Example Inc.;\r\nitem1.TEL;type=pref:+1 (408) 555-0100\r\n"
         "TEL;type=CELL;type=VOICE;type=pref:(408) 555-0101\r\nTEL;type=HOME;type=VOICE:555-0102\r\n"
         "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBk\r\n"
         "  SEw8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/wAALCAABAAEBAREA\r\nEND:VCARD\r\n",
         {{"John Appleseed", {Plain("+14085550100"), Cell("4085550101"), Home("5550102")}}},
         {}},
        {"rfc6350_40_uri", "vCard 4.0 example of RFC 6350 section 8 (TEL as tel: URI, quoted TYPE list)",
         "BEGIN:VCARD\nVERSION:4.0\nFN:Simon Perreault\nN:Perreault;Simon;;;ing. jr,M.Sc.\n"
         "TEL;VALUE=uri;PREF=1;TYPE=\"voice,home\":tel:+1-418-656-9254;ext=102\n"
         "TEL;VALUE=uri;TYPE=\"work,cell,voice,video,text\":tel:+1-418-262-6501\nEND:VCARD\n",
         {{"Simon Perreault", {Home("+14186569254"), Work("+14182626501")}}},
         {}},
        {"google_30_escapes_bom", "vCard 3.0 of a web mail export, with a BOM, escapes and a name only in N",
         "\xEF\xBB\xBF" "BEGIN:VCARD\r\nVERSION:3.0\r\nN:de Vries;Anna\\, Jr;;;\r\n"
         "EMAIL;TYPE=INTERNET:anna@example.org\r\nTEL;TYPE=CELL:06 1234 5678\r\n"
         "NOTE:line one\\nline two\\; folded over\r\n  two lines\r\nEND:VCARD\r\n",
         {{"Anna, Jr de Vries", {Cell("0612345678")}}},
         {}},
        {"nokia_21_latin1", "vCard 2.1 sent by an older phone over OBEX (ISO-8859-1, bare CHARSET)",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1:Sj\xF6gren;\xC5sa\r\nTEL;PREF;WORK;VOICE:+46 8 123 45\r\n"
         "END:VCARD\r\n",
         {{"\xC3\x85sa Sj\xC3\xB6gren", {Work("+46812345")}}},
         {}},
        {"broken_cards_rest_imports", "hand-made: a card without a number, a bad number, an unclosed card",
         "BEGIN:VCARD\nVERSION:3.0\nFN:No Number\nEMAIL:x@example.org\nEND:VCARD\n"      // lines 1-5
         "BEGIN:VCARD\nVERSION:3.0\nFN:Half\nTEL:call me\nTEL:+31 20 555 0000\nEND:VCARD\n"  // lines 6-11
         "BEGIN:VCARD\nVERSION:3.0\nFN:Good\nTEL:112\nEND:VCARD\n"                      // lines 12-16
         "BEGIN:VCARD\nVERSION:3.0\nFN:Cut off\nTEL:+3112\n",                           // line 17, not closed
         {{"Half", {Plain("+31205550000")}}, {"Good", {Plain("112")}}},
         {1, 9, 17}},
        {"utf16_with_mark", "vCard 3.0 saved as UTF-16 with a byte-order mark by a desktop address book",
         Utf16LeWithMark("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Wide Text\r\nTEL;TYPE=WORK,VOICE:+44 20 7946 0000\r\nEND:VCARD\r\n"),
         {{"Wide Text", {Work("+442079460000")}}},
         {}},
        {"outlook_csv", "CSV export of a desktop mail program (quoted header, ANSI code page)",
         "\"First Name\",\"Middle Name\",\"Last Name\",\"Business Phone\",\"Home Phone\",\"Mobile Phone\",\"Business Fax\"\r\n"
         "\"Fran\xE7ois\",\"\",\"Dupont\",\"+33 1 23 45 67 89\",\"\",\"06 12 34 56 78\",\"01 99 99 99 99\"\r\n",
         {{"Fran\xC3\xA7ois Dupont", {Work("+33123456789"), Cell("0612345678")}}},
         {},
         true},
        {"google_csv", "CSV of a web mail export (Phone N - Type / - Value, ' ::: ' lists, field over two lines)",
         "Name,Given Name,Family Name,Notes,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value\n"
         "Bea Bos,Bea,Bos,\"two\nlines\",Mobile,+31 6 1111 2222 ::: +31 6 3333 4444,Work,020 555 0101\n"
         "Email Only,Email,Only,,,,,\n",
         {{"Bea Bos", {Cell("+31611112222"), Cell("+31633334444"), Work("0205550101")}}},
         {4},
         true},
        {"thunderbird_csv", "CSV of a desktop mail program's address book (Display Name, Mobile Number)",
         "First Name,Last Name,Display Name,Nickname,Primary Email,Work Phone,Home Phone,Fax Number,Mobile Number\n"
         "Kees,Jansen,Kees J.,,k@example.org,,010 123 4567,,\n",
         {{"Kees J.", {Home("0101234567")}}},
         {},
         true},
        {"semicolon_csv", "CSV of a spreadsheet in a locale with decimal commas (';' separated)",
         "Name;Mobile;Home\nPiet;+31 6 9999 0000;\n",
         {{"Piet", {Cell("+31699990000")}}},
         {},
         true},
    };
    return cases;
}

class ContactFiles : public testing::TestWithParam<FileCase> {};

TEST_P(ContactFiles, ReadCardByCard) {
    const FileCase& c = GetParam();
    const ReadResult result = c.csv ? ReadContactsCsv(c.bytes) : ReadVCards(c.bytes);
    ASSERT_EQ(result.contacts.size(), c.contacts.size()) << c.source;
    for (size_t i = 0; i < c.contacts.size(); ++i) {
        EXPECT_EQ(result.contacts[i].name, c.contacts[i].name) << c.source;
        EXPECT_EQ(result.contacts[i].numbers, c.contacts[i].numbers) << c.source << ": " << c.contacts[i].name;
    }
    std::vector<int> lines;
    for (const auto& problem : result.problems) {
        lines.push_back(problem.line);
        EXPECT_FALSE(problem.reason.empty());
    }
    EXPECT_EQ(lines, c.problemLines) << c.source;
}

INSTANTIATE_TEST_SUITE_P(Samples, ContactFiles, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<FileCase>& info) { return std::string(info.param.label); });

std::vector<PhonebookEntry> SampleEntries() {
    return {
        {1, "+31612345678", kTypeInternational, "Anna/M", kStorageSim},
        {2, "0201234567", kTypeNational, "Anna/H", kStorageSim},
        {7, "31612345678", kTypeInternational, "J\xC3\xBCrgen, \"the\"; one", kStorageSim},  // 145 without '+'
        {3, "*100#", kTypeNational, "Balance", kStoragePhone},
        {4, "112", kTypeNational, "", kStoragePhone},
        {5, "0301234567", kTypeNational, "A very long name that goes on well past seventy-five bytes of line/W",
         kStoragePhone},
    };
}

// Export, then read back: every name, suffix, number, type, storage and position as it was.
TEST(ContactFiles, ExportReadsBackExactly) {
    const auto entries = SampleEntries();
    const std::string v30 = WriteVCards(entries, VCardVersion::V30);
    const std::string v21 = WriteVCards(entries, VCardVersion::V21);
    const std::string csv = WriteContactsCsv(entries);
    for (const auto& [label, result] : {std::pair{"3.0", ReadVCards(v30)}, std::pair{"2.1", ReadVCards(v21)},
                                        std::pair{"csv", ReadContactsCsv(csv)}}) {
        EXPECT_TRUE(result.problems.empty()) << label << ": " << result.problems.front().reason;
        ASSERT_EQ(result.contacts.size(), entries.size()) << label;
        for (size_t i = 0; i < entries.size(); ++i) {
            const Contact& c = result.contacts[i];
            ASSERT_EQ(c.numbers.size(), 1u) << label;
            PhonebookEntry back{c.position, c.numbers[0].number,
                                c.numbers[0].type ? c.numbers[0].type : (c.numbers[0].number[0] == '+' ? 145 : 129),
                                c.name, c.storage};
            back.name = c.name + std::string(c.numbers[0].kind == NumberKind::Mobile ? "/M"
                                             : c.numbers[0].kind == NumberKind::Home ? "/H"
                                             : c.numbers[0].kind == NumberKind::Work ? "/W" : "");
            EXPECT_EQ(back, entries[i]) << label << " entry " << i;
        }
    }
    for (const std::string* text : {&v30, &v21}) {
        size_t start = 0;
        while (start < text->size()) {
            const size_t end = text->find("\r\n", start);
            ASSERT_NE(end, std::string::npos);
            EXPECT_LE(end - start, 75u) << "folded at 75 bytes";
            start = end + 2;
        }
    }
}

} // namespace
