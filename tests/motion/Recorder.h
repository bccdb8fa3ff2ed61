#pragma once

#include "motion/Accelerometer.h"

#include <vector>

namespace sweeplight::motion::testsupport {

// A delegate that keeps every sample it is handed, in order.
struct Recorder final : AccelerometerDelegate {
    void accelerometer(Accelerometer&, const Acceleration& acceleration) override {
        samples.push_back(acceleration);
    }
    std::vector<Acceleration> samples;
};

} // namespace sweeplight::motion::testsupport
