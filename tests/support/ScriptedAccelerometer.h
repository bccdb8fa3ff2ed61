#pragma once

#include "motion/Accelerometer.h"

namespace sweeplight::fixtures {

// An accelerometer that delivers nothing unless the test hands it a sample.
class ScriptedAccelerometer final : public motion::Accelerometer {
public:
    void setUpdateInterval(double seconds) override { interval = seconds; }
    double updateInterval() const override { return interval; }
    void setDelegate(motion::AccelerometerDelegate* delegate) override { delegate_ = delegate; }
    motion::AccelerometerDelegate* delegate() const override { return delegate_; }

    // One sample, time-stamped 0, to the delegate if there is one.
    void send(double x, double y, double z) {
        if (delegate_)
            delegate_->accelerometer(*this, motion::Acceleration { 0, x, y, z });
    }

    double interval { 0 };

private:
    motion::AccelerometerDelegate* delegate_ { nullptr };
};

} // namespace sweeplight::fixtures
