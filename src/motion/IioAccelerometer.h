#pragma once

#include "motion/PolledAccelerometer.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::motion {

// An accelerometer of the Linux Industrial I/O subsystem, read from sysfs at the update
// interval: in_accel_{x,y,z}_raw, the scale (in_accel_scale or per axis in_accel_x_scale), an
// optional offset, and the mount matrix (in_accel_mount_matrix or mount_matrix, rows separated
// by ';') that turns the chip's axes into the device's.
//
// After scale, offset and mount matrix the values are m/s^2 of the force the chip feels: like
// every MEMS accelerometer, a device at rest face up reads +9.81 on z. Our convention is the
// opposite sign in g (face up reads z = -1, pushing right reads negative x), so each value is
// divided by -g.
class IioAccelerometer final : public PolledAccelerometer {
public:
    static constexpr const char* kDevicesDirectory = "/sys/bus/iio/devices";

    using Matrix = std::array<std::array<double, 3>, 3>;
    struct Calibration {
        std::array<double, 3> scale { 1, 1, 1 };  // m/s^2 per count
        std::array<double, 3> offset { 0, 0, 0 }; // counts, added before scaling
        Matrix mountMatrix { { { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 } } };
    };

    // The first device directory under `devicesDirectory` with the three raw accelerometer
    // channels, or an empty text.
    static std::string findDevice(const std::string& devicesDirectory = kDevicesDirectory);
    // Reads the device's calibration; null and a one-line `error` when it is unusable.
    static std::unique_ptr<IioAccelerometer>
    open(foundation::RunLoop& runLoop, const std::string& deviceDirectory, std::string& error);
    // The conversion of raw counts into a reading of our convention (timestamp 0).
    static Acceleration convert(const Calibration& calibration, const std::array<double, 3>& raw);

    IioAccelerometer(foundation::RunLoop& runLoop, std::string deviceDirectory,
                     Calibration calibration);

    const Calibration& calibration() const { return calibration_; }
    // The current reading, or nothing and a one-line `error` when a channel cannot be read.
    std::optional<Acceleration> read(std::string& error) const;

private:
    void poll() override;

    std::string directory_;
    Calibration calibration_;
    bool reportedReadFailure_ { false };
};

} // namespace sweeplight::motion
