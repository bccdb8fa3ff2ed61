#pragma once

#include "motion/PolledAccelerometer.h"

#include <memory>
#include <string>

class QAccelerometer;

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::motion {

// The accelerometer that Qt Sensors offers (Android, iio-sensor-proxy, ...). Qt reports m/s^2
// with the opposite sign of our convention (at rest face up it reads z = +9.81), so each axis
// is divided by -g. The sensor runs on its own; the latest reading is handed to the delegate
// from a run loop timer at the update interval, so samples arrive at the pace the display
// asked for.
class QtSensorsAccelerometer final : public PolledAccelerometer {
public:
    // Whether Qt Sensors has a real accelerometer here (its "dummy" test backend does not count).
    static bool hasSensor();
    // Null and a one-line `error` when there is no real sensor or it cannot be started.
    static std::unique_ptr<QtSensorsAccelerometer> open(foundation::RunLoop& runLoop,
                                                        std::string& error);
    // A Qt reading (m/s^2) in our convention (timestamp 0).
    static Acceleration convert(double x, double y, double z);

    ~QtSensorsAccelerometer() override;

private:
    QtSensorsAccelerometer(foundation::RunLoop& runLoop, std::unique_ptr<QAccelerometer> sensor);
    void poll() override;
    void pollingStarts() override;
    void pollingStopped() override;
    void pollingEvery(double seconds) override;

    std::unique_ptr<QAccelerometer> sensor_;
};

} // namespace sweeplight::motion
