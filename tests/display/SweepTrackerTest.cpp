#include "display/SweepTracker.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace sweeplight;
using display::SweepTracker;

namespace {

// Records the tracker's callbacks for one test.
class SweepTrackerTest : public ::testing::Test {
protected:
    void SetUp() override {
        tracker.onShowWavePhone = [this] { events.push_back("show"); };
        tracker.onHideWavePhone = [this] {
            events.push_back("hide");
            // The view's hide resets the score too, before the tracker goes on.
            tracker.noMotionRating = 0;
        };
        tracker.onTurn = [this](bool forwards) {
            events.push_back(forwards ? "forwards" : "backwards");
        };
    }

    // Feeds raw x values with the phone held upright and still otherwise.
    void feed(std::initializer_list<double> xs) {
        for (double x : xs)
            tracker.didAccelerate(x, 0, 0);
    }

    SweepTracker tracker;
    std::vector<std::string> events;
};

} // namespace

// A swing turns backwards at a peak beyond +0.4 (whichever way the slope changes sign there),
// forwards at a peak beyond -0.4, and never otherwise.
TEST_F(SweepTrackerTest, TurnsAtPeaksBeyondTheThresholdOnly) {
    const struct {
        const char* name;
        std::vector<double> before; // samples that set the direction first
        std::vector<double> xs;
        std::vector<std::string> turns;
    } rows[] = {
        { "first sample", {}, { 0.9 }, {} },
        { "positive peak, slope falling", {}, { 0.39, 0.41, 0.40 }, { "backwards" } },
        { "positive peak, slope rising", {}, { 0.41, 0.39, 0.40 }, { "backwards" } },
        { "positive side on a backward swing",
          { 0.3, 0.5, 0.45 },
          { 0.6, 0.5, 0.7, 0.55, 0.9 },
          {} },
        { "negative peak", { 0.3, 0.5, 0.45 }, { -0.42, -0.45, -0.40 }, { "forwards" } },
        { "negative peak falling then rising",
          { 0.3, 0.5, 0.45 },
          { -0.3, -0.4, -0.5, -0.45 },
          { "forwards" } },
        { "rise then fall past -0.4", { 0.3, 0.5, 0.45 }, { -0.3, -0.2, -0.5 }, { "forwards" } },
        // Equal samples keep the previous slope, which still finds the peak.
        { "flat top", {}, { 0.2, 0.5, 0.5, 0.5, 0.45 }, { "backwards" } },
        // dx is NaN twice: no comparison holds and the slope is kept, so the peak at 0.45 is
        // measured against NaN and missed.
        { "NaN", {}, { 0.3, 0.5, std::nan(""), 0.45 }, {} },
    };
    for (const auto& row : rows) {
        SweepTracker swing;
        std::vector<std::string> turns;
        swing.onTurn = [&turns](bool forwards) {
            turns.push_back(forwards ? "forwards" : "backwards");
        };
        for (double x : row.before)
            swing.didAccelerate(x, 0, 0);
        turns.clear();
        for (double x : row.xs)
            swing.didAccelerate(x, 0, 0);
        EXPECT_EQ(turns, row.turns) << row.name;
        const bool forwards =
            row.turns.empty() ? row.before.empty() : row.turns.back() == "forwards";
        EXPECT_EQ(swing.isGoingForwards(), forwards) << row.name;
    }
}

TEST_F(SweepTrackerTest, StrongMotionHidesTheHintAndRestartsTheScore) {
    tracker.noMotionRating = 3;
    tracker.didAccelerate(0, 0, 0.5); // filtered z = 0.45: not strong
    EXPECT_TRUE(events.empty());
    EXPECT_FLOAT_EQ(tracker.noMotionRating, 3.01f);

    tracker.didAccelerate(0, 0, 1.5); // filtered z = 1.5 - (0.15 + 0.405) = 0.945
    EXPECT_FLOAT_EQ(tracker.accelZ, 0.945f);
    EXPECT_EQ(events, std::vector<std::string> { "hide" });
    EXPECT_FLOAT_EQ(tracker.noMotionRating, 0.01f);

    tracker.noMotionRating = 4;
    feed({ 0.3, 0.5, 0.45 });
    EXPECT_FLOAT_EQ(tracker.noMotionRating, 0) << "a turn-around restarts it too";
}

TEST_F(SweepTrackerTest, StillnessShowsTheHintAfterAboutSevenSeconds) {
    int firstShow = -1;
    for (int sample = 1; sample <= 560; ++sample) {
        tracker.didAccelerate(0, -1, 0);
        if (firstShow < 0 && !events.empty() && events.back() == "show")
            firstShow = sample;
    }
    // The gravity step on y is one strong sample at first; from then on the score climbs by
    // 0.01 per sample and passes 5.4 after about 540 samples (7.7 s at 70 Hz).
    EXPECT_GE(firstShow, 535);
    EXPECT_LE(firstShow, 545);
    // It is asked for again on every sample while the score stays up.
    EXPECT_EQ(std::count(events.begin(), events.end(), "show"), 560 - firstShow + 1);
}
