#include "motion/TraceAccelerometer.h"

#include "Recorder.h"
#include "foundation/ManualRunLoop.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

using sweeplight::foundation::ManualRunLoop;
using namespace sweeplight::motion;
using sweeplight::motion::testsupport::Recorder;

namespace {

std::string parseError(std::string_view text) {
    std::string error;
    EXPECT_FALSE(TraceAccelerometer::parse(text, error).has_value()) << text;
    return error;
}

} // namespace

TEST(TraceAccelerometer, ParsesSamplesSkippingCommentsBlankLinesAndColumnNames) {
    std::string error;
    auto samples = TraceAccelerometer::parse("# recorded on a phone\r\n"
                                             "t,x,y,z\r\n"
                                             "\n"
                                             "0.5, 0.25 ,-1,0\r\n"
                                             "  0.6,-0.4,-0.98,+0.01\n"
                                             "0.6,1e-2,-1,0",
                                             error);
    ASSERT_TRUE(samples.has_value()) << error;
    std::vector<double> values;
    for (const Acceleration& sample : *samples)
        values.insert(values.end(), { sample.timestamp, sample.x, sample.y, sample.z });
    EXPECT_EQ(values,
              (std::vector { 0.5, 0.25, -1., 0., 0.6, -0.4, -0.98, 0.01, 0.6, 0.01, -1., 0. }));
}

// A refused trace names its file (a missing one: the factory's test) and the line at fault.
// Column names are only allowed before the first sample.
TEST(TraceAccelerometer, BadTracesAreRefusedNamingTheFileAndLine) {
    const std::pair<const char*, const char*> rows[] = {
        { "0,0,-1,0\n0.1,0,-1\n", "line 2:" },
        { "# c\n\n0,0,-1,0\n0.1,abc,-1,0\n", "line 4:" },
        { "0,0,-1,nan\n", "line 1:" },
        { "0,0,-1,0\n0.1,0.5x,-1,0\n", "line 2:" },
        { "0.2,0,-1,0\n0.1,0,-1,0\n", "line 2:" },
        { "0,0,-1,0\nt,x,y,z\n", "line 2:" },
        { "# nothing\n\n", "no samples" },
    };
    for (const auto& [text, reason] : rows)
        EXPECT_NE(parseError(text).find(reason), std::string::npos) << text;

    ManualRunLoop runLoop;
    QTemporaryDir directory;
    std::string path = directory.filePath("swing.csv").toStdString();
    std::string error;
    std::ofstream(path) << "0,0,-1,0\n0.1,oops,-1,0\n";
    EXPECT_EQ(TraceAccelerometer::load(runLoop, path, error), nullptr);
    EXPECT_EQ(error.rfind(path + ": line 2: ", 0), 0u) << error;
}

TEST(TraceAccelerometer, ReplaysEverySampleOnceAtItsRecordedTimeFromTheStart) {
    ManualRunLoop runLoop;
    runLoop.advance(2);
    std::string error;
    auto samples = TraceAccelerometer::parse(
        "10,0.1,-1,0\n10.02,0.2,-1,0\n10.02,0.3,-1,0\n10.5,0.4,-1,0", error);
    TraceAccelerometer trace(runLoop, *samples);
    EXPECT_DOUBLE_EQ(trace.duration(), 0.5);
    int finished = 0;
    trace.onFinished = [&] { ++finished; };
    Recorder recorder;
    trace.setDelegate(&recorder);

    // The first sample is due at once; two recorded at the same time come together.
    for (const auto& [advance, count] : { std::pair { 0.01, 1u }, { 0.01, 3u }, { 0.47, 3u } }) {
        runLoop.advance(advance);
        EXPECT_EQ(recorder.samples.size(), count);
    }
    EXPECT_EQ(finished, 0);
    runLoop.advance(0.011);
    EXPECT_TRUE(trace.isFinished());
    runLoop.advance(5);
    ASSERT_EQ(recorder.samples.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(recorder.samples[i].timestamp, (std::vector { 2.0, 2.02, 2.02, 2.5 })[i], 1e-9);
    EXPECT_DOUBLE_EQ(recorder.samples[2].x, 0.3);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}
