#include "motion/IioAccelerometer.h"

#include "LogCapture.h"
#include "Recorder.h"
#include "foundation/ManualRunLoop.h"

#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using sweeplight::foundation::ManualRunLoop;
using namespace sweeplight::motion;
using sweeplight::motion::testsupport::Recorder;

namespace {

// A fake /sys/bus/iio/devices with one device directory per test.
struct FakeSysfs {
    QTemporaryDir root;
    const std::string devices = root.path().toStdString();
    std::string device(const std::string& name) const {
        std::filesystem::create_directories(devices + "/" + name);
        return devices + "/" + name;
    }
    static void write(const std::string& device, const std::string& file, const std::string& text) {
        std::ofstream(device + "/" + file) << text;
    }
    static void writeRaw(const std::string& device, int x, int y, int z) {
        for (const auto& [axis, value] : { std::pair { "x", x }, { "y", y }, { "z", z } })
            write(device, std::string("in_accel_") + axis + "_raw", std::to_string(value) + "\n");
    }
};

// 1 count = 1/1000 g, the scale a driver reports in m/s^2.
const std::string kMilliGScale = "0.00980665\n";

} // namespace

TEST(IioAccelerometer, FindsTheFirstDeviceWithThreeRawAccelerationChannels) {
    FakeSysfs sysfs;
    FakeSysfs::write(sysfs.device("iio:device0"), "in_illuminance_raw", "12\n");
    FakeSysfs::write(sysfs.device("iio:device1"), "in_accel_x_raw", "1\n");
    EXPECT_EQ(IioAccelerometer::findDevice(sysfs.devices), "");
    FakeSysfs::writeRaw(sysfs.device("iio:device10"), 0, 0, 0);
    const std::string accel2 = sysfs.device("iio:device2");
    FakeSysfs::writeRaw(accel2, 0, 0, 0);
    EXPECT_EQ(IioAccelerometer::findDevice(sysfs.devices), accel2) << "by number, not by text";
    EXPECT_EQ(IioAccelerometer::findDevice(sysfs.devices + "/missing"), "");
}

// The chip is mounted turned a quarter turn: its x runs along the device's y and its y along the
// device's -x; its z is flipped (mounted on the back of the board). Chip force in g: x
// (1020 - 20) / 1000 = 1, y 250 * 2 / 1000 = 0.5 (2 mg per count on y only), z 0.3. Device
// force: x = -chip y = -0.5, y = chip x = 1, z = -chip z = -0.3; readings negate it. The plain
// "mount_matrix" is read when the channel's own is absent.
TEST(IioAccelerometer, AppliesPerAxisScaleOffsetAndTheMountMatrix) {
    FakeSysfs sysfs;
    ManualRunLoop runLoop;
    for (const char* matrixFile : { "in_accel_mount_matrix", "mount_matrix" }) {
        std::string device = sysfs.device(std::string("iio:") + matrixFile);
        FakeSysfs::write(device, matrixFile, "0, -1, 0; 1, 0, 0; 0, 0, -1\n");
        FakeSysfs::write(device, "in_accel_scale", kMilliGScale);
        FakeSysfs::write(device, "in_accel_y_scale", "0.0196133\n");
        FakeSysfs::write(device, "in_accel_x_offset", "-20\n");
        FakeSysfs::writeRaw(device, 1020, 250, 300);
        std::string error;
        auto accelerometer = IioAccelerometer::open(runLoop, device, error);
        ASSERT_NE(accelerometer, nullptr) << error;
        const auto r = accelerometer->read(error);
        ASSERT_TRUE(r.has_value()) << error;
        EXPECT_NEAR(std::fabs(r->x - 0.5) + std::fabs(r->y + 1) + std::fabs(r->z - 0.3), 0, 1e-12)
            << matrixFile;
    }
}

TEST(IioAccelerometer, RefusesADeviceWhoseCalibrationIsUnusable) {
    FakeSysfs sysfs;
    ManualRunLoop runLoop;
    std::string error, device = sysfs.device("iio:device0");
    FakeSysfs::writeRaw(device, 0, 0, 0);
    // Each refusal names the file at fault.
    for (const auto& [file, text] : { std::pair { "in_accel_mount_matrix", "1, 0, 0; 0, 1, 0" },
                                      { "in_accel_mount_matrix", "1,0,0;0,x,0;0,0,1" },
                                      { "in_accel_scale", "fast\n" },
                                      { "in_accel_scale", "" } }) {
        FakeSysfs::write(device, "in_accel_scale", kMilliGScale);
        std::filesystem::remove(device + "/in_accel_mount_matrix");
        FakeSysfs::write(device, file, text);
        if (!*text)
            std::filesystem::remove(device + "/" + file);
        EXPECT_EQ(IioAccelerometer::open(runLoop, device, error), nullptr) << file << " " << text;
        EXPECT_NE(error.find(file), std::string::npos) << error;
    }
    EXPECT_EQ(IioAccelerometer::open(runLoop, sysfs.devices + "/none", error), nullptr);
}

// A channel that cannot be read skips its samples, said once, until it is back.
TEST(IioAccelerometer, PollsAtTheUpdateIntervalAndSurvivesAVanishedChannel) {
    FakeSysfs sysfs;
    std::string device = sysfs.device("iio:device0");
    FakeSysfs::write(device, "in_accel_scale", kMilliGScale);
    FakeSysfs::writeRaw(device, 0, 1000, 0);
    ManualRunLoop runLoop;
    std::string error;
    auto accelerometer = IioAccelerometer::open(runLoop, device, error);
    ASSERT_NE(accelerometer, nullptr) << error;
    sweeplight::fixtures::LogCapture log;
    Recorder recorder;
    accelerometer->setUpdateInterval(0.1);
    accelerometer->setDelegate(&recorder);
    runLoop.advance(0.25);
    ASSERT_EQ(recorder.samples.size(), 2u);
    EXPECT_TRUE(std::fabs(recorder.samples[1].timestamp - 0.2) < 1e-9 &&
                recorder.samples[1].y == -1);
    std::filesystem::remove(device + "/in_accel_z_raw");
    runLoop.advance(0.3);
    EXPECT_EQ(recorder.samples.size(), 2u);
    EXPECT_EQ(log.lines().size(), 1u);
    FakeSysfs::write(device, "in_accel_z_raw", "0\n");
    runLoop.advance(0.1);
    accelerometer->setDelegate(nullptr);
    runLoop.advance(1);
    EXPECT_EQ(recorder.samples.size(), 3u);
}
