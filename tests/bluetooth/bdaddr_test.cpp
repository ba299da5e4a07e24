#include "bluetooth/bdaddr.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

namespace {

struct FormatRow {
    BdAddr address;
    const char* text;
};

class FormatBdAddrTest : public testing::TestWithParam<FormatRow> {};

// CTest names carry the printed row: its words, not its bytes.
void PrintTo(const FormatRow& c, std::ostream* os) {
    *os << (std::string_view(c.text).empty() ? "(empty)" : c.text);
}

TEST_P(FormatBdAddrTest, LowerCaseHexWithoutLeadingZeros) {
    EXPECT_EQ(FormatBdAddr(GetParam().address), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rows, FormatBdAddrTest,
                         testing::Values(FormatRow{{0x00, 0x80, 0x37, 0x0A, 0x0B, 0x0C}, "0:80:37:a:b:c"},
                                         FormatRow{{0, 0, 0, 0, 0, 0}, "0:0:0:0:0:0"},
                                         FormatRow{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "ff:ff:ff:ff:ff:ff"}));

struct ParseRow {
    const char* label;
    const char* text;
    bool ok;
    BdAddr address;
};

class ParseBdAddrTest : public testing::TestWithParam<ParseRow> {};

void PrintTo(const ParseRow& c, std::ostream* os) {
    *os << (std::string_view(c.label).empty() ? "(empty)" : c.label);
}

TEST_P(ParseBdAddrTest, ReadsRegistryKeyNames) {
    const ParseRow& row = GetParam();
    const BdAddr untouched{9, 9, 9, 9, 9, 9};
    BdAddr address = untouched;
    EXPECT_EQ(ParseBdAddr(row.text, &address), row.ok) << row.label;
    EXPECT_EQ(address, row.ok ? row.address : untouched) << row.label;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseBdAddrTest,
    testing::Values(ParseRow{"lower case", "01:23:45:67:89:ab", true, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}},
                    ParseRow{"any separator", "00-80-37_1a.2b 3c", true, {0x00, 0x80, 0x37, 0x1A, 0x2B, 0x3C}},
                    ParseRow{"longer name adds nothing", "01:23:45:67:89:ab:cd", true,
                             {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}},
                    // The stack never writes upper case; reading it as digits would give a
                    // different device's address, so it is refused rather than misread.
                    ParseRow{"upper case refused", "01:23:45:67:89:AB", false, {}},
                    ParseRow{"too short", "01:23:45:67:89:a", false, {}},
                    ParseRow{"empty", "", false, {}},
                    ParseRow{"not hex", "01:23:45:67:89:ag", false, {}}),
    [](const testing::TestParamInfo<ParseRow>& info) {
        std::string name = info.param.label;
        for (char& c : name)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

} // namespace
