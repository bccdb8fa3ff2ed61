#include "display/SwingModel.h"

#include "display/SteadyPlacement.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <numeric>
#include <random>
#include <set>
#include <vector>

using namespace sweeplight::display;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kGravity = 9.80665;

// A swing of known path: a sine, or a hand whose rate and reach drift, with unequal halves.
struct Swing {
    const char* name;
    double frequency;
    double peak;  // g
    double noise; // g
    double sampleRate;
    double drift;    // share by which rate (and 4/3 of it, reach) wander
    double harmonic; // second harmonic, share of the reach

    double amplitude() const { return peak * kGravity / std::pow(2 * kPi * frequency, 2); }
    double position(double t) const {
        const double theta =
            2 * kPi * frequency * t + drift * 2 * std::sin(2 * kPi * 0.3 * frequency * t);
        const double reach = 1 + drift * 1.3 * std::sin(2 * kPi * 0.23 * frequency * t + 0.4);
        return amplitude() * reach * (std::sin(theta) + harmonic * std::sin(2 * theta + 0.9));
    }
    double velocity(double t) const { return (position(t + 1e-5) - position(t - 1e-5)) / 2e-5; }
    double reading(double t) const {
        constexpr double h = 1e-4;
        return -(position(t + h) - 2 * position(t) + position(t - h)) / (h * h) / kGravity;
    }
};

const Swing kSwings[] = {
    { "sine 1 Hz, noisy", 1, 1, 0.03, 70, 0, 0 },
    { "sine 3 Hz, 60 samples/s", 3, 3, 0.03, 60, 0, 0 },
    { "hand 1.5 Hz, drifting, unequal", 1.5, 1.5, 0.03, 70, 0.15, 0.12 },
    { "hand 2.5 Hz, 100 samples/s", 2.5, 2, 0.03, 100, 0.15, 0.12 },
};

// The true turn-arounds: where the velocity changes sign.
std::vector<double> trueTurns(const Swing& swing, double until) {
    std::vector<double> turns;
    for (double t = 0.0005; t < until; t += 0.0005)
        if ((swing.velocity(t) > 0) != (swing.velocity(t - 0.0005) > 0))
            turns.push_back(t);
    return turns;
}

} // namespace

TEST(SwingModel, FollowsNoisyDriftingAndUnequalSwingsWithoutEarlyTurnsMirroredColumnsOrJumps) {
    for (const Swing& swing : kSwings) {
        SCOPED_TRACE(swing.name);
        SwingModel model;
        std::mt19937 random(3);
        std::normal_distribution<double> noise(0, swing.noise);
        constexpr double kSeconds = 10;
        const std::vector<double> turns = trueTurns(swing, kSeconds + 1);
        const double half = 0.5 / swing.frequency;
        const double placeTolerance = swing.drift > 0 ? 0.35 : 0.2;
        int lastCount = 0, frames = 0, known = 0, mirrored = 0, misplaced = 0;
        double firstKnown = -1;
        for (long i = 0; i < static_cast<long>(kSeconds * swing.sampleRate); ++i) {
            const double t = static_cast<double>(i) / swing.sampleRate;
            const auto before = model.stateAt(t);
            model.addSample(t, swing.reading(t) + noise(random));
            if (model.turnCount() != lastCount) {
                // Confirming a turn, late, moves the place drawn at little: the middle has been
                // taken from the turn since it came.
                const auto after = model.stateAt(t);
                if (t > 4 && before && after) {
                    EXPECT_LT(std::fabs(after->position - before->position), 0.2) << "at " << t;
                }
                lastCount = model.turnCount();
                // Every confirmed turn lies close to a true one (less close in the first two
                // seconds, learned from the first swing's extremes), and is never confirmed
                // before the phone has turned.
                double nearest = 1e9;
                for (double turn : turns)
                    if (std::fabs(turn - model.lastTurnTime()) < std::fabs(nearest))
                        nearest = model.lastTurnTime() - turn;
                EXPECT_LT(std::fabs(nearest), (t < 2 ? 0.12 : 0.04) * half)
                    << "turn at " << model.lastTurnTime();
                EXPECT_GE(t, model.lastTurnTime() + nearest) << "confirmed before the turn";
                EXPECT_EQ(model.lastTurnEndedForwards(), swing.velocity(t) < 0);
            }
            if (firstKnown < 0 && model.stateAt(t))
                firstKnown = t;
            if (t < 4)
                continue;
            // Wherever the model tells a place, the direction is the phone's, and where a message
            // is drawn the place is where the phone is, to a share of its reach (a hand's ends
            // are not where a sine's are, and its reach changes between them).
            for (double frame = t; frame < t + 1 / swing.sampleRate; frame += 1.0 / 120) {
                ++frames;
                const auto state = model.stateAt(frame);
                if (!state)
                    continue;
                ++known;
                mirrored += state->forwards != (swing.velocity(frame) > 0) ? 1 : 0;
                const double place = swing.position(frame) / swing.amplitude();
                if (std::fabs(place) < SteadyPlacement::kEvenSpan)
                    misplaced += std::fabs(state->position - place) > placeTolerance ? 1 : 0;
            }
        }
        EXPECT_EQ(mirrored, 0);
        EXPECT_LE(misplaced, 0.02 * known);
        // Near the ends the direction is in doubt; everywhere else the place is known.
        EXPECT_GT(known, 0.8 * frames);
        // Learned from the first swings, without waiting for two seconds of them to average.
        EXPECT_GT(firstKnown, 0);
        EXPECT_LT(firstKnown, 2.5);
    }
}

