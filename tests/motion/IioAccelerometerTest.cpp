#include "motion/IioAccelerometer.h"

#include "LogCapture.h"
#include "Recorder.h"
#include "foundation/ManualRunLoop.h"
#include "motion/Gravity.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

using sweeplight::foundation::ManualRunLoop;
using namespace sweeplight::motion;
using sweeplight::motion::testsupport::Recorder;

namespace {

// A fake /sys/bus/iio/devices with one device directory per test.
class FakeSysfs {
public:
    std::string devices() const { return root_.path().toStdString(); }
    std::string device(const std::string& name) {
        std::filesystem::path path = std::filesystem::path(devices()) / name;
        std::filesystem::create_directories(path);
        return path.string();
    }
    static void write(const std::string& device, const std::string& file, const std::string& text) {
        std::ofstream(std::filesystem::path(device) / file) << text;
    }
    static void writeRaw(const std::string& device, int x, int y, int z) {
        write(device, "in_accel_x_raw", std::to_string(x) + "\n");
        write(device, "in_accel_y_raw", std::to_string(y) + "\n");
        write(device, "in_accel_z_raw", std::to_string(z) + "\n");
    }

private:
    QTemporaryDir root_;
};

// 1 count = 1/1000 g, the scale a driver reports in m/s^2.
const std::string kMilliGScale = "0.00980665\n";

} // namespace

TEST(IioAccelerometer, FindsTheFirstDeviceWithThreeRawAccelerationChannels) {
    FakeSysfs sysfs;
    EXPECT_EQ(IioAccelerometer::findDevice(sysfs.devices()), "");
    std::string light = sysfs.device("iio:device0");
    FakeSysfs::write(light, "in_illuminance_raw", "12\n");
    std::string partial = sysfs.device("iio:device1");
    FakeSysfs::write(partial, "in_accel_x_raw", "1\n");
    EXPECT_EQ(IioAccelerometer::findDevice(sysfs.devices()), "");

    std::string accel10 = sysfs.device("iio:device10");
    FakeSysfs::writeRaw(accel10, 0, 0, 0);
    std::string accel2 = sysfs.device("iio:device2");
    FakeSysfs::writeRaw(accel2, 0, 0, 0);
    EXPECT_EQ(IioAccelerometer::findDevice(sysfs.devices()), accel2);
    EXPECT_EQ(IioAccelerometer::findDevice(sysfs.devices() + "/missing"), "");
}

TEST(IioAccelerometer, AppliesPerAxisScaleOffsetAndTheMountMatrix) {
    FakeSysfs sysfs;
    std::string device = sysfs.device("iio:device0");
    // The chip is mounted turned a quarter turn: its x runs along the device's y and its y
    // along the device's -x; its z is flipped (mounted on the back of the board).
    FakeSysfs::write(device, "in_accel_mount_matrix", "0, -1, 0; 1, 0, 0; 0, 0, -1\n");
    FakeSysfs::write(device, "in_accel_scale", kMilliGScale);
    FakeSysfs::write(device, "in_accel_y_scale", "0.0196133\n"); // 2 mg per count on y only
    FakeSysfs::write(device, "in_accel_x_offset", "-20\n");
    FakeSysfs::writeRaw(device, 1020, 250, 300);
    ManualRunLoop runLoop;
    std::string error;
    auto accelerometer = IioAccelerometer::open(runLoop, device, error);
    ASSERT_NE(accelerometer, nullptr) << error;
    // Chip force in g: x (1020 - 20) / 1000 = 1, y 250 * 2 / 1000 = 0.5, z 0.3.
    // Device force: x = -chip y = -0.5, y = chip x = 1, z = -chip z = -0.3; readings negate it.
    auto reading = accelerometer->read(error);
    ASSERT_TRUE(reading.has_value()) << error;
    EXPECT_NEAR(reading->x, 0.5, 1e-12);
    EXPECT_NEAR(reading->y, -1, 1e-12);
    EXPECT_NEAR(reading->z, 0.3, 1e-12);

    // The plain "mount_matrix" name is read when the channel-specific one is absent.
    std::string other = sysfs.device("iio:device1");
    FakeSysfs::write(other, "mount_matrix", "-1,0,0;0,-1,0;0,0,1");
    FakeSysfs::write(other, "in_accel_scale", kMilliGScale);
    FakeSysfs::writeRaw(other, 1000, 0, 0);
    auto rotated = IioAccelerometer::open(runLoop, other, error);
    ASSERT_NE(rotated, nullptr) << error;
    EXPECT_NEAR(rotated->read(error)->x, 1, 1e-12);
}

TEST(IioAccelerometer, RefusesADeviceWhoseCalibrationIsUnusable) {
    FakeSysfs sysfs;
    ManualRunLoop runLoop;
    std::string error;
    std::string device = sysfs.device("iio:device0");
    FakeSysfs::writeRaw(device, 0, 0, 0);
    EXPECT_EQ(IioAccelerometer::open(runLoop, device, error), nullptr);
    EXPECT_EQ(error, device + ": no in_accel_scale, so the raw counts mean nothing");

    FakeSysfs::write(device, "in_accel_scale", "fast\n");
    EXPECT_EQ(IioAccelerometer::open(runLoop, device, error), nullptr);
    EXPECT_EQ(error, device + "/in_accel_scale: not a number");

    FakeSysfs::write(device, "in_accel_scale", kMilliGScale);
    for (const char* matrix : { "1, 0, 0; 0, 1, 0", "1, 0; 0, 1; 0, 0", "1,0,0;0,1,0;0,0,1;0,0,0",
                                "1,0,0;0,x,0;0,0,1" }) {
        FakeSysfs::write(device, "in_accel_mount_matrix", matrix);
        EXPECT_EQ(IioAccelerometer::open(runLoop, device, error), nullptr) << matrix;
        EXPECT_EQ(
            error,
            device + "/in_accel_mount_matrix: expected a mount matrix 'a, b, c; d, e, f; g, h, i'");
    }
    EXPECT_EQ(IioAccelerometer::open(runLoop, sysfs.devices() + "/none", error), nullptr);
}

// Counts become g with the sign turned to ours: 1000 counts (1 g) on y read -1, -250 on x 0.25.
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
    EXPECT_NEAR(recorder.samples[1].timestamp, 0.2, 1e-9);
    EXPECT_NEAR(recorder.samples[1].y, -1, 1e-12);

    FakeSysfs::writeRaw(device, -250, 1000, 0);
    runLoop.advance(0.1);
    ASSERT_EQ(recorder.samples.size(), 3u);
    EXPECT_NEAR(recorder.samples[2].x, 0.25, 1e-12);

    std::filesystem::remove(std::filesystem::path(device) / "in_accel_z_raw");
    runLoop.advance(0.3);
    EXPECT_EQ(recorder.samples.size(), 3u);
    EXPECT_EQ(log.lines(), (std::vector<std::string> { "accelerometer: " + device +
                                                       "/in_accel_z_raw: cannot be read" }));

    FakeSysfs::write(device, "in_accel_z_raw", "0\n");
    runLoop.advance(0.1);
    EXPECT_EQ(recorder.samples.size(), 4u);

    accelerometer->setDelegate(nullptr);
    runLoop.advance(1);
    EXPECT_EQ(recorder.samples.size(), 4u);
}
