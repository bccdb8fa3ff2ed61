#include "foundation/ManualRunLoop.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using sweeplight::foundation::ManualRunLoop;

TEST(ManualRunLoop, FiresByDueTimeThenBySchedulingOrder) {
    ManualRunLoop loop;
    std::vector<std::string> fired;
    loop.scheduleOnce(0.3, [&] { fired.push_back("c@" + std::to_string(loop.now())); });
    loop.scheduleOnce(0.1, [&] { fired.push_back("a"); });
    loop.scheduleOnce(0.1, [&] { fired.push_back("b"); });
    loop.advance(0.2);
    EXPECT_EQ(fired, (std::vector<std::string> { "a", "b" }));
    loop.advance(0.2);
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_EQ(fired[2], "c@" + std::to_string(0.3));
    EXPECT_DOUBLE_EQ(loop.now(), 0.4);
}

TEST(ManualRunLoop, RepeatingTimerFiresEveryIntervalWithoutDriftUntilCancelled) {
    ManualRunLoop loop;
    int count = 0;
    auto id = loop.scheduleRepeating(1.0 / 120, [&] { ++count; });
    loop.advance(10.0);
    EXPECT_EQ(count, 1200);
    loop.cancel(id);
    loop.advance(1.0);
    EXPECT_EQ(count, 1200);
    EXPECT_EQ(loop.scheduledCount(), 0u);
}

TEST(ManualRunLoop, CallbackMayCancelItselfAndScheduleMore) {
    ManualRunLoop loop;
    int ticks = 0;
    bool late = false;
    ManualRunLoop::TimerId id = 0;
    id = loop.scheduleRepeating(0.5, [&] {
        if (++ticks == 2) {
            loop.cancel(id);
            loop.scheduleOnce(0, [&] { late = true; });
        }
    });
    loop.advance(5);
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(late);
}

TEST(ManualRunLoop, CancelPreviousPerformRequestsOnlyForThatTargetAndAction) {
    ManualRunLoop loop;
    int hint = 0, other = 0, otherTarget = 0;
    int target = 0, secondTarget = 0;
    loop.performAfterDelay(&target, "hideWavePhone", 2.3, [&] { ++hint; });
    loop.performAfterDelay(&target, "hideWavePhone", 1.0, [&] { ++hint; });
    loop.performAfterDelay(&target, "showWavePhone", 1.0, [&] { ++other; });
    loop.performAfterDelay(&secondTarget, "hideWavePhone", 1.0, [&] { ++otherTarget; });
    loop.cancelPreviousPerformRequests(&target, "hideWavePhone");
    loop.advance(3);
    EXPECT_EQ(hint, 0);
    EXPECT_EQ(other, 1);
    EXPECT_EQ(otherTarget, 1);

    // A fired call is forgotten: cancelling afterwards touches nothing else.
    loop.performAfterDelay(&target, "hideWavePhone", 1.0, [&] { ++hint; });
    loop.cancelPreviousPerformRequests(&target);
    loop.advance(3);
    EXPECT_EQ(hint, 0);
}

TEST(ManualRunLoop, RunNextJumpsToTheNextEvent) {
    ManualRunLoop loop;
    EXPECT_FALSE(loop.runNext());
    bool fired = false;
    loop.scheduleOnce(7.5, [&] { fired = true; });
    EXPECT_DOUBLE_EQ(loop.nextDueTime(), 7.5);
    EXPECT_TRUE(loop.runNext());
    EXPECT_TRUE(fired);
    EXPECT_DOUBLE_EQ(loop.now(), 7.5);
}
