// The phone book window's rules that need no window: labels, sort order, and the check of the
// dialogs' texts.
#include "ui/phonebook/entrylabels.h"
#include "ui/phonebook/entrytexts.h"
#include "ui/phonebook/listsort.h"
#include "ui/phonebook/phonebooktexts.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

#include <limits>

using namespace phonebook;

namespace {

struct LabelRow {
    const char* stored;
    const char* shown;
};

class DisplayNameTest : public ::testing::TestWithParam<LabelRow> {};

// CTest names carry the printed row: its words, not its bytes.
void PrintTo(const LabelRow& c, std::ostream* os) {
    *os << (std::string_view(c.stored).empty() ? "(empty)" : c.stored);
}

TEST_P(DisplayNameTest, TurnsSuffixIntoLabel) {
    EXPECT_EQ(DisplayName(QString::fromUtf8(GetParam().stored)).toStdString(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Rows, DisplayNameTest,
                         ::testing::Values(LabelRow{"Bob/H", "Bob<Home>"}, LabelRow{"Anna/M", "Anna<Mobile>"},
                                           LabelRow{"Work/W", "Work<Work>"}, LabelRow{"/M", "<Mobile>"},
                                           LabelRow{"Jürgen/H", "Jürgen<Home>"},
                                           // Lower case, unknown letters and short names stay.
                                           LabelRow{"Bob/h", "Bob/h"}, LabelRow{"Bob/X", "Bob/X"},
                                           LabelRow{"/", "/"}, LabelRow{"M", "M"}, LabelRow{"", ""},
                                           // The slash must be next to last.
                                           LabelRow{"Bob/Ho", "Bob/Ho"}, LabelRow{"BobM", "BobM"},
                                           LabelRow{"A/M/H", "A/M<Home>"}));

struct IntegerRow {
    const char* cell;
    int64_t value;
};

class LeadingIntegerTest : public ::testing::TestWithParam<IntegerRow> {};

void PrintTo(const IntegerRow& c, std::ostream* os) {
    *os << (std::string_view(c.cell).empty() ? "(empty)" : c.cell);
}

TEST_P(LeadingIntegerTest, ReadsSignedPrefix) {
    EXPECT_EQ(LeadingInteger(QString::fromUtf8(GetParam().cell)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LeadingIntegerTest,
    ::testing::Values(IntegerRow{"10", 10}, IntegerRow{"  42", 42}, IntegerRow{"+4930555", 4930555},
                      IntegerRow{"-7", -7}, IntegerRow{"030 123", 30}, IntegerRow{"12a34", 12},
                      IntegerRow{"abc", 0}, IntegerRow{"", 0}, IntegerRow{"+", 0}, IntegerRow{"*31#", 0},
                      // Longer than 32 bits: still ordered by value.
                      IntegerRow{"004917012345678", 4917012345678},
                      IntegerRow{"99999999999999999999999", std::numeric_limits<int64_t>::max()},
                      IntegerRow{"-99999999999999999999999", std::numeric_limits<int64_t>::min()},
                      IntegerRow{"-9223372036854775808", std::numeric_limits<int64_t>::min()}));

TEST(CompareCells, IntegerKindOrdersByValueAndSignFlipsIt) {
    const int integer = static_cast<int>(SortKind::Integer);
    EXPECT_LT(CompareCells(integer, "2", "10"), 0);
    EXPECT_GT(CompareCells(-integer, "2", "10"), 0);
    EXPECT_EQ(CompareCells(integer, "+49", "49"), 0);
    EXPECT_LT(CompareCells(integer, "none", "1"), 0);
    // Far apart 64-bit values whose difference would overflow a subtraction.
    EXPECT_LT(CompareCells(integer, "-9000000000000000000", "9000000000000000000"), 0);
    EXPECT_GT(CompareCells(integer, "9000000000000000000", "-9000000000000000000"), 0);
}

TEST(CompareCells, TextKindIgnoresCaseAndIncludesLabels) {
    const int text = static_cast<int>(SortKind::Text);
    EXPECT_EQ(CompareCells(text, "anna", "ANNA"), 0);
    EXPECT_LT(CompareCells(text, "anna", "Bob"), 0);
    EXPECT_GT(CompareCells(text, "anna<Mobile>", "Anna<Home>"), 0);
    EXPECT_LT(CompareCells(-text, "anna<Mobile>", "Anna<Home>"), 0);
    EXPECT_EQ(CompareCells(0, "a", "b"), 0);
}

TEST(SortState, DirectionFollowsClicks) {
    SortState state;
    EXPECT_EQ(state.lastColumn, -1);
    EXPECT_TRUE(state.Click(1));
    EXPECT_FALSE(state.Click(1));
    EXPECT_TRUE(state.Click(1));
    EXPECT_FALSE(state.Click(1));
    EXPECT_TRUE(state.Click(0)) << "another column starts ascending";
    EXPECT_FALSE(state.Click(0));
    EXPECT_EQ(state.lastColumn, 0);
}

TEST(KindForColumn, PosAndNumberAreIntegersNameIsText) {
    EXPECT_EQ(KindForColumn(0), SortKind::Integer);
    EXPECT_EQ(KindForColumn(1), SortKind::Text);
    EXPECT_EQ(KindForColumn(2), SortKind::Integer);
    EXPECT_EQ(KindForColumn(3), SortKind::None);
    EXPECT_EQ(KindForColumn(-1), SortKind::None);
}

struct TextsRow {
    const char* label;
    const char* name;
    const char* number;
    Charset charset;
    bool accepted;
    EntryField field;
};

class CheckEntryTextsTest : public ::testing::TestWithParam<TextsRow> {};

void PrintTo(const TextsRow& c, std::ostream* os) {
    *os << (std::string_view(c.label).empty() ? "(empty)" : c.label);
}

TEST_P(CheckEntryTextsTest, RefusesWhatThePhoneCannotStore) {
    const TextsRow& row = GetParam();
    auto problem = CheckEntryTexts({QString::fromUtf8(row.name), QString::fromUtf8(row.number)}, row.charset);
    ASSERT_EQ(!problem, row.accepted) << row.label;
    if (problem) {
        EXPECT_EQ(problem->field, row.field) << row.label;
        EXPECT_FALSE(problem->message.isEmpty());
    }
}

const std::string k63(63, 'x');
const std::string k64(64, 'x');
const std::string k63Umlauts = [] {
    std::string s;
    for (int i = 0; i < 63; ++i)
        s += "ü";
    return s;
}();

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckEntryTextsTest,
    ::testing::Values(
        TextsRow{"plain", "Anna/M", "+4930123", Charset::Latin1, true, EntryField::Name},
        TextsRow{"latin-1 letters", "Jürgen Çelik", "0301", Charset::Latin1, true, EntryField::Name},
        TextsRow{"empty texts", "", "", Charset::Latin1, true, EntryField::Name},
        TextsRow{"euro sign", "Café €", "0301", Charset::Latin1, false, EntryField::Name},
        TextsRow{"cyrillic", "Ольга", "0301", Charset::Latin1, false, EntryField::Name},
        TextsRow{"cyrillic in UCS2", "Ольга", "0301", Charset::Ucs2, true, EntryField::Name},
        TextsRow{"emoji in UCS2", "A 😀", "0301", Charset::Ucs2, false, EntryField::Name},
        TextsRow{"quote in name", "Bob \"B\"", "0301", Charset::Latin1, false, EntryField::Name},
        TextsRow{"tab in name", "Bob\tB", "0301", Charset::Latin1, false, EntryField::Name},
        TextsRow{"umlaut in number", "Bob", "03ü1", Charset::Latin1, false, EntryField::Number},
        TextsRow{"quote in number", "Bob", "03\"1", Charset::Latin1, false, EntryField::Number},
        TextsRow{"63 characters", k63.c_str(), k63.c_str(), Charset::Latin1, true, EntryField::Name},
        TextsRow{"63 two-byte characters", k63Umlauts.c_str(), "1", Charset::Latin1, true, EntryField::Name},
        TextsRow{"64-character name", k64.c_str(), "1", Charset::Latin1, false, EntryField::Name},
        TextsRow{"64-character number", "Bob", k64.c_str(), Charset::Latin1, false, EntryField::Number}),
    [](const ::testing::TestParamInfo<TextsRow>& info) { return "row" + std::to_string(info.index); });

TEST(RefusedChangeText, NamesRefusalOrFailureWithReason) {
    EXPECT_EQ(RefusedChangeText("add the entry", LinkError::Make(LinkErrorKind::CmeError, "memory full", 20))
                  .toStdString(),
              "The phone refused to add the entry: memory full");
    EXPECT_EQ(RefusedChangeText("add the entry", LinkError::Make(LinkErrorKind::NoAnswer, "no answer from the phone"))
                  .toStdString(),
              "Could not add the entry: no answer from the phone");
    EXPECT_EQ(StorageProblemText(2, {}).toStdString(), "");
    EXPECT_EQ(StorageProblemText(2, LinkError::Make(LinkErrorKind::CmeError, "SIM not inserted", 10)).toStdString(),
              "SIM Phonebook could not be read: SIM not inserted");
}

} // namespace

namespace {

TEST(EntryLimitsDeclared, PhoneLimitsTightenButNeverWidenTheRecord) {
    struct Row {
        int numberLength, textLength;
        int number, name;
    } rows[] = {
        {-1, -1, 63, 63}, // the phone left both out
        {40, 18, 40, 18}, // the demo SIM
        {0, 0, 63, 63},   // a zero reads as "not said", not as "nothing fits"
        {80, 100, 63, 63},
    };
    for (const Row& row : rows) {
        const EntryLimits limits = LimitsDeclared(row.numberLength, row.textLength);
        EXPECT_EQ(limits.number, row.number) << row.numberLength;
        EXPECT_EQ(limits.name, row.name) << row.textLength;
    }
    const EntryLimits sim = LimitsDeclared(20, 18);
    EXPECT_FALSE(CheckEntryTexts({QString(18, u'a'), QString(20, u'1')}, Charset::Latin1, sim));
    auto longName = CheckEntryTexts({QString(19, u'a'), QStringLiteral("1")}, Charset::Latin1, sim);
    ASSERT_TRUE(longName);
    EXPECT_EQ(longName->field, EntryField::Name);
    auto longNumber = CheckEntryTexts({QStringLiteral("a"), QString(21, u'1')}, Charset::Latin1, sim);
    ASSERT_TRUE(longNumber);
    EXPECT_EQ(longNumber->field, EntryField::Number);
}

} // namespace
