// The choices made around RFCOMM TTYs: which one to use or create, when a link is gone, and
// what a user without the right to create one is told.
#include <gtest/gtest.h>

#include <ostream>

#include "btstack/bluez/rfcommtty.h"

using namespace btstack::bluez;

namespace {

const BdAddr kPhone{0x00, 0x80, 0x37, 0x1a, 0x2b, 0x3c};
const BdAddr kOther{0x00, 0x80, 0x37, 0x4d, 0x5e, 0x6f};

TEST(RfcommBoundDevice, PrefersTheServiceChannelThenAnyChannelOfThePhone) {
    std::vector<RfcommDevice> ttys = {{0, kOther, 1, kRfcommStateBound},
                                      {2, kPhone, 2, kRfcommStateBound},
                                      {3, kPhone, 1, kRfcommStateBound}};
    EXPECT_EQ(FindBoundDevice(ttys, kPhone, 1), 3);
    EXPECT_EQ(FindBoundDevice(ttys, kPhone, 7), 2);
    EXPECT_EQ(FindBoundDevice(ttys, kOther, 1), 0);
    EXPECT_FALSE(FindBoundDevice(ttys, BdAddr{1, 2, 3, 4, 5, 6}, 1));
    EXPECT_FALSE(FindBoundDevice({}, kPhone, 1));
}

TEST(RfcommFreeId, LowestUnusedFromTheFirstAllowed) {
    std::vector<RfcommDevice> ttys = {{0, kOther, 1, 0}, {1, kOther, 1, 0}, {3, kOther, 1, 0}};
    EXPECT_EQ(PickFreeDeviceId({}, 1), 1);
    EXPECT_EQ(PickFreeDeviceId(ttys, 1), 2);
    EXPECT_EQ(PickFreeDeviceId(ttys, 0), 2);
    EXPECT_EQ(PickFreeDeviceId(ttys, 3), 4);
    std::vector<RfcommDevice> full;
    for (int i = 0; i < 256; ++i)
        full.push_back({int16_t(i), kOther, 1, 0});
    EXPECT_EQ(PickFreeDeviceId(full, 1), -1);
}

struct GoneRow {
    const char* label;
    std::optional<RfcommDevice> now;
    bool borrowed;
    bool gone;
};

class RfcommGone : public testing::TestWithParam<GoneRow> {};

// CTest names carry the printed row: its label, never its bytes.
void PrintTo(const GoneRow& row, std::ostream* os) { *os << row.label; }

TEST_P(RfcommGone, Decision) { EXPECT_EQ(RfcommLinkGone(GetParam().now, GetParam().borrowed), GetParam().gone); }

INSTANTIATE_TEST_SUITE_P(
    States, RfcommGone,
    testing::Values(GoneRow{"ours_connected", RfcommDevice{1, kPhone, 1, kRfcommStateConnected}, false, false},
                    GoneRow{"ours_closed", RfcommDevice{1, kPhone, 1, kRfcommStateClosed}, false, true},
                    GoneRow{"ours_disconnecting", RfcommDevice{1, kPhone, 1, kRfcommStateDisconnecting}, false, true},
                    GoneRow{"ours_released", std::nullopt, false, true},
                    GoneRow{"users_idle", RfcommDevice{0, kPhone, 1, kRfcommStateClosed}, true, false},
                    GoneRow{"users_bound", RfcommDevice{0, kPhone, 1, kRfcommStateBound}, true, false},
                    GoneRow{"users_released", std::nullopt, true, true}),
    [](const testing::TestParamInfo<GoneRow>& info) { return std::string(info.param.label); });

TEST(RfcommAdvice, SaysWhatToRunAndWhichRightIsMissing) {
    const std::string advice = NoTtyRightsAdvice(kPhone, 3, 1);
    EXPECT_NE(advice.find("rfcomm bind 1 00:80:37:1a:2b:3c 3"), std::string::npos) << advice;
    EXPECT_NE(advice.find("CAP_NET_ADMIN"), std::string::npos);
    EXPECT_NE(advice.find("/dev/rfcomm1"), std::string::npos);
    EXPECT_NE(advice.find("dialout"), std::string::npos);
}

} // namespace
