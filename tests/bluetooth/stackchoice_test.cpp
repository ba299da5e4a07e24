#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

#include "bluetooth/stackchoice.h"

namespace {

struct ChoiceRow {
    const char* label;
    const char* requested;
    enum { NoProbe, Absent, Present } probe;
    const char* stack;
    const char* statusLine;
    bool probeAsked;
};

class StackChoiceTest : public ::testing::TestWithParam<ChoiceRow> {};

// CTest names carry the printed row: its words, not its bytes.
void PrintTo(const ChoiceRow& c, std::ostream* os) {
    *os << (std::string_view(c.label).empty() ? "(empty)" : c.label);
}

TEST_P(StackChoiceTest, PicksStackAndSaysWhy) {
    const ChoiceRow& row = GetParam();
    int asked = 0;
    stackchoice::BluezProbe probe;
    if (row.probe == ChoiceRow::Absent)
        probe = [&](std::string* why) {
            ++asked;
            *why = "no system bus";
            return false;
        };
    if (row.probe == ChoiceRow::Present)
        probe = [&](std::string* why) {
            ++asked;
            *why = "Bluetooth adapter hci0 found";
            return true;
        };
    const stackchoice::StackChoice choice = stackchoice::ChooseStack(row.requested, probe);
    EXPECT_EQ(choice.stack, row.stack);
    EXPECT_EQ(choice.statusLine, row.statusLine);
    EXPECT_EQ(asked > 0, row.probeAsked);
    EXPECT_LE(asked, 1);
}

const ChoiceRow kRows[] = {
    {"AutoWithAdapter", "", ChoiceRow::Present, "bluez", "Using Bluetooth adapter hci0", true},
    {"AutoWithoutAdapter", "", ChoiceRow::Absent, "sim", "Using the demo phone: no Bluetooth adapter found (no system bus)",
     true},
    {"AutoWithoutBluezBuilt", "", ChoiceRow::NoProbe, "sim",
     "Using the demo phone: no Bluetooth adapter found (this program was built without BlueZ support)", false},
    // An explicit demo phone must not touch the bus at all: it is what tests and demos ask for.
    {"SimAskedAdapterPresent", "sim", ChoiceRow::Present, "sim", "Using the demo phone, as the command line asks (--stack=sim)",
     false},
    {"BluezAskedWithAdapter", "bluez", ChoiceRow::Present, "bluez", "Using Bluetooth adapter hci0", true},
    // Asked for, so kept, but the line warns before the empty device list can puzzle anyone.
    {"BluezAskedWithoutAdapter", "bluez", ChoiceRow::Absent, "bluez",
     "Using BlueZ as asked, but no Bluetooth adapter can be used (no system bus)", true},
    {"BluezAskedNoProbe", "bluez", ChoiceRow::NoProbe, "bluez", "Using BlueZ, as the command line asks (--stack=bluez)", false},
};

INSTANTIATE_TEST_SUITE_P(Rows, StackChoiceTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<ChoiceRow>& info) { return std::string(info.param.label); });

TEST(StackChoice, OddProbeReasonsStillReadAsSentences) {
    auto quiet = [](std::string*) { return false; };
    EXPECT_EQ(stackchoice::ChooseStack("", quiet).statusLine, "Using the demo phone: no Bluetooth adapter found (BlueZ gave no reason)");
    auto terse = [](std::string* why) {
        *why = "hci1";
        return true;
    };
    EXPECT_EQ(stackchoice::ChooseStack("", terse).statusLine, "Using BlueZ: hci1");
}

} // namespace
