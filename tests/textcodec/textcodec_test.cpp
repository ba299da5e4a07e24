// The shared codecs against the rows of the standards they implement: the GSM 7-bit default
// alphabet and its extension table as printed in 3GPP TS 23.038 6.2.1, UTF-8 (RFC 3629) and
// UTF-16 surrogate pairs.
#include <gtest/gtest.h>

#include <cstdio>

#include "textcodec/gsmalphabet.h"
#include "textcodec/textcodec.h"

namespace {

using namespace textcodec;

std::string Septets(std::initializer_list<int> codes) {
    std::string s;
    for (int c : codes)
        s.push_back(static_cast<char>(c));
    return s;
}

// ---- the default alphabet, one printed column (16 codes) per row ---------------------------
struct Column {
    int first; // code of the column's top cell
    std::u32string cells;
};
// 0x1B (ESC) is no character: its cell is checked separately.
const Column kDefaultColumns[] = {
    {0x00, U"@£$¥èéùìòÇ\nØø\rÅå"},
    {0x10, U"Δ_ΦΓΛΩΠΨΣΘΞ\x1B" U"ÆæßÉ"},
    {0x20, U" !\"#¤%&'()*+,-./"},
    {0x30, U"0123456789:;<=>?"},
    {0x40, U"¡ABCDEFGHIJKLMNO"},
    {0x50, U"PQRSTUVWXYZÄÖÑÜ§"},
    {0x60, U"¿abcdefghijklmno"},
    {0x70, U"pqrstuvwxyzäöñüà"},
};

void PrintTo(const Column& c, std::ostream* os) { *os << "codes from " << c.first; }

class GsmDefaultTable : public testing::TestWithParam<Column> {};

TEST_P(GsmDefaultTable, DecodesAndEncodesEveryCell) {
    const Column& column = GetParam();
    ASSERT_EQ(column.cells.size(), 16u);
    for (int row = 0; row < 16; ++row) {
        int code = column.first + row;
        if (code == kGsmEscape)
            continue;
        char32_t c = column.cells[row];
        EXPECT_EQ(GsmDefaultChar(static_cast<uint8_t>(code)), c) << "code " << code;
        EXPECT_EQ(FromGsmSeptets(Septets({code})), std::u32string(1, c)) << "code " << code;
        EXPECT_EQ(EncodeGsmChar(c), Septets({code})) << "code " << code;
    }
}

INSTANTIATE_TEST_SUITE_P(Column, GsmDefaultTable, testing::ValuesIn(kDefaultColumns),
                         [](const testing::TestParamInfo<Column>& info) {
                             char name[16];
                             std::snprintf(name, sizeof name, "codes_%02X", info.param.first);
                             return std::string(name);
                         });

// ---- escape sequences: the extension table, its unused codes, the reserved and cut escapes --
struct EscapeRow {
    const char* label;
    std::string septets;
    std::u32string text;
};
const EscapeRow kEscapeRows[] = {
    // The extension table's defined cells.
    {"form_feed", Septets({0x1B, 0x0A}), U"\f"},
    {"circumflex", Septets({0x1B, 0x14}), U"^"},
    {"left_brace", Septets({0x1B, 0x28}), U"{"},
    {"right_brace", Septets({0x1B, 0x29}), U"}"},
    {"backslash", Septets({0x1B, 0x2F}), U"\\"},
    {"left_bracket", Septets({0x1B, 0x3C}), U"["},
    {"tilde", Septets({0x1B, 0x3D}), U"~"},
    {"right_bracket", Septets({0x1B, 0x3E}), U"]"},
    {"vertical_bar", Septets({0x1B, 0x40}), U"|"},
    {"euro", Septets({0x1B, 0x65}), U"€"},
    // "A code where a symbol is not represented in the extension table": the main table's
    // character.
    {"unused_00_shows_at", Septets({0x1B, 0x00}), U"@"},
    {"unused_0D_shows_cr", Septets({0x1B, 0x0D}), U"\r"},
    {"unused_41_shows_A", Septets({0x1B, 0x41}), U"A"},
    {"unused_64_shows_d", Septets({0x1B, 0x64}), U"d"},
    {"unused_7F_shows_a_grave", Septets({0x1B, 0x7F}), U"à"},
    // ESC ESC is reserved for a further table: "display a space until another extension table
    // is defined".
    {"escape_escape_is_space", Septets({0x1B, 0x1B, 'A'}), U" A"},
    // An escape the receiver cannot resolve is "displayed as a space character".
    {"trailing_escape_is_space", Septets({'a', 0x1B}), U"a "},
    {"high_bit_ignored", Septets({0xC1}), U"A"},
};

void PrintTo(const EscapeRow& r, std::ostream* os) { *os << r.label; }

class GsmEscapes : public testing::TestWithParam<EscapeRow> {};

TEST_P(GsmEscapes, DecodeAsTheStandardSays) { EXPECT_EQ(FromGsmSeptets(GetParam().septets), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Row, GsmEscapes, testing::ValuesIn(kEscapeRows),
                         [](const testing::TestParamInfo<EscapeRow>& info) { return std::string(info.param.label); });

TEST(GsmEncoding, ExtensionCharactersTakeTwoSeptetsAndOthersHaveNoPlace) {
    EXPECT_EQ(ToGsmSeptets(U"@€[x]"), (std::vector<uint8_t>{0x00, 0x1B, 0x65, 0x1B, 0x3C, 0x78, 0x1B, 0x3E}));
    EXPECT_EQ(FromGsmSeptets(*ToGsmSeptets(U"@€[x]")), U"@€[x]");
    EXPECT_EQ(EncodeGsmChar(U' '), Septets({0x20})) << "the space is never the escape";
    for (char32_t c : {U'`', U'ж', U'\u00A0', char32_t(0x1B)})
        EXPECT_FALSE(ToGsmSeptets(std::u32string(1, c))) << static_cast<uint32_t>(c);
}

// ---- UTF-8, UTF-16, hex --------------------------------------------------------------------
struct Utf8Row {
    const char* label;
    std::string bytes;
    bool valid;
};
const Utf8Row kUtf8Rows[] = {
    {"ascii", "Anna", true},
    {"two_byte", "\xC3\xA9", true},
    {"three_byte_euro", "\xE2\x82\xAC", true},
    {"four_byte_emoji", "\xF0\x9F\x98\x80", true},
    {"overlong_slash", "\xC0\xAF", false},
    {"surrogate_encoded", "\xED\xA0\x80", false},
    {"above_10FFFF", "\xF4\x90\x80\x80", false},
    {"cut_sequence", "\xE2\x82", false},
    {"stray_continuation", "\x80", false},
};

void PrintTo(const Utf8Row& r, std::ostream* os) { *os << r.label; }

class Utf8 : public testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8, StrictDecodingAndRoundTrip) {
    auto decoded = DecodeUtf8(GetParam().bytes);
    ASSERT_EQ(decoded.has_value(), GetParam().valid);
    if (decoded) {
        EXPECT_EQ(EncodeUtf8(*decoded), GetParam().bytes);
        auto utf16 = Utf8ToUtf16(GetParam().bytes);
        ASSERT_TRUE(utf16);
        EXPECT_EQ(Utf16ToUtf8(*utf16), GetParam().bytes);
    } else {
        EXPECT_FALSE(Utf8ToUtf16(GetParam().bytes));
    }
}

INSTANTIATE_TEST_SUITE_P(Row, Utf8, testing::ValuesIn(kUtf8Rows),
                         [](const testing::TestParamInfo<Utf8Row>& info) { return std::string(info.param.label); });

TEST(Utf16, SurrogatePairsJoinAndLoneOnesAreRefused) {
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\xD83D\xDE00"));
    EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, char16_t(0xD83D))));
    EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, char16_t(0xDE00))));
    EXPECT_FALSE(Utf16ToUtf8(std::u16string{char16_t(0xDE00), char16_t(0xD83D)}));
    EXPECT_EQ(Utf16ToBigEndian(u"A\u20AC"), std::string("\x00\x41\x20\xAC", 4));
    EXPECT_EQ(Utf16FromBigEndian(std::string("\x00\x41\x20\xAC", 4)), std::u16string(u"A\u20AC"));
    EXPECT_FALSE(Utf16FromBigEndian(std::string("\x00", 1)));
}

TEST(Latin1, IsTheFirst256CodePoints) {
    EXPECT_EQ(Latin1ToUtf8("J\xF6rg"), "J\xC3\xB6rg");
    EXPECT_EQ(Utf8ToLatin1("J\xC3\xB6rg"), std::string("J\xF6rg"));
    EXPECT_FALSE(Utf8ToLatin1("\xE2\x82\xAC"));
}

TEST(Hex, DigitsBothCasesAndMalformedInput) {
    EXPECT_EQ(ToHex(std::string("\x00\x7F\xAB", 3)), "007FAB");
    EXPECT_EQ(FromHex("007fAb"), std::string("\x00\x7F\xAB", 3));
    EXPECT_FALSE(FromHex("ABC"));
    EXPECT_FALSE(FromHex("0G"));
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('g'), -1);
    EXPECT_EQ(HexDigit(0x1C), 'C');
}

} // namespace
