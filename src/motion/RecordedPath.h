#pragma once

#include "motion/Accelerometer.h"
#include "motion/PhonePath.h"

#include <vector>

namespace sweeplight::motion {

// Where a recorded phone was, estimated from its sideways acceleration alone: x is integrated
// twice, and the mean acceleration, velocity and position are taken out (a slight tilt reads as
// a constant acceleration, and an accelerometer cannot see a constant velocity). Good for a
// swing that keeps going back and forth; not for a walk.
class RecordedPath final : public PhonePath {
public:
    // `samples` in time order, timestamps on the run loop's clock, x in g in the device
    // convention (pushing right reads negative x).
    explicit RecordedPath(const std::vector<Acceleration>& samples);

    // Linear between samples; before the first and after the last it holds still.
    double position(double time) const override;
    // The largest distance from the middle, for sizing the exposure.
    double reach() const;

private:
    std::vector<double> times_;
    std::vector<double> positions_;
};

} // namespace sweeplight::motion
