#include "SwingSimulator.h"

#include "foundation/RunLoop.h"
#include "motion/Gravity.h"

#include <cmath>
#include <numbers>

namespace sweeplight::motion {

namespace {

double angularFrequency(double frequency) {
    return 2 * std::numbers::pi * frequency;
}

} // namespace

std::string SwingSimulator::parametersError(const Parameters& parameters) {
    if (!std::isfinite(parameters.frequency) || parameters.frequency <= 0)
        return "the swing frequency must be a positive number of hertz";
    if (!std::isfinite(parameters.peakAcceleration) || parameters.peakAcceleration < 0)
        return "the peak acceleration must be a number of g, 0 or more";
    if (!std::isfinite(parameters.noise) || parameters.noise < 0)
        return "the noise must be a number of g, 0 or more";
    return {};
}

SwingSimulator::SwingSimulator(foundation::RunLoop& runLoop, Parameters parameters)
    : PolledAccelerometer(runLoop)
    , parameters_(parameters)
    , origin_(runLoop.now())
    , random_(parameters.seed)
    , noise_(0.0, parameters.noise > 0 ? parameters.noise : 1.0) {}

double SwingSimulator::amplitude() const {
    double omega = angularFrequency(parameters_.frequency);
    return parameters_.peakAcceleration * kStandardGravity / (omega * omega);
}

double SwingSimulator::position(double time) const {
    double omega = angularFrequency(parameters_.frequency);
    return amplitude() * std::sin(omega * (time - origin_));
}

double SwingSimulator::velocity(double time) const {
    double omega = angularFrequency(parameters_.frequency);
    return amplitude() * omega * std::cos(omega * (time - origin_));
}

Acceleration SwingSimulator::sampleAt(double time) const {
    double omega = angularFrequency(parameters_.frequency);
    return { time, parameters_.peakAcceleration * std::sin(omega * (time - origin_)), -1.0, 0.0 };
}

void SwingSimulator::poll() {
    if (!delegate())
        return;
    Acceleration sample = sampleAt(runLoop().now());
    if (parameters_.noise > 0) {
        sample.x += noise_(random_);
        sample.y += noise_(random_);
        sample.z += noise_(random_);
    }
    delegate()->accelerometer(*this, sample);
}

} // namespace sweeplight::motion
