#include "display/SwingModel.h"

#include "KnownSwing.h"
#include "display/SteadyPlacement.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <tuple>
#include <vector>

using namespace sweeplight::display;

constexpr double kPi = KnownSwing::kPi;
constexpr double kFrame = 1 / 120.0;

TEST(SwingModel, FollowsNoisyDriftingAndUnequalSwingsWithoutEarlyTurnsOrMirroredColumns) {
    // Rates at which two seconds hold whole swings, and one at which they do not.
    for (const KnownSwing& swing :
         { KnownSwing {}, KnownSwing { 1.13, 1 }, KnownSwing { 1.5, 1.5, 0.15, 0.12 } }) {
        SCOPED_TRACE(swing.frequency);
        SwingModel model;
        // A hand's ends are not where a sine's are, and its reach changes between them.
        const double placeTolerance = swing.drift > 0 ? 0.35 : 0.2;
        int lastCount = 0, frames = 0, known = 0, mirrored = 0, misplaced = 0;
        // [forwards]: the place told less the true one between the two ends reached last.
        double ends[2] = {}, off[2] = {}, offCount[2] = {};
        int endCount = 0;
        bool wasForwards = swing.velocity(0) > 0;
        double firstKnown = -1;
        const auto onSample = [&](double t, double x) {
            const auto before = model.stateAt(t);
            model.addSample(t, x);
            if (model.turnCount() == lastCount)
                return;
            lastCount = model.turnCount();
            // Confirming a turn, late, moves the place drawn at little: the middle has been
            // taken from the turn since it came.
            const auto after = model.stateAt(t);
            if (t > 4 && before && after &&
                std::fabs(after->position) < SteadyPlacement::kEvenSpan) {
                EXPECT_LT(std::fabs(after->position - before->position), 0.2) << "at " << t;
            }
            // Close to a true turn (less close while learned from the first swing's extremes),
            // and confirmed only once the phone has turned.
            const double at = model.lastTurnTime(), near = (at < 2 ? 0.06 : 0.02) / swing.frequency;
            EXPECT_NE(swing.velocity(at - near) > 0, swing.velocity(at + near) > 0) << at;
            EXPECT_EQ(model.lastTurnEndedForwards(), swing.velocity(t) < 0) << "early at " << t;
        };
        swing.run(10, onSample, [&](double t) {
            if (const bool forwards = swing.velocity(t) > 0; forwards != wasForwards)
                ends[0] = ends[1], ends[1] = swing.position(t), ++endCount, wasForwards = forwards;
            const auto state = model.stateAt(t);
            if (firstKnown < 0 && state)
                firstKnown = t;
            if (t < 4 || (++frames, !state))
                return;
            ++known;
            mirrored += state->forwards != (swing.velocity(t) > 0);
            const double place = swing.position(t) / swing.amplitude();
            misplaced += std::fabs(place) < SteadyPlacement::kEvenSpan &&
                         std::fabs(state->position - place) > placeTolerance;
            const double between =
                (swing.position(t) - (ends[0] + ends[1]) / 2) / (std::fabs(ends[1] - ends[0]) / 2);
            if (endCount >= 2 && std::fabs(between) < 0.6)
                off[state->forwards] += state->position - between, ++offCount[state->forwards];
        });
        EXPECT_EQ(mirrored, 0);
        EXPECT_LE(misplaced, 0.02 * known);
        // Nor is one direction drawn further along the swing than the other.
        EXPECT_LT(std::fabs(off[1] / offCount[1] - off[0] / offCount[0]), 0.015);
        // Near the ends the direction is in doubt; everywhere else the place is known.
        EXPECT_GT(known, 0.8 * frames);
        // Learned from the first swings, without waiting for two seconds of them to average.
        EXPECT_GT(firstKnown, 0);
        EXPECT_LT(firstKnown, 2.5);
    }
}

