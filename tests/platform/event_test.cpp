#include "platform/event.h"
#include "platform/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using platform::Event;

TEST(Event, AutoResetReleasesOneWaitThenResets) {
    Event event(false, false);
    EXPECT_FALSE(event.Wait(10));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0)) << "auto-reset event stays signalled only for one wait";
}

TEST(Event, ManualResetStaysSignalledUntilReset) {
    Event event(true, true);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.Wait(5));
}

TEST(Event, WakesAWaiterOnAnotherThread) {
    Event event;
    std::atomic<bool> woke{false};
    platform::Worker worker([&] { woke = event.Wait(5000); });
    event.Set();
    worker.Join();
    EXPECT_TRUE(woke);
}

TEST(Worker, DestructionJoinsSoCapturedDataOutlivesTheThread) {
    std::atomic<int> counter{0};
    {
        platform::Worker worker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            counter = 1;
        });
    }
    EXPECT_EQ(counter, 1);
}
