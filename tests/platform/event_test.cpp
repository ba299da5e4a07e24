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

// Every owner joins its worker from another thread (the GUI thread or a stack thread); a body
// that joined itself used to be detached silently and could outlive its owner.
TEST(WorkerDeathTest, JoinFromItsOwnThreadIsAProgrammingError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            platform::Worker worker;
            Event started(true, false);
            worker.Start([&] {
                started.Wait();
                worker.Join();
            });
            started.Set();
        },
        "own thread");
}
