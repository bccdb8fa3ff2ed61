#include "display/SweepTracker.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace sweeplight;
using display::SweepTracker;

namespace {

// Records the tracker's show and hide callbacks; the view's hide resets the score too, before the
// tracker goes on.
struct SweepTrackerTest : ::testing::Test {
    SweepTrackerTest() {
        tracker.onShowWavePhone = [this] { events.push_back("show"); };
        tracker.onHideWavePhone = [this] { events.push_back("hide"), tracker.noMotionRating = 0; };
    }
    SweepTracker tracker;
    std::vector<std::string> events;
};

} // namespace

// A swing turns backwards at a peak beyond +0.4 (whichever way the slope changes sign there),
// forwards at a peak beyond -0.4, and never otherwise.
// Turns are 'b' (backwards) and 'f' (forwards); a swing that starts backward has turned at the
// samples 0.3, 0.5, 0.45 first.
TEST_F(SweepTrackerTest, TurnsAtPeaksBeyondTheThresholdOnly) {
    const struct {
        const char* name;
        bool backward;
        std::vector<double> xs;
        std::string turns;
    } rows[] = {
        { "first sample", false, { 0.9 }, "" },
        { "positive peak, slope falling", false, { 0.39, 0.41, 0.40 }, "b" },
        { "positive peak, slope rising", false, { 0.41, 0.39, 0.40 }, "b" },
        { "positive side on a backward swing", true, { 0.6, 0.5, 0.7, 0.55, 0.9 }, "" },
        { "negative peak", true, { -0.42, -0.45, -0.40 }, "f" },
        { "rise then fall past -0.4", true, { -0.3, -0.2, -0.5 }, "f" },
        // Equal samples keep the previous slope, which still finds the peak.
        { "flat top", false, { 0.2, 0.5, 0.5, 0.5, 0.45 }, "b" },
        // dx is NaN twice: no comparison holds and the slope is kept, so the peak at 0.45 is
        // measured against NaN and missed.
        { "NaN", false, { 0.3, 0.5, std::nan(""), 0.45 }, "" },
    };
    for (const auto& row : rows) {
        SweepTracker swing;
        std::string turns;
        swing.onTurn = [&turns](bool forwards) { turns += forwards ? 'f' : 'b'; };
        for (double x : row.backward ? std::vector { 0.3, 0.5, 0.45 } : std::vector<double> {})
            swing.didAccelerate(x, 0, 0);
        turns.clear();
        for (double x : row.xs)
            swing.didAccelerate(x, 0, 0);
        EXPECT_EQ(turns, row.turns) << row.name;
        EXPECT_EQ(swing.isGoingForwards(), turns.empty() ? !row.backward : turns.back() == 'f')
            << row.name;
    }
}

TEST_F(SweepTrackerTest, StrongMotionHidesTheHintAndRestartsTheScore) {
    tracker.noMotionRating = 3;
    tracker.didAccelerate(0, 0, 0.5); // filtered z = 0.45: not strong
    EXPECT_TRUE(events.empty());

    tracker.didAccelerate(0, 0, 1.5); // filtered z = 1.5 - (0.15 + 0.405) = 0.945
    EXPECT_EQ(events, std::vector<std::string> { "hide" });
    EXPECT_FLOAT_EQ(tracker.noMotionRating, 0.01f);

    tracker.noMotionRating = 4;
    for (double x : { 0.3, 0.5, 0.45 })
        tracker.didAccelerate(x, 0, 0);
    EXPECT_FLOAT_EQ(tracker.noMotionRating, 0) << "a turn-around restarts it too";
}

// The gravity step on y is one strong sample at first; from then on the score climbs by 0.01 per
// sample and passes 5.4 after about 540 samples (7.7 s at 70 Hz). The hint is asked for again on
// every sample while the score stays up.
TEST_F(SweepTrackerTest, StillnessShowsTheHintAfterAboutSevenSeconds) {
    for (int sample = 1; sample <= 560; ++sample)
        tracker.didAccelerate(0, -1, 0);
    const auto first = std::find(events.begin(), events.end(), "show");
    EXPECT_EQ(std::count(first, events.end(), "show"), events.end() - first) << "only shows after";
    EXPECT_NEAR(560 - (events.end() - first) + 1, 540, 5) << "the sample of the first show";
}
