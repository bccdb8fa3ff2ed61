#include "SteadyPlacement.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sweeplight::display {

namespace {

// How far (in units of the reach) the phone moves in one frame at the middle of the swing,
// where it is fastest: the slope of the half cosine.
double middleStep(double halfPeriod, double frameInterval) {
    return std::numbers::pi * frameInterval / halfPeriod;
}

int floorToInt(double value) {
    return static_cast<int>(std::floor(value));
}

int wrap(int column, int length) {
    const int rest = column % length;
    return rest < 0 ? rest + length : rest;
}

} // namespace

int SteadyPlacement::column(bool forwards, double phase, double halfPeriod, double frameInterval,
                            int length, bool repeats) {
    if (length <= 0 || !(halfPeriod > 0) || !(frameInterval > 0) || !std::isfinite(phase))
        return -1;
    if (phase < kEndGuard || phase > 1 - kEndGuard)
        return -1;
    const double step = middleStep(halfPeriod, frameInterval);
    const double evenSlot = 2 * kEvenSpan / length;
    // Columns travelled since the middle of the swing, in the direction of the motion.
    double travelled = 0;
    if (evenSlot >= kEvenSlotFrames * step) {
        travelled = std::sin(std::numbers::pi * (phase - 0.5)) / evenSlot;
    } else {
        const int framesPerColumn = std::max(1, floorToInt(2 * kSteppedSpan / (length * step)));
        travelled = (phase - 0.5) * halfPeriod / frameInterval / framesPerColumn;
    }
    // Backwards the columns count down; rounding the other way keeps a place on a boundary
    // with the same column in both directions.
    const double along = travelled + length / 2.0;
    const int column = forwards ? floorToInt(along) : length - static_cast<int>(std::ceil(along));
    if (repeats)
        return wrap(column, length);
    return column >= 0 && column < length ? column : -1;
}

bool SteadyPlacement::fitsEvenly(double halfPeriod, double frameInterval, int length) {
    return length > 0 && 2 * kEvenSpan / length >= middleStep(halfPeriod, frameInterval);
}

int SteadyPlacement::longestEven(double halfPeriod, double frameInterval) {
    return floorToInt(2 * kEvenSpan / middleStep(halfPeriod, frameInterval));
}

int SteadyPlacement::longestWhole(double halfPeriod, double frameInterval) {
    return floorToInt((1 - 2 * kEndGuard) * halfPeriod / frameInterval);
}

} // namespace sweeplight::display
