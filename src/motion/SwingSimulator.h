#pragma once

#include "motion/PhonePath.h"
#include "motion/PolledAccelerometer.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::motion {

// A phone held upright and swung from side to side: position(t) = A sin(2 pi f t), starting in
// the middle of the swing and moving to the right. The device's acceleration is -A (2 pi f)^2
// sin(2 pi f t); the reading has the opposite sign (pushing right reads negative x), so x reads
// peakAcceleration * sin(2 pi f t) -- most positive at the right end of the swing. Gravity
// points to the bottom of the screen: y reads -1, z reads 0.
class SwingSimulator final : public PolledAccelerometer, public PhonePath {
public:
    struct Parameters {
        double frequency { 2.0 };        // swings (left-right-left) per second
        double peakAcceleration { 1.5 }; // g, at both ends of the swing
        double noise { 0 };              // g, standard deviation added to every axis of a sample
        std::uint32_t seed { 1 };        // the noise is repeatable for a given seed
    };

    // A one-line reason when the parameters describe no swing, else an empty text.
    static std::string parametersError(const Parameters& parameters);

    // The swing's time 0 is runLoop.now() at construction. The parameters must be valid.
    SwingSimulator(foundation::RunLoop& runLoop, Parameters parameters);

    const Parameters& parameters() const { return parameters_; }
    // Half the distance between the two ends of the swing, in metres.
    double amplitude() const;
    double position(double time) const override;
    // Metres per second, positive towards the device's right.
    double velocity(double time) const;
    // The reading at `time` without noise.
    Acceleration sampleAt(double time) const;

private:
    void poll() override;

    Parameters parameters_;
    double origin_ { 0 };
    std::mt19937 random_;
    std::normal_distribution<double> noise_;
};

} // namespace sweeplight::motion
