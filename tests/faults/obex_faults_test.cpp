// Picture push against the demo stack's receiver when it refuses or drops the connection in the
// middle of a PUT: every case ends with an error completion, nothing half-received is left in
// the receiver's folder, and the next push goes through whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "../btstack/stacktest.h"
#include "../btstack/uploader.h"
#include "obex/codec.h"

namespace faults {
namespace {

using btstack::SimBackend;
using stacktest::Pattern;
using stacktest::Uploader;

constexpr uint8_t kPushChannel = 10;
// Only catches a push that never ends; the receiver answers at once.
constexpr int kBoundMs = 30000;

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    return names;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The receiver is not left in a state that spoils the next push.
void ExpectNextPushArrivesWhole(stacktest::SimStack& stack) {
    const std::vector<uint8_t> data = Pattern(1500);
    Uploader up(data);
    ASSERT_EQ(up.Start(kPushChannel, SimBackend::DemoPhoneAddress()), OBEX_SUCCESS);
    ASSERT_TRUE(up.done.Wait(kBoundMs));
    EXPECT_EQ(up.closeStatus, OBEX_SUCCESS);
    EXPECT_EQ(FilesIn(stack.dir.path / "received"), std::vector<std::string>{"Dunmere.gif"});
    EXPECT_EQ(ReadFile(stack.dir.path / "received" / "Dunmere.gif"), data);
}

struct Refusal {
    const char* label;
    uint8_t code;
    size_t size; // one chunk, or two
};

class PushRefused : public ::testing::TestWithParam<Refusal> {};

TEST_P(PushRefused, EveryChunkCompletesWithTheCodeAndNothingIsStored) {
    stacktest::SimStack stack;
    stack.backend->RefuseNextPush(GetParam().code);
    Uploader up(Pattern(GetParam().size));
    ASSERT_EQ(up.Start(kPushChannel, SimBackend::DemoPhoneAddress()), OBEX_SUCCESS);
    ASSERT_TRUE(up.done.Wait(kBoundMs)) << "the push hung";
    EXPECT_EQ(up.openStatus, OBEX_SUCCESS);
    ASSERT_EQ(size_t(up.putCompletions), (GetParam().size + Uploader::kChunk - 1) / Uploader::kChunk);
    for (size_t i = 0; i < up.putStatuses.size(); ++i) {
        EXPECT_EQ(up.putStatuses[i], OBEX_ERROR_RESPONSE) << i;
        EXPECT_EQ(up.putCodes[i], GetParam().code) << i;
    }
    EXPECT_TRUE(FilesIn(stack.dir.path / "received").empty());
    ExpectNextPushArrivesWhole(stack);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PushRefused,
    ::testing::Values(Refusal{"ForbiddenOneChunk", obex::kRespForbidden, 300},
                      Refusal{"ForbiddenTwoChunks", obex::kRespForbidden, 1198},
                      Refusal{"NotAcceptable", obex::kRespNotAcceptable, 1198},
                      Refusal{"UnsupportedMediaType", obex::kRespUnsupportedMediaType, 300},
                      Refusal{"InternalError", obex::kRespInternalError, 1198},
                      Refusal{"ServiceUnavailable", obex::kRespServiceUnavailable, 300}),
    [](const auto& info) { return std::string(info.param.label); });

struct Drop {
    const char* label;
    uint16_t receiverMaxPacket; // small: each 599-byte chunk takes three packets
    size_t size;
    int dropOnPacket;           // 1-based PUT packet on which the receiver hangs up
};

class PushDropped : public ::testing::TestWithParam<Drop> {};

TEST_P(PushDropped, EndsWithPeerDroppedAndNoPartialObject) {
    stacktest::SimStack stack(GetParam().receiverMaxPacket);
    stack.backend->DropNextPushAfter(GetParam().dropOnPacket);
    Uploader up(Pattern(GetParam().size));
    up.SetResponseTimeout(60000); // the drop must be noticed as such, not by a time-out
    ASSERT_EQ(up.Start(kPushChannel, SimBackend::DemoPhoneAddress()), OBEX_SUCCESS);
    ASSERT_TRUE(up.done.Wait(kBoundMs)) << "the push hung";
    ASSERT_FALSE(up.putStatuses.empty());
    EXPECT_EQ(up.putStatuses.back(), OBEX_ERROR_PEER_DROPPED);
    EXPECT_EQ(std::count(up.putStatuses.begin(), up.putStatuses.end(), OBEX_SUCCESS),
              std::ptrdiff_t(up.putStatuses.size()) - std::count(up.putStatuses.begin(), up.putStatuses.end(),
                                                                 OBEX_ERROR_PEER_DROPPED));
    EXPECT_NE(up.closeStatus, OBEX_SUCCESS);
    EXPECT_TRUE(FilesIn(stack.dir.path / "received").empty()) << "a cut object was stored";
    ExpectNextPushArrivesWhole(stack);
}

INSTANTIATE_TEST_SUITE_P(
    Points, PushDropped,
    ::testing::Values(Drop{"FirstPacket", 0x2000, 1198, 1}, Drop{"FinalPacket", 0x2000, 1198, 2},
                      Drop{"InsideAChunk", 255, 1198, 2}, Drop{"FinalPacketOfSmallOnes", 255, 1198, 6},
                      Drop{"OnlyPacket", 0x2000, 300, 1}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace faults
