#include "PolledAccelerometer.h"

#include "foundation/RunLoop.h"

#include <cmath>

namespace sweeplight::motion {

PolledAccelerometer::PolledAccelerometer(foundation::RunLoop& runLoop)
    : runLoop_(runLoop) {}

PolledAccelerometer::~PolledAccelerometer() {
    runLoop_.cancel(timer_);
}

void PolledAccelerometer::setUpdateInterval(double seconds) {
    if (!(seconds > 0) || !std::isfinite(seconds))
        return;
    updateInterval_ = seconds;
    if (delegate_)
        restartTimer();
}

void PolledAccelerometer::setDelegate(AccelerometerDelegate* delegate) {
    bool wasRunning = delegate_ != nullptr;
    delegate_ = delegate;
    if (!delegate_) {
        runLoop_.cancel(timer_);
        timer_ = 0;
        pollingStopped();
        return;
    }
    if (!wasRunning) {
        pollingStarts();
        restartTimer();
    }
}

void PolledAccelerometer::restartTimer() {
    runLoop_.cancel(timer_);
    pollingEvery(updateInterval_);
    timer_ = runLoop_.scheduleRepeating(updateInterval_, [this] { poll(); });
}

} // namespace sweeplight::motion