TEST(SwingModel, KnowsNoSwingWhileHeldStillBeforeItIsLearnedOrAfterItStops) {
    SwingModel model;
    double t = 0, firstKnown = -1;
    const auto feed = [&](double until, auto x) {
        for (; t < until; t += 1 / 70.0) {
            model.addSample(t, x(t));
            if (firstKnown < 0 && model.stateAt(t))
                firstKnown = t;
        }
    };
    // Held still, with a little tilt and tremor.
    feed(3, [](double t) { return 0.1 + 0.05 * std::sin(2 * kPi * 7 * t); });
    EXPECT_LT(firstKnown, 0);
    feed(5, [](double t) { return KnownSwing {}.reading(t - 3); });
    EXPECT_GT(firstKnown, 3.6) << "the first half-swing is not enough to know the swing by";
    feed(6, [](double) { return 0.1; });
    EXPECT_FALSE(model.stateAt(t)) << "still known a swing after it stopped";
}

TEST(SteadyPlacement, EveryColumnOnceInOrderAndBlackAtTheEnds) {
    const auto add = [](std::vector<int>& columns, int column) {
        if (column >= 0 && (columns.empty() || columns.back() != column))
            columns.push_back(column);
    };
    // Evenly spaced down to a slot a little wider than a frame's travel; stepped a frame a column.
    for (const auto& [halfPeriod, length] : { std::pair { 0.5, 26 }, std::pair { 0.25, 19 } }) {
        SCOPED_TRACE(length);
        std::vector<int> laid, followed;
        SteadyPlacement placement;
        std::mt19937 random(9);
        // A place measured a little off, by up to a third of a frame's travel.
        std::uniform_real_distribution<double> jitter(-1.0 / 3, 1.0 / 3);
        for (double t = 0.37 * kFrame; t <= halfPeriod; t += kFrame) {
            // A sine-like swing from the negative end to the positive one.
            const double phase = t / halfPeriod;
            const double position = -std::cos(kPi * phase);
            const double speed = kPi / halfPeriod * std::sin(kPi * phase);
            const int column = SteadyPlacement::column(position, kPi * kFrame / halfPeriod, length);
            if (phase < SteadyPlacement::kEndGuard || phase > 1 - SteadyPlacement::kEndGuard) {
                EXPECT_EQ(column, -1);
            }
            add(laid, column);
            add(followed, placement.follow({ true, position + jitter(random) * speed * kFrame,
                                             speed, halfPeriod, 0.1 * kPi / halfPeriod, t },
                                           kFrame, length));
        }
        std::vector<int> inOrder(static_cast<std::size_t>(length));
        std::iota(inOrder.begin(), inOrder.end(), 0);
        EXPECT_EQ(laid, inOrder);
        EXPECT_EQ(followed, inOrder) << "a column skipped or drawn out of order";
    }
}

TEST(SteadyPlacement, APhoneThatAlmostStopsInsideTheMessageGetsNoColumnPastItsEnd) {
    constexpr double kHalf = 0.5;
    constexpr int kLength = 11;
    SteadyPlacement placement;
    for (double t = kFrame / 2; t < kHalf; t += kFrame) {
        // A sine-like half-swing that slows to a crawl past its middle, before its last column.
        const double phase = std::min(t / kHalf, 0.7);
        const double speed = t / kHalf < 0.7 ? kPi / kHalf * std::sin(kPi * phase) : 0.001;
        const int column = placement.follow(
            { true, -std::cos(kPi * phase), speed, kHalf, 0.1 * kPi / kHalf, t }, kFrame, kLength);
        ASSERT_LT(column, kLength) << "at " << t;
    }
}

TEST(SteadyPlacement, RepeatedPicturesRunOnAlongTheSwing) {
    int previous = -1, wraps = 0;
    for (double phase = 0.1; phase < 0.9; phase += 0.001) {
        const int column = SteadyPlacement::column(-std::cos(kPi * phase), kPi / 60, 8, true);
        ASSERT_TRUE(column == previous || column == (previous + 1) % 8 || previous < 0) << column;
        wraps += previous == 7 && column == 0;
        previous = column;
    }
    EXPECT_GE(wraps, 1);
}