TEST(SwingModel, KnowsNoSwingBeforeItIsLearnedWhileHeldStillOrAfterItStops) {
    const Swing swing = kSwings[0];
    SwingModel model;
    double t = 0;
    // Held still, with a little tilt and tremor.
    for (; t < 3; t += 1 / 70.0) {
        model.addSample(t, 0.1 + 0.05 * std::sin(2 * kPi * 7 * t));
        EXPECT_FALSE(model.stateAt(t));
    }
    // The first half-swing is not enough to know the swing by; two swings are.
    const double start = t;
    double firstKnown = -1;
    for (; t < start + 2; t += 1 / 70.0) {
        model.addSample(t, swing.reading(t - start));
        if (firstKnown < 0 && model.stateAt(t))
            firstKnown = t - start;
    }
    EXPECT_GT(firstKnown, 0.6);
    // Stops: within a swing the model no longer claims to know where the phone is.
    const double stop = t;
    for (; t < stop + 1; t += 1 / 70.0)
        model.addSample(t, 0.1);
    EXPECT_FALSE(model.stateAt(t));
}

TEST(SteadyPlacement, EveryColumnOnceInOrderAtTheSamePlaceBothWays) {
    struct Case {
        double halfPeriod;
        double interval;
        int length;
    };
    // Evenly spaced (down to a slot a little wider than a frame's travel), stepped a frame a
    // column.
    for (const Case& c : { Case { 0.5, 1 / 120.0, 6 }, Case { 0.5, 1 / 120.0, 26 },
                           Case { 0.25, 1 / 120.0, 19 }, Case { 0.5, 1 / 60.0, 20 } }) {
        SCOPED_TRACE(testing::Message()
                     << c.halfPeriod << " s, " << c.interval << " s, " << c.length << " columns");
        for (double offset : { 0.37, 0.71 }) {
            std::vector<int> forwards;
            std::vector<int> followed;
            SteadyPlacement placement;
            std::mt19937 random(9);
            // A place measured a little off, by up to a third of a frame's travel.
            std::uniform_real_distribution<double> jitter(-1.0 / 3, 1.0 / 3);
            for (double t = offset * c.interval; t <= c.halfPeriod; t += c.interval) {
                // A sine-like swing from the negative end to the positive one.
                const double phase = t / c.halfPeriod;
                const double position = -std::cos(kPi * phase);
                const double speed = kPi / c.halfPeriod * std::sin(kPi * phase);
                const int column =
                    SteadyPlacement::column(position, kPi * c.interval / c.halfPeriod, c.length);
                if (phase < SteadyPlacement::kEndGuard || phase > 1 - SteadyPlacement::kEndGuard) {
                    EXPECT_EQ(column, -1);
                }
                const double measured = position + jitter(random) * speed * c.interval;
                if (column >= 0 && (forwards.empty() || forwards.back() != column))
                    forwards.push_back(column);
                const int next = placement.follow(true, measured, speed, 0.1 * kPi / c.halfPeriod,
                                                  c.halfPeriod, c.interval, c.length);
                if (next >= 0 && (followed.empty() || followed.back() != next))
                    followed.push_back(next);
            }
            std::vector<int> inOrder(static_cast<std::size_t>(c.length));
            std::iota(inOrder.begin(), inOrder.end(), 0);
            EXPECT_EQ(forwards, inOrder);
            EXPECT_EQ(followed, inOrder) << "a column skipped or drawn out of order";
        }
    }
}

