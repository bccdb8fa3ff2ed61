#pragma once

namespace sweeplight::motion {

// Where the phone is along its side-to-side swing at a moment of the run loop's clock, as the
// onlooker's long exposure needs it.
class PhonePath {
public:
    virtual ~PhonePath() = default;
    // Metres from the middle of the swing, positive towards the device's right. The screen faces
    // the onlooker, so the device's right is the onlooker's right too.
    virtual double position(double time) const = 0;
};

} // namespace sweeplight::motion
