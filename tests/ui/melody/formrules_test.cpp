// The window-free rules of the melody and SMS forms.
#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

#include <cctype>

#include "phonelink/smspdu.h"
#include "ui/melody/melodychoice.h"
#include "ui/sms/smsbudget.h"

namespace {

struct LabelCase {
    const char* text;
    int entry;
};

class EntryLabelTest : public testing::TestWithParam<LabelCase> {};

// CTest names carry the printed row: its words, not its bytes.
void PrintTo(const LabelCase& c, std::ostream* os) {
    *os << (std::string_view(c.text).empty() ? "(empty)" : c.text);
}

TEST_P(EntryLabelTest, OnlyListedLabelsSelectAnEntry) {
    EXPECT_EQ(melodyform::EntryFromLabel(QString::fromUtf8(GetParam().text)), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(Labels, EntryLabelTest,
                         testing::Values(LabelCase{"Melody 1", 0}, LabelCase{"Melody 8", 7},
                                         LabelCase{"Melody 9", -1}, LabelCase{"Melody 0", -1},
                                         LabelCase{"melody 1", -1}, LabelCase{" Melody 1", -1},
                                         LabelCase{"Melody 10", -1}, LabelCase{"", -1}));

TEST(MelodyRules, EntriesPlayAsSounds31To38) {
    for (int entry = 0; entry < melodyform::kEntryCount; ++entry) {
        EXPECT_EQ(melodyform::SoundNumber(entry), 31 + entry);
        EXPECT_EQ(melodyform::EntryFromLabel(melodyform::EntryLabel(entry)), entry);
    }
}

TEST(MelodyRules, WritingNeedsARecordForTheEntry) {
    EXPECT_FALSE(melodyform::MissingEntryReason(7, 8));
    EXPECT_FALSE(melodyform::MissingEntryReason(0, 1));
    EXPECT_TRUE(melodyform::MissingEntryReason(5, 5));
    EXPECT_TRUE(melodyform::MissingEntryReason(0, 0));
    EXPECT_TRUE(melodyform::MissingEntryReason(-1, 8));
    // More records than entries (a phone listing extra melodies) never reaches past entry 7.
    EXPECT_TRUE(melodyform::MissingEntryReason(8, 12));
}

TEST(MelodyRules, TextMustFitTheRecord) {
    EXPECT_FALSE(melodyform::TextRefusal(""));
    EXPECT_FALSE(melodyform::TextRefusal(std::string(127, 'c')));
    const auto refusal = melodyform::TextRefusal(std::string(128, 'c'));
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->find("128"), std::string::npos);
    EXPECT_NE(refusal->find("127"), std::string::npos);
}

struct BudgetCase {
    const char* label;
    std::string text;
    smsform::Alphabet alphabet;
    int used;
    int limit;
    const char* counter;
};

class SmsBudgetTest : public testing::TestWithParam<BudgetCase> {};

void PrintTo(const BudgetCase& c, std::ostream* os) {
    *os << (std::string_view(c.label).empty() ? "(empty)" : c.label);
}

TEST_P(SmsBudgetTest, MeasuresAsTheEncoderSends) {
    const BudgetCase& c = GetParam();
    const smsform::SmsBudget budget = smsform::MeasureSmsText(c.text);
    EXPECT_EQ(budget.alphabet, c.alphabet);
    if (c.alphabet != smsform::Alphabet::Unsendable) {
        EXPECT_EQ(budget.used, c.used);
        EXPECT_EQ(budget.limit, c.limit);
    }
    EXPECT_EQ(smsform::BudgetLabel(budget), c.counter);
    EXPECT_EQ(smsform::BudgetRefusal(budget).empty(), budget.Fits());

    // What the counter promises is exactly what the encoder accepts, and in the same alphabet.
    SmsPdu pdu;
    LinkError error;
    EXPECT_EQ(EncodeSmsSubmit(c.text, "555", pdu, error), budget.Fits()) << error.text;
    if (budget.Fits()) {
        EXPECT_EQ(pdu.ucs2, budget.alphabet == smsform::Alphabet::Ucs2);
    }
}

std::string Repeat(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

using A = smsform::Alphabet;
INSTANTIATE_TEST_SUITE_P(
    Texts, SmsBudgetTest,
    testing::Values(BudgetCase{"empty", "", A::Gsm, 0, 160, "160 left"},
                    BudgetCase{"plain", "Hello", A::Gsm, 5, 160, "155 left"},
                    BudgetCase{"line break", "a\nb", A::Gsm, 3, 160, "157 left"},
                    BudgetCase{"latin letters of the alphabet", "\xC3\xA9\xC3\xBC\xC3\xB1", A::Gsm, 3, 160, "157 left"},
                    BudgetCase{"extension counts two", "[\xE2\x82\xAC]", A::Gsm, 6, 160, "154 left"},
                    BudgetCase{"160 exactly", std::string(160, 'x'), A::Gsm, 160, 160, "0 left"},
                    BudgetCase{"161", std::string(161, 'x'), A::Gsm, 161, 160, "1 too many"},
                    BudgetCase{"extension pushes over", std::string(159, 'x') + "^", A::Gsm, 161, 160, "1 too many"},
                    BudgetCase{"one CJK character", "\xE4\xBD\xA0", A::Ucs2, 1, 70, "69 left (UCS2)"},
                    BudgetCase{"no-break space needs UCS2", "a\xC2\xA0" "b", A::Ucs2, 3, 70, "67 left (UCS2)"},
                    BudgetCase{"70 UCS2", Repeat("\xE4\xBD\xA0", 70), A::Ucs2, 70, 70, "0 left (UCS2)"},
                    BudgetCase{"71 UCS2", Repeat("\xE4\xBD\xA0", 71), A::Ucs2, 71, 70, "1 too many (UCS2)"},
                    BudgetCase{"100 GSM letters and one CJK", std::string(100, 'x') + "\xE4\xBD\xA0", A::Ucs2, 101,
                               70, "31 too many (UCS2)"},
                    BudgetCase{"outside the basic plane", "hi \xF0\x9F\x98\x80", A::Unsendable, 0, 0, "cannot be sent"},
                    BudgetCase{"broken UTF-8", "a\xC3", A::Unsendable, 0, 0, "cannot be sent"}),
    [](const testing::TestParamInfo<BudgetCase>& info) {
        std::string name;
        for (char c : std::string(info.param.label))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

} // namespace