TEST(SteadyPlacement, RepeatedPicturesRunOnAlongTheSwing) {
    std::set<int> seen;
    int wrapped = 0;
    int previous = -1;
    for (double phase = 0.1; phase < 0.9; phase += 0.001) {
        const int column = SteadyPlacement::column(-std::cos(kPi * phase), kPi / 60, 8, true);
        ASSERT_GE(column, 0);
        ASSERT_LT(column, 8);
        if (previous == 7 && column == 0)
            ++wrapped;
        previous = column;
        seen.insert(column);
    }
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_GE(wrapped, 1);
}

TEST(SteadyPlacement, DirectionsThatRunUnlikeLearnToPlaceTheColumnsAlike) {
    // Both half-swings last as long, but the forward ones rush through the middle faster than
    // one slot a frame: at first their columns fall behind, later both directions meet.
    constexpr double kInterval = 1 / 120.0;
    constexpr double kHalfPeriod = 0.32;
    constexpr int kLength = 19;
    SteadyPlacement placement;
    std::vector<double> distances; // per pair of half-swings: mean over the columns, in columns
    std::vector<double> places[2];
    for (int half = 0; half < 40; ++half) {
        const bool forwards = half % 2 == 0;
        const double rush = forwards ? 0.4 : 0;
        std::vector<double> sum(kLength, 0);
        std::vector<int> count(kLength, 0);
        for (double t = kInterval / 2; t < kHalfPeriod; t += kInterval) {
            const double phase = t / kHalfPeriod;
            const double angle = kPi * (phase - rush * std::sin(2 * kPi * phase) / (2 * kPi));
            const double position = forwards ? -std::cos(angle) : std::cos(angle);
            const double speed =
                kPi / kHalfPeriod * (1 - rush * std::cos(2 * kPi * phase)) * std::sin(angle);
            const int column = placement.follow(forwards, position, speed, 0.1 * kPi / kHalfPeriod,
                                                kHalfPeriod, kInterval, kLength);
            if (column >= 0) {
                sum[column] += position;
                count[column] += 1;
            }
        }
        std::vector<double>& mine = places[forwards ? 1 : 0];
        mine.assign(kLength, 0);
        for (int column = 0; column < kLength; ++column) {
            ASSERT_GT(count[column], 0) << "column " << column << " left out";
            mine[column] = sum[column] / count[column];
        }
        if (!forwards) {
            double distance = 0;
            for (int column = 0; column < kLength; ++column)
                distance += std::fabs(places[1][column] - places[0][column]);
            distances.push_back(distance / (2 * SteadyPlacement::kEvenSpan));
        }
    }
    EXPECT_GT(distances.front(), 1);
    const double settled = std::accumulate(distances.end() - 10, distances.end(), 0.0) / 10;
    EXPECT_LT(settled, distances.front() / 2);
}
