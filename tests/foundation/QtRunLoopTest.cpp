// The app's run loop on Qt's real event loop. Only what holds whatever the machine's load:
// order, cancellation, and never firing before the due time; how close to it ticks land is
// measured by bench/display's frame pacing benchmark.
#include "foundation/QtRunLoop.h"

#include "CoreApplication.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>
#include <string>

using sweeplight::foundation::QtRunLoop;

using sweeplight::fixtures::ensureCoreApplication;
using sweeplight::fixtures::waitUntil;

// A repeating timer may cancel itself, and one of interval 0 (firing on every turn of the loop)
// still lets the delayed calls run.
TEST(QtRunLoop, FiresInDueOrderNeverEarlyAndSkipsCancelledTimers) {
    ensureCoreApplication();
    QtRunLoop loop;
    std::string order;
    bool early = false;
    auto at = [&](double delay, char name) {
        const double due = loop.now() + delay;
        return loop.scheduleOnce(delay, [&, due, name] {
            early = early || loop.now() < due;
            order += name;
        });
    };
    at(0.030, 'c');
    at(0.010, 'a');
    loop.cancel(at(0.015, 'x'));
    at(0.020, 'b');
    at(0.020, 'B'); // same due time: in the order scheduled
    int repeats = 0, spins = 0;
    QtRunLoop::TimerId repeating = QtRunLoop::kNoTimer;
    repeating = loop.scheduleRepeating(0.002, [&] {
        if (++repeats == 5)
            loop.cancel(repeating);
    });
    const auto spinning = loop.scheduleRepeating(0, [&] { ++spins; });
    waitUntil([&] { return order.size() == 4; });
    loop.cancel(spinning);
    EXPECT_EQ(order, "abBc");
    EXPECT_FALSE(early);
    EXPECT_EQ(repeats, 5);
    EXPECT_GT(spins, 1);
}

TEST(QtRunLoop, ATickHeldUpByALongCallbackDelaysTheNextTicksButDropsNone) {
    ensureCoreApplication();
    QtRunLoop loop;
    const double start = loop.now();
    int calls = 0;
    double last = start;
    // The first tick holds the loop for 40 intervals of 10 ms, as a slow frame would.
    const auto timer = loop.scheduleRepeating(0.010, [&] {
        last = loop.now();
        if (++calls == 1)
            while (loop.now() < start + 0.4) {
            }
    });
    EXPECT_TRUE(waitUntil([&] { return calls >= 60; }, 10.0));
    loop.cancel(timer);
    // Dropping the ticks slept through would leave about 39 fewer calls than ticks due.
    EXPECT_LE(static_cast<int>((last - start) / 0.010) - calls, 20);
}
