#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "stacktest.h"
#include "uploader.h"

using btstack::SimBackend;
using stacktest::Pattern;
using stacktest::Uploader;

namespace {

const BdAddr kPhone = SimBackend::DemoPhoneAddress();
constexpr uint8_t kPushChannel = 10;

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ExpectOffCallerThread(const Uploader& up) {
    for (std::thread::id id : up.threads)
        EXPECT_NE(id, std::this_thread::get_id());
}

class PushSizes : public ::testing::TestWithParam<size_t> {};

TEST_P(PushSizes, ArriveWholeInOnePutPerChunk) {
    stacktest::SimStack stack;
    const size_t n = GetParam();
    const std::vector<uint8_t> data = Pattern(n);
    Uploader up(data);
    ASSERT_EQ(up.Start(kPushChannel, kPhone), OBEX_SUCCESS);
    ASSERT_TRUE(up.done.Wait(30000));
    const int expected = std::max<int>(1, int((n + 598) / 599));
    EXPECT_EQ(up.openStatus, OBEX_SUCCESS);
    EXPECT_EQ(up.closeStatus, OBEX_SUCCESS);
    EXPECT_EQ(up.putCompletions, expected);
    EXPECT_EQ(stack.backend->PushPutRequests(), expected);
    EXPECT_EQ(readFile(stack.dir.path / "received" / "Dunmere.gif"), data);
    ExpectOffCallerThread(up);
}

INSTANTIATE_TEST_SUITE_P(Sim, PushSizes, ::testing::Values(0, 599, 600, 1198, 100000));

TEST(ObexClient, ChunksOverASmallPeerMaximumGiveOneCompletionEach) {
    stacktest::SimStack stack(255);
    const std::vector<uint8_t> data = Pattern(1198);
    Uploader up(data);
    ASSERT_EQ(up.Start(kPushChannel, kPhone), OBEX_SUCCESS);
    ASSERT_TRUE(up.done.Wait(30000));
    EXPECT_EQ(up.putCompletions, 2);
    EXPECT_EQ(stack.backend->PushPutRequests(), 6); // three packets per 599-byte chunk
    EXPECT_EQ(readFile(stack.dir.path / "received" / "Dunmere.gif"), data);
}

TEST(ObexClient, RefusalReachesTheCompletionAndNoTailIsStored) {
    stacktest::SimStack stack;
    stack.backend->RefuseNextPush(obex::kRespForbidden);
    Uploader up(Pattern(1198));
    ASSERT_EQ(up.Start(kPushChannel, kPhone), OBEX_SUCCESS);
    ASSERT_TRUE(up.done.Wait(30000));
    ASSERT_EQ(up.putCompletions, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(up.putStatuses[size_t(i)], OBEX_ERROR_RESPONSE);
        EXPECT_EQ(up.putCodes[size_t(i)], obex::kRespForbidden);
    }
    // The second chunk of the refused object was never sent.
    EXPECT_EQ(stack.backend->PushPutRequests(), 1);
    EXPECT_FALSE(std::filesystem::exists(stack.dir.path / "received" / "Dunmere.gif"));
}

TEST(ObexClient, PeerDropMidPutEndsWithErrors) {
    stacktest::SimStack stack;
    stack.backend->DropNextPushAfter(3);
    Uploader up(Pattern(100000));
    up.SetResponseTimeout(60000); // the drop must be noticed as such, not by a time-out
    ASSERT_EQ(up.Start(kPushChannel, kPhone), OBEX_SUCCESS);
    ASSERT_TRUE(up.done.Wait(30000)) << "the transfer hung";
    ASSERT_GE(up.putStatuses.size(), 3u);
    EXPECT_EQ(up.putStatuses[0], OBEX_SUCCESS);
    EXPECT_EQ(up.putStatuses[2], OBEX_ERROR_PEER_DROPPED);
    EXPECT_EQ(up.putStatuses.back(), OBEX_ERROR_PEER_DROPPED);
    EXPECT_NE(up.closeStatus, OBEX_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(stack.dir.path / "received" / "Dunmere.gif"));
}

TEST(ObexClient, OpenFailures) {
    stacktest::SimStack stack;
    Uploader up(Pattern(10));
    CObexHeaders none;
    EXPECT_EQ(up.Open(0, kPhone, &none, 599), OBEX_ERROR_INVALID_PARAM) << "channel 0: search not finished";
    EXPECT_EQ(up.Open(kPushChannel, kPhone, &none, 100), OBEX_ERROR_INVALID_PARAM);
    EXPECT_EQ(up.Put(&none, true), OBEX_ERROR_NOT_OPEN);
    EXPECT_EQ(up.Close(&none), OBEX_ERROR_NOT_OPEN);
    ASSERT_EQ(up.Start(3, kPhone), OBEX_SUCCESS) << "no service there, which only the connect attempt finds";
    ASSERT_TRUE(up.done.Wait(10000));
    EXPECT_EQ(up.openStatus, OBEX_ERROR_TRANSPORT);
    ExpectOffCallerThread(up);
}

TEST(ObexClient, DestroyedMidTransfer) {
    stacktest::SimStack stack;
    for (int i = 0; i < 10; ++i) {
        auto up = std::make_unique<Uploader>(Pattern(100000));
        up->Start(kPushChannel, kPhone);
        if (i % 2)
            std::this_thread::yield();
        up.reset();
    }
}

} // namespace
