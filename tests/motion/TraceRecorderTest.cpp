#include "motion/TraceRecorder.h"

#include "Recorder.h"
#include "foundation/ManualRunLoop.h"
#include "motion/SwingSimulator.h"
#include "motion/TraceAccelerometer.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using sweeplight::foundation::ManualRunLoop;
using namespace sweeplight::motion;
using sweeplight::motion::testsupport::Recorder;

// It writes what it passes on as a trace that replays, and refuses a file it cannot write.
TEST(TraceRecorder, WritesWhatItPassesOnAsATraceThatReplays) {
    QTemporaryDir directory;
    const std::string path = directory.filePath("swing.csv").toStdString();
    ManualRunLoop runLoop;
    runLoop.advance(5); // the trace's times start at its first sample, not at the clock's origin
    SwingSimulator simulator(runLoop, { 2.0, 1.5, 0.03, 4 });
    std::string error;
    std::unique_ptr<TraceRecorder> recorder = TraceRecorder::create(simulator, path, error);
    ASSERT_TRUE(recorder) << error;
    Recorder delegate;
    recorder->setUpdateInterval(1 / 70.0);
    recorder->setDelegate(&delegate);
    runLoop.advance(1);
    recorder.reset();

    auto replayed = TraceAccelerometer::load(runLoop, path, error);
    ASSERT_TRUE(replayed) << error;
    ASSERT_EQ(replayed->samples().size(), delegate.samples.size());
    ASSERT_GE(delegate.samples.size(), 69u);
    for (std::size_t i = 0; i < delegate.samples.size(); ++i) {
        const Acceleration &passed = delegate.samples[i], &back = replayed->samples()[i];
        const double start = delegate.samples[0].timestamp;
        EXPECT_NEAR(std::fabs(back.timestamp - (passed.timestamp - start)) +
                        std::fabs(back.x - passed.x) + std::fabs(back.y - passed.y) +
                        std::fabs(back.z - passed.z),
                    0, 3e-6)
            << i;
    }
    EXPECT_FALSE(TraceRecorder::create(simulator, "/nonexistent/dir/swing.csv", error));
    EXPECT_NE(error.find("/nonexistent/dir/swing.csv"), std::string::npos) << error;
}
