#include "motion/AccelerometerFactory.h"

#include "foundation/ManualRunLoop.h"
#include "motion/IioAccelerometer.h"
#include "motion/QtSensorsAccelerometer.h"
#include "motion/TraceAccelerometer.h"

#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using sweeplight::foundation::ManualRunLoop;
using namespace sweeplight::motion;

TEST(QtSensorsAccelerometer, ConvertsMetresPerSecondSquaredToGWithTheOppositeSign) {
    // Qt reads +9.81 on z lying face up and positive x when pushed to the right.
    const Acceleration a = QtSensorsAccelerometer::convert(4.903325, -9.80665, 9.80665);
    EXPECT_NEAR(std::fabs(a.x + 0.5) + std::fabs(a.y - 1) + std::fabs(a.z + 1), 0, 1e-12);
}

// "auto" prefers the machine's sensor (IIO, then Qt's) and else simulates.
TEST(AccelerometerFactory, MakesEachSourceByName) {
    ManualRunLoop runLoop;
    QTemporaryDir directory;
    const std::string iioRoot = directory.path().toStdString();
    const SwingSimulator::Parameters swing { 3 };
    auto simulated = AccelerometerFactory::create("simulator", runLoop, swing, iioRoot);
    ASSERT_EQ(simulated.simulator, simulated.accelerometer.get());
    EXPECT_EQ(simulated.simulator->parameters().frequency, 3);
    EXPECT_EQ(AccelerometerFactory::create("iio", runLoop, swing, iioRoot).accelerometer, nullptr);
    EXPECT_EQ(AccelerometerFactory::create("auto", runLoop, {}, iioRoot).kind,
              QtSensorsAccelerometer::hasSensor() ? AccelerometerFactory::Kind::QtSensors
                                                  : AccelerometerFactory::Kind::Simulator);

    std::string trace = directory.filePath("swing.csv").toStdString();
    std::ofstream(trace) << "0,0,-1,0\n0.5,1,-1,0\n";
    auto replay = AccelerometerFactory::create("trace:" + trace, runLoop, swing, iioRoot);
    ASSERT_EQ(replay.trace, replay.accelerometer.get());
    EXPECT_DOUBLE_EQ(replay.trace->duration(), 0.5);

    const std::string device = iioRoot + "/iio:device0";
    std::filesystem::create_directories(device);
    for (const char* file : { "x_raw", "y_raw", "z_raw", "scale" })
        std::ofstream(device + "/in_accel_" + file) << "1\n";
    EXPECT_EQ(AccelerometerFactory::create("auto", runLoop, {}, iioRoot).kind,
              AccelerometerFactory::Kind::Iio);
}

TEST(AccelerometerFactory, ExplainsWhatItCannotMake) {
    ManualRunLoop runLoop;
    // Each refusal names what was wrong.
    for (const auto& [name, named] : { std::pair { "gyro", "'gyro'" },
                                       { "trace:", "trace:FILE" },
                                       { "trace:/nonexistent/t.csv", "/nonexistent/t.csv" } }) {
        auto made = AccelerometerFactory::create(name, runLoop);
        EXPECT_EQ(made.accelerometer, nullptr) << name;
        EXPECT_NE(made.error.find(named), std::string::npos) << made.error;
    }
    const SwingSimulator::Parameters still { 0 };
    const auto made = AccelerometerFactory::create("simulator", runLoop, still);
    EXPECT_TRUE(!made.accelerometer && made.error == SwingSimulator::parametersError(still));
}
