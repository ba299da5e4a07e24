// The phone's own facts from its replies. Rows written after the 27.007 reply syntax (not
// recordings): bare text and "+CGMI:"-prefixed forms both occur.
#include "bluetooth/phoneidentity.h"

#include <gtest/gtest.h>

namespace {

using namespace phoneinfo;

TEST(PhoneIdentity, InformationTextDropsEchoPrefixQuotesAndFinalResult) {
    EXPECT_EQ(InformationText("AT+CGMI\r\r\nDunmere\r\n\r\nOK\r\n", "AT+CGMI"),
              "Dunmere"); // echo on
    EXPECT_EQ(InformationText("\r\n+CGMM: \"T68 demo\"\r\n\r\nOK\r\n", "AT+CGMM"), "T68 demo");
    EXPECT_EQ(InformationText("\r\nOK\r\n", "AT+CGMI"), "");
    EXPECT_EQ(IdentityName({"Dunmere", "T68"}), "Dunmere T68");
    EXPECT_EQ(IdentityName({"Dunmere", "Dunmere T68"}), "Dunmere T68");
    EXPECT_EQ(IdentityName({"", "T68"}), "T68");
}

TEST(PhoneIdentity, SignalAndBatteryRefuseWhatIsOutOfRange) {
    EXPECT_EQ(ParseCsq("\r\n+CSQ: 22,99\r\n\r\nOK\r\n"), 22);
    EXPECT_EQ(ParseCsq("+CSQ: 99,99\r\nOK\r\n"), std::nullopt); // not known
    EXPECT_EQ(ParseCsq("+CSQ: 2x,99\r\nOK\r\n"), std::nullopt);
    EXPECT_EQ(ParseCsq("+CSQ: 12\r\nOK\r\n"), std::nullopt);
    EXPECT_EQ(ParseCbc("+CBC: 0,80\r\nOK\r\n"), 80);
    EXPECT_EQ(ParseCbc("+CBC: 0,180\r\nOK\r\n"), std::nullopt);
    EXPECT_EQ(ParseCbc("+CBC: 99999999999999,1\r\nOK\r\n"), std::nullopt);
    EXPECT_EQ(SignalText(22), "-69 dBm (22 of 31)");
    EXPECT_EQ(BatteryText(std::nullopt), "unknown");
}

} // namespace
