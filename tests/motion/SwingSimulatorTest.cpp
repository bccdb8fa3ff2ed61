#include "motion/SwingSimulator.h"

#include "Recorder.h"
#include "foundation/ManualRunLoop.h"
#include "motion/Gravity.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

using sweeplight::foundation::ManualRunLoop;
using namespace sweeplight::motion;
using sweeplight::motion::testsupport::Recorder;

// The samples must be what an accelerometer on the simulated path would read: the device's
// acceleration (second derivative of the position) with the opposite sign, in g.
TEST(SwingSimulator, ReadingIsTheNegatedSecondDerivativeOfItsPosition) {
    ManualRunLoop runLoop;
    runLoop.advance(3.25); // the swing's time 0 need not be the clock's
    SwingSimulator simulator(runLoop, { 1.7, 1.2 });
    const double h = 1e-4;
    for (double t = 3.3; t < 5.0; t += 0.037) {
        const double p0 = simulator.position(t - h), p1 = simulator.position(t),
                     p2 = simulator.position(t + h);
        const Acceleration reading = simulator.sampleAt(t);
        EXPECT_NEAR(reading.x, -(p2 - 2 * p1 + p0) / (h * h) / kStandardGravity, 1e-4) << t;
        EXPECT_NEAR(simulator.velocity(t), (p2 - p0) / (2 * h), 1e-6) << t;
        EXPECT_TRUE(reading.y == -1.0 && reading.z == 0.0);
    }
    // It starts in the middle moving right and reads most positive at the right end, a quarter
    // period later: 1.2 g at 1.7 Hz is 1.2 * 9.80665 / (3.4 pi)^2 metres, about 103 mm.
    EXPECT_NEAR(simulator.position(3.25), 0, 1e-12);
    EXPECT_GT(simulator.velocity(3.25), 0);
    EXPECT_NEAR(simulator.position(3.25 + 0.25 / 1.7), 0.1031, 0.0005);
    EXPECT_NEAR(simulator.sampleAt(3.25 + 0.25 / 1.7).x, 1.2, 1e-12);
}

TEST(SwingSimulator, DeliversSamplesAtTheUpdateIntervalWhileADelegateIsSet) {
    ManualRunLoop runLoop;
    SwingSimulator simulator(runLoop, { 2, 1.5 });
    Recorder recorder;
    runLoop.advance(1);
    simulator.setUpdateInterval(1.0 / 70);
    simulator.setDelegate(&recorder);
    runLoop.advance(1.0 + 1e-9);
    ASSERT_EQ(recorder.samples.size(), 70u);
    EXPECT_NEAR(recorder.samples[69].timestamp, 2.0, 1e-9);
    EXPECT_DOUBLE_EQ(recorder.samples[69].x, simulator.sampleAt(recorder.samples[69].timestamp).x);

    // A new interval takes effect at once.
    simulator.setUpdateInterval(0.1);
    runLoop.advance(0.5 + 1e-9);
    EXPECT_EQ(recorder.samples.size(), 75u);

    simulator.setDelegate(nullptr);
    runLoop.advance(1);
    EXPECT_EQ(recorder.samples.size(), 75u);
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}

TEST(SwingSimulator, NoiseIsRepeatableForASeedAndHasTheAskedSpread) {
    auto run = [](std::uint32_t seed) {
        ManualRunLoop runLoop;
        SwingSimulator simulator(runLoop, { 2, 1.5, 0.05, seed });
        Recorder recorder;
        simulator.setDelegate(&recorder);
        runLoop.advance(60);
        std::vector<double> deviations;
        for (const Acceleration& sample : recorder.samples)
            deviations.push_back(sample.x - simulator.sampleAt(sample.timestamp).x);
        return deviations;
    };
    const std::vector<double> first = run(7);
    EXPECT_TRUE(first == run(7) && first != run(8));
    const double squares = std::inner_product(first.begin(), first.end(), first.begin(), 0.0);
    EXPECT_NEAR(std::sqrt(squares / first.size()), 0.05, 0.005);
}

TEST(SwingSimulator, RefusesParametersThatDescribeNoSwing) {
    const struct {
        double frequency, peak, noise;
        bool swings;
    } rows[] = {
        { 2, 0, 0, true },         { 0, 1.5, 0, false },  { NAN, 1.5, 0, false },
        { 2, INFINITY, 0, false }, { 2, 1.5, -1, false },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SwingSimulator::parametersError({ row.frequency, row.peak, row.noise }).empty(),
                  row.swings)
            << row.frequency << " Hz, " << row.peak << " g, noise " << row.noise;
    }
}
