#include "SweepTracker.h"

#include "foundation/Log.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcSweep, "sweeplight.sweep", QtWarningMsg)

namespace sweeplight::display {

namespace {
// Keeps the motion part of one axis: the sample less a slow running average. Computed in
// double, kept in float.
float filter(double sample, float previous) {
    return static_cast<float>(sample - (0.1 * sample + 0.9 * previous));
}
} // namespace

void SweepTracker::didAccelerate(double x, double y, double z) {
    // The tracker keeps floats; a double beyond their range has no float to become (undefined
    // behaviour), so it saturates. No real swing comes near.
    constexpr double kLargest = std::numeric_limits<float>::max();
    x = std::clamp(x, -kLargest, kLargest);
    y = std::clamp(y, -kLargest, kLargest);
    z = std::clamp(z, -kLargest, kLargest);
    accelX = filter(x, accelX);
    accelY = filter(y, accelY);
    accelZ = filter(z, accelZ);

    const float magnitude = std::sqrt(accelX * accelX + accelY * accelY + accelZ * accelZ);
    if (magnitude >= kStrongMotion) {
        if (onHideWavePhone)
            onHideWavePhone();
        noMotionRating = 0;
    }

    noMotionRating = static_cast<float>(noMotionRating + kStillnessStep);
    if (noMotionRating > kStillnessThreshold && onShowWavePhone)
        onShowWavePhone();

    const float dx = static_cast<float>(x - currentAcceleration[0]);
    currentAcceleration[0] = static_cast<float>(x);
    currentAcceleration[1] = static_cast<float>(y);

    // A turn-around is an extreme of the raw sideways acceleration of at least 0.4 g: the
    // positive side can only end a forward swing, the negative side only a backward one.
    if (x >= kTurnThreshold && isGoingForwards_) {
        if (oldDx_ > 0 && dx < 0)
            turn(false, kFlopLog);
        else if (oldDx_ < 0 && dx > 0)
            turn(false, kFlipLeftLog);
    } else if (x <= -kTurnThreshold && !isGoingForwards_) {
        if (oldDx_ > 0 && dx < 0)
            turn(true, kFlopLog);
        else if (oldDx_ < 0 && dx > 0)
            turn(true, kLeftLog);
    }

    if (std::fabs(dx) > 0)
        oldDx_ = dx;
}

void SweepTracker::turn(bool forwards, const char* line) {
    foundation::logLine(lcSweep(), line);
    isGoingForwards_ = forwards;
    noMotionRating = 0;
    if (onTurn)
        onTurn(forwards);
}

} // namespace sweeplight::display