TEST(SteadyPlacement, DirectionsThatRunUnlikeLearnToPlaceTheColumnsAlike) {
    // Both half-swings last as long, but the forward ones rush through the middle faster than
    // one slot a frame: at first their columns fall behind, later both directions meet.
    constexpr double kHalf = 0.32;
    constexpr int kLength = 19;
    SteadyPlacement placement;
    std::vector<double> distances;  // per pair of half-swings: summed over the columns, in columns
    double places[2][kLength] = {}; // [forwards]: the mean place of each column
    for (int half = 0; half < 40; ++half) {
        const bool forwards = half % 2 == 0;
        const double rush = forwards ? 0.4 : 0;
        double sum[kLength] = {}, count[kLength] = {};
        for (double t = kFrame / 2; t < kHalf; t += kFrame) {
            const double phase = t / kHalf;
            const double angle = kPi * (phase - rush * std::sin(2 * kPi * phase) / (2 * kPi));
            const double position = forwards ? -std::cos(angle) : std::cos(angle);
            const double speed =
                kPi / kHalf * (1 - rush * std::cos(2 * kPi * phase)) * std::sin(angle);
            const int column = placement.follow(
                { forwards, position, speed, kHalf, 0.1 * kPi / kHalf, t }, kFrame, kLength);
            if (column >= 0)
                sum[column] += position, ++count[column];
        }
        double distance = 0;
        for (int column = 0; column < kLength; ++column) {
            ASSERT_GT(count[column], 0) << "column " << column << " left out";
            places[forwards][column] = sum[column] / count[column];
            distance += std::fabs(places[1][column] - places[0][column]);
        }
        if (!forwards)
            distances.push_back(distance / (2 * SteadyPlacement::kEvenSpan));
    }
    EXPECT_GT(distances.front(), 1);
    const double settled = std::accumulate(distances.end() - 10, distances.end(), 0.0) / 10;
    EXPECT_LT(settled, distances.front() / 2);
}

TEST(SteadyPlacement, ARegularSwingStepsAMessageNearTheBoundOneColumnAFrameAlikeBothWays) {
    // Even slots would be little wider than a frame's travel. The place and each turn are told a
    // little off, and frames either keep time with the swing (one falls right on the middle,
    // where either of two columns is as near) or do not.
    constexpr int kLength = 26;
    for (const auto& [half, firstFrame, within] :
         { std::tuple { 0.5, 0.0, 0.25 }, std::tuple { 0.507, 0.37 * kFrame, 0.5 } }) {
        SCOPED_TRACE(half);
        SteadyPlacement placement;
        std::mt19937 random(5);
        std::uniform_real_distribution<double> jitter(-1, 1);
        double places[2][kLength] = {}; // [forwards]: each column's place, in frames' travel
        std::vector<double> apart;      // per pair of half-swings, mean over the columns
        double frame = firstFrame;
        for (int swing = 0; swing < 40; ++swing) {
            const bool forwards = swing % 2 == 0;
            const double turnOff = 0.002 * jitter(random);
            std::vector<int> drawn;
            for (; frame < (swing + 1) * half; frame += kFrame) {
                const double t = frame - swing * half;
                const double angle = kPi * t / half;
                const double position = forwards ? -std::cos(angle) : std::cos(angle);
                const SwingModel::State state { forwards,
                                                position + 0.01 * jitter(random),
                                                kPi / half * std::sin(angle),
                                                half,
                                                0.1 * kPi / half,
                                                t + turnOff };
                const int column = placement.follow(state, kFrame, kLength);
                if (column < 0)
                    continue;
                drawn.push_back(column);
                const double fromMiddle = (angle - kPi / 2) / (kPi * kFrame / half);
                places[forwards][column] = forwards ? fromMiddle : -fromMiddle;
            }
            if (swing < 6)
                continue;
            std::vector<int> inOrder(kLength);
            std::iota(inOrder.begin(), inOrder.end(), 0);
            if (!forwards)
                std::reverse(inOrder.begin(), inOrder.end());
            ASSERT_EQ(drawn, inOrder) << "not one column a frame at " << swing;
            if (!forwards) {
                double distance = 0;
                for (int column = 0; column < kLength; ++column)
                    distance += std::fabs(places[1][column] - places[0][column]) / kLength;
                apart.push_back(distance);
            }
        }
        EXPECT_LT(std::accumulate(apart.begin(), apart.end(), 0.0) / apart.size(), within)
            << "the directions draw the message apart";
    }
}
