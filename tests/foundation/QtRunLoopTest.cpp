// The app's run loop on Qt's real event loop. Only what holds whatever the machine's load:
// order, cancellation, and never firing before the due time; how close to it ticks land is
// measured by bench/display's frame pacing benchmark.
#include "foundation/QtRunLoop.h"

#include "CoreApplication.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using sweeplight::foundation::QtRunLoop;

using sweeplight::fixtures::ensureCoreApplication;
using sweeplight::fixtures::waitUntil;

TEST(QtRunLoop, FiresInDueOrderNeverEarlyAndSkipsCancelledTimers) {
    ensureCoreApplication();
    QtRunLoop loop;
    std::string order;
    std::vector<double> lateness;
    auto at = [&](double delay, char name) {
        const double due = loop.now() + delay;
        return loop.scheduleOnce(delay, [&, due, name] {
            lateness.push_back(loop.now() - due);
            order += name;
        });
    };
    at(0.030, 'c');
    at(0.010, 'a');
    const auto cancelled = at(0.015, 'x');
    at(0.020, 'b');
    at(0.020, 'B'); // same due time: in the order scheduled
    loop.cancel(cancelled);
    waitUntil([&] { return order.size() == 4; });
    EXPECT_EQ(order, "abBc");
    for (double late : lateness)
        EXPECT_GE(late, 0.0);
}

TEST(QtRunLoop, ARepeatingTimerMayCancelItselfAndAZeroIntervalOneLetsOthersRun) {
    ensureCoreApplication();
    QtRunLoop loop;
    int repeats = 0;
    QtRunLoop::TimerId repeating = QtRunLoop::kNoTimer;
    repeating = loop.scheduleRepeating(0.002, [&] {
        if (++repeats == 5)
            loop.cancel(repeating);
    });
    // A timer of interval 0 fires on every turn of the loop; a delayed call still gets its turn.
    int spins = 0;
    const auto spinning = loop.scheduleRepeating(0, [&] { ++spins; });
    bool delayedRan = false;
    loop.scheduleOnce(0.020, [&] { delayedRan = true; });
    waitUntil([&] { return delayedRan && repeats >= 5; });
    loop.cancel(spinning);
    EXPECT_TRUE(delayedRan);
    EXPECT_EQ(repeats, 5);
    EXPECT_GT(spins, 1);

    // Cancelled, nothing fires any more.
    const int spinsThen = spins;
    bool later = false;
    loop.scheduleOnce(0.020, [&] { later = true; });
    waitUntil([&] { return later; });
    EXPECT_EQ(repeats, 5);
    EXPECT_EQ(spins, spinsThen);
}

TEST(QtRunLoop, ATickHeldUpByALongCallbackDelaysTheNextTicksButDropsNone) {
    ensureCoreApplication();
    QtRunLoop loop;
    constexpr double interval = 0.010;
    const double start = loop.now();
    int calls = 0;
    double last = start;
    const auto timer = loop.scheduleRepeating(interval, [&] {
        last = loop.now();
        // The first tick holds the loop for 40 intervals, as a slow frame would.
        if (++calls == 1)
            while (loop.now() < start + 0.4) {
            }
    });
    waitUntil([&] { return calls >= 60; }, 10.0);
    loop.cancel(timer);
    // Dropping the ticks slept through would leave about 39 fewer calls than ticks due; firing
    // them late leaves only the ones not yet reached, however slow this machine is.
    const int due = static_cast<int>((last - start) / interval);
    EXPECT_GE(calls, 60);
    EXPECT_LE(due - calls, 20);
}
