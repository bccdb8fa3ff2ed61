#include "motion/RecordedPath.h"

#include "foundation/ManualRunLoop.h"
#include "motion/SwingSimulator.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using sweeplight::foundation::ManualRunLoop;
using namespace sweeplight::motion;

// A recorded swing must put the phone where it really was, or the exposure of a trace would
// smear the message: the estimate from 70 Hz samples stays within a few millimetres.
TEST(RecordedPath, RecoversASwingFromItsSamplesAndHoldsStillOutsideThem) {
    ManualRunLoop runLoop;
    SwingSimulator simulator(runLoop, { 2, 1.5 });
    std::vector<Acceleration> samples;
    // A slight tilt adds a constant to x; it must not send the phone drifting away.
    for (int i = 0; i <= 70 * 4; ++i) {
        Acceleration sample = simulator.sampleAt(i / 70.0);
        sample.x += 0.03;
        samples.push_back(sample);
    }
    RecordedPath path(samples);
    for (double t = 0.5; t < 3.5; t += 0.01)
        EXPECT_NEAR(path.position(t), simulator.position(t), 0.004) << "t " << t;
    EXPECT_NEAR(path.reach(), simulator.amplitude(), 0.004);

    // Outside the recording the phone holds still; no samples at all is no path, not a crash.
    EXPECT_TRUE(RecordedPath({}).position(1) == 0 && RecordedPath({}).reach() == 0);
    path = RecordedPath({ { 1, 0.5, -1, 0 }, { 1.1, -0.5, -1, 0 }, { 1.2, 0.5, -1, 0 } });
    EXPECT_EQ(path.position(0), path.position(1));
    EXPECT_EQ(path.position(5), path.position(1.2));
    EXPECT_TRUE(std::isfinite(path.position(1.05)));
}
