#include "foundation/ManualRunLoop.h"

#include <gtest/gtest.h>
#include <string>

using sweeplight::foundation::ManualRunLoop;

// Ordering and repeating timers are exercised by every timing test of the other layers; the
// cancelling of delayed calls by target and action is the run loop's own rule.
TEST(RunLoop, CancelPreviousPerformRequestsOnlyForThatTargetAndAction) {
    ManualRunLoop loop;
    std::string fired;
    int target = 0, other = 0;
    loop.performAfterDelay(&target, "hide", 2.3, [&] { fired += 'h'; });
    loop.performAfterDelay(&target, "hide", 1.0, [&] { fired += 'h'; });
    loop.performAfterDelay(&target, "show", 1.0, [&] { fired += 's'; });
    loop.performAfterDelay(&other, "hide", 1.0, [&] { fired += 'o'; });
    loop.cancelPreviousPerformRequests(&target, "hide");
    loop.advance(3);
    // A fired call is forgotten; without an action, all of the target's calls go.
    loop.performAfterDelay(&target, "hide", 1.0, [&] { fired += 'h'; });
    loop.performAfterDelay(&target, "show", 1.0, [&] { fired += 's'; });
    loop.cancelPreviousPerformRequests(&target);
    loop.advance(3);
    EXPECT_EQ(fired, "so");
}
