#pragma once

namespace sweeplight::motion {

// One accelerometer sample in g, device axes: x to the right of the screen, y to its top, z out
// of the screen. Sign as the display expects: a device lying face up at rest reads z = -1, and
// pushing the device towards its right reads negative x. Every source converts to this.
struct Acceleration {
    double timestamp { 0 }; // seconds, on the run loop's clock
    double x { 0 };
    double y { 0 };
    double z { 0 };
};

class Accelerometer;

class AccelerometerDelegate {
public:
    virtual ~AccelerometerDelegate() = default;
    virtual void accelerometer(Accelerometer& accelerometer, const Acceleration& acceleration) = 0;
};

// The shared accelerometer: one delegate (not owned), samples delivered on the main thread
// every updateInterval seconds while a delegate is set.
class Accelerometer {
public:
    virtual ~Accelerometer() = default;

    virtual void setUpdateInterval(double seconds) = 0;
    virtual double updateInterval() const = 0;
    // Setting a delegate starts delivery; setting none stops it.
    virtual void setDelegate(AccelerometerDelegate* delegate) = 0;
    virtual AccelerometerDelegate* delegate() const = 0;
};

} // namespace sweeplight::motion
