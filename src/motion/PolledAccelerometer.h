#pragma once

#include "motion/Accelerometer.h"

#include <cstdint>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::motion {

// A source that is asked for its current reading at the update interval: a repeating run loop
// timer runs while a delegate is set, and restarts when the interval changes so the new pace
// holds at once. Sources implement poll(), which hands the reading to delegate() if there is one.
class PolledAccelerometer : public Accelerometer {
public:
    ~PolledAccelerometer() override;

    // Intervals that are not a positive number of seconds are ignored.
    void setUpdateInterval(double seconds) override;
    double updateInterval() const override { return updateInterval_; }
    void setDelegate(AccelerometerDelegate* delegate) override;
    AccelerometerDelegate* delegate() const override { return delegate_; }

protected:
    explicit PolledAccelerometer(foundation::RunLoop& runLoop);

    foundation::RunLoop& runLoop() const { return runLoop_; }

    // Called by the timer, every update interval while a delegate is set.
    virtual void poll() = 0;
    // Delivery begins (a first delegate was set), before the timer starts.
    virtual void pollingStarts() {}
    // No delegate is set any more (also when none was), after the timer was cancelled.
    virtual void pollingStopped() {}
    // The timer is about to be (re)started at `seconds`.
    virtual void pollingEvery(double seconds) { (void)seconds; }

private:
    void restartTimer();

    foundation::RunLoop& runLoop_;
    double updateInterval_ { 1.0 / 70.0 };
    AccelerometerDelegate* delegate_ { nullptr };
    std::uint64_t timer_ { 0 };
};

} // namespace sweeplight::motion
