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

// Near the ends the speed is small and says little about the swing's rate: it is trusted fully
// up to kSpeedUntrusted - kSpeedTrustFades from the middle (shares of the reach), less and less
// beyond, and not at all from kSpeedUntrusted on.
constexpr double kSpeedUntrusted = 0.9;
constexpr double kSpeedTrustFades = 0.3;
constexpr double kSmallestCosine = 0.1;

int floorToInt(double value) {
    return static_cast<int>(std::floor(value));
}

int wrap(int column, int length) {
    const int rest = column % length;
    return rest < 0 ? rest + length : rest;
}

} // namespace

int SteadyPlacement::column(bool forwards, double position, double speed, double halfPeriod,
                            double frameInterval, int length, bool repeats) {
    if (length <= 0 || !(halfPeriod > 0) || !(frameInterval > 0) || !std::isfinite(position) ||
        !std::isfinite(speed))
        return -1;
    if (std::fabs(position) > std::cos(std::numbers::pi * kEndGuard))
        return -1;
    if (fitsEvenly(halfPeriod, frameInterval, length)) {
        // The place alone picks the column, so it is the same in both directions.
        const int column = floorToInt(position / (2 * kEvenSpan / length) + length / 2.0);
        if (repeats)
            return wrap(column, length);
        return column >= 0 && column < length ? column : -1;
    }
    // Stepped, one column a frame: the time to or since the middle, as a sine-like swing
    // through this place at this speed runs it; this half-swing's own speed follows a rate and
    // reach that drift. Towards the ends, where the speed says little, the learned half-swing
    // takes over.
    const double cosine = std::sqrt(std::max(0.0, 1 - position * position));
    const double measured = speed > 0 ? speed / std::max(cosine, kSmallestCosine) : 0;
    const double trust =
        std::clamp((kSpeedUntrusted - std::fabs(position)) / kSpeedTrustFades, 0.0, 1.0);
    const double rate = trust * measured + (1 - trust) * std::numbers::pi / halfPeriod;
    const double sinceMiddle = (forwards ? 1 : -1) * std::asin(position) / rate;
    // Columns travelled since the middle, in the direction of the motion. Backwards the columns
    // count down; rounding the other way keeps a place on a boundary with the same column in
    // both directions.
    const double along = sinceMiddle / frameInterval + length / 2.0;
    const int column = forwards ? floorToInt(along) : length - static_cast<int>(std::ceil(along));
    if (repeats)
        return wrap(column, length);
    return column >= 0 && column < length ? column : -1;
}

int SteadyPlacement::follow(bool forwards, double position, double speed, double halfPeriod,
                            double frameInterval, int length, bool repeats) {
    const int wanted =
        column(forwards, position, speed, halfPeriod, frameInterval, length, repeats);
    // A repeating picture has no first or last column to keep.
    if (repeats)
        return wanted;
    if (forwards != forwards_ || length != length_) {
        forwards_ = forwards;
        length_ = length;
        drawn_ = -1;
    }
    auto inOrder = [&](int column) { return forwards ? column : length - 1 - column; };
    int next = 0;
    if (wanted < 0) {
        const bool beforeMessage = forwards ? position < 0 : position > 0;
        if (beforeMessage || drawn_ < 0 || drawn_ >= length - 1) {
            if (beforeMessage)
                drawn_ = -1;
            return -1;
        }
        next = drawn_ + 1;
    } else if (drawn_ < 0 && length > longestWhole(halfPeriod, frameInterval)) {
        // A message too long for the half-swing starts where the place says, inside it.
        next = inOrder(wanted);
    } else {
        next = std::clamp(inOrder(wanted), std::max(drawn_, 0), drawn_ + 1);
    }
    drawn_ = next;
    return inOrder(next);
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
