#include "fetcher/transport/IdleTimeouts.h"

#include "foundation/ManualRunLoop.h"

#include <gtest/gtest.h>

namespace sweeplight::fetcher {
namespace {

// A touched exchange expires only after its latest deadline; unwatched ones never expire, and
// all share one timer.
TEST(IdleTimeouts, ExpiresOnlyAfterTheLatestDeadlineAndUnwatchedNever) {
    foundation::ManualRunLoop runLoop;
    IdleTimeouts timeouts;
    int expired = 0;
    for (int i = 0; i < 100; ++i)
        timeouts.unwatch(timeouts.watch(runLoop, runLoop.now() + 1.0, [&] { ++expired; }));
    auto id = timeouts.watch(runLoop, 5.0, [&] { ++expired; });
    EXPECT_EQ(runLoop.scheduledCount(), 1u);
    runLoop.advance(4.9);
    timeouts.touch(id, runLoop.now() + 5.0);
    runLoop.advance(4.8); // 9.7: past the first deadline, not the moved one
    EXPECT_EQ(expired, 0);
    runLoop.advance(0.3);
    EXPECT_EQ(expired, 1);
    runLoop.advance(100);
    EXPECT_EQ(expired, 1);
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}

// An earlier deadline is served before a later one, also when its run loop is gone.
TEST(IdleTimeouts, AnEarlierDeadlineIsServedFirstAndTimeoutsSurviveTheirRunLoop) {
    IdleTimeouts timeouts;
    std::vector<std::pair<char, double>> expired;
    {
        foundation::ManualRunLoop gone;
        timeouts.watch(gone, 1.0, [&] { expired.emplace_back('x', 0); });
    }
    foundation::ManualRunLoop runLoop;
    timeouts.watch(runLoop, 60.0, [&] { expired.emplace_back('a', runLoop.now()); });
    timeouts.watch(runLoop, 1.0, [&] { expired.emplace_back('b', runLoop.now()); });
    runLoop.advance(100);
    EXPECT_EQ(expired, (std::vector<std::pair<char, double>> { { 'b', 1.0 }, { 'a', 60.0 } }));
}

} // namespace
} // namespace sweeplight::fetcher
