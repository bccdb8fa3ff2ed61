#include "SteadyPlacement.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

namespace sweeplight::display {

namespace {

// How far (in units of the reach) the phone moves in one frame at the middle of the swing,
// where it is fastest: the slope of the half cosine.
double middleStep(double halfPeriod, double frameInterval) {
    return std::numbers::pi * frameInterval / halfPeriod;
}

// The place a column's slot reaches from the middle of the swing: the black ends begin there.
const double kGuardPlace = std::cos(std::numbers::pi * SteadyPlacement::kEndGuard);
// Angle (radians, of a sine-like half-swing) near the turn where the direction is in doubt and
// nothing is drawn, as counted for a message spaced evenly: the usual share of the peak speed.
constexpr double kDoubtAngle = 0.1;
constexpr int kLayoutSteps = 30;
// Share of the learned difference between the directions taken into the lead per half-swing,
// and the dead band (columns) of the lead: on a sine-like swing noise alone keeps it within.
constexpr double kLeadGain = 0.2;
constexpr double kLeadDeadBand = 0.1;

int floorToInt(double value) {
    return static_cast<int>(std::floor(value));
}

int wrap(int column, int length) {
    const int rest = column % length;
    return rest < 0 ? rest + length : rest;
}

} // namespace

double SteadyPlacement::columnsFromMiddle(double position, double step, int length) {
    const double place = std::fabs(position);
    double offset = 0;
    if (length * step / 2 <= kEvenSpan) {
        // Even slots over the usual span.
        offset = place * length / (2 * kEvenSpan);
    } else if (length * step / 2 <= kGuardPlace) {
        // Even slots a frame's travel wide, out towards the black ends.
        offset = place / step;
    } else if (length * step / 2 < std::asin(kGuardPlace)) {
        // Slots as wide as the travel of a frame where the phone is fastest, out to the place
        // where that travel has shrunk to the even slot the rest of the span leaves; even slots
        // beyond. The span filled grows with that place, so it is found by halving.
        double low = 0;
        double high = kGuardPlace;
        for (int i = 0; i < kLayoutSteps; ++i) {
            const double middle = (low + high) / 2;
            const double filled =
                std::asin(middle) + (kGuardPlace - middle) / std::sqrt(1 - middle * middle);
            (filled < length * step / 2 ? low : high) = middle;
        }
        const double slot = step * std::sqrt(1 - low * low);
        offset =
            place <= low ? std::asin(place) / step : std::asin(low) / step + (place - low) / slot;
    } else {
        // One column a frame on a sine-like swing.
        offset = std::asin(std::min(place, 1.0)) / step;
    }
    return position < 0 ? -offset : offset;
}

int SteadyPlacement::column(double position, double step, int length, bool repeats) {
    if (length <= 0 || !(step > 0) || !std::isfinite(position) || !std::isfinite(step))
        return -1;
    if (std::fabs(position) > kGuardPlace)
        return -1;
    // The place alone picks the column, so it is the same in both directions.
    const int column = floorToInt(columnsFromMiddle(position, step, length) + length / 2.0);
    if (repeats)
        return wrap(column, length);
    return column >= 0 && column < length ? column : -1;
}

int SteadyPlacement::follow(const SwingModel::State& state, double frameInterval, int length,
                            bool repeats) {
    const bool forwards = state.forwards;
    const double position = state.position;
    const double speed = state.speed;
    const double halfPeriod = state.halfPeriod;
    const bool turned = forwards != forwards_;
    if (turned) {
        if (halfPeak_ > 0) {
            peaks_[nextKept_] = halfPeak_;
            halves_[nextKept_] = lastHalf_;
            nextKept_ = (nextKept_ + 1) % kKeptHalves;
            learnLead(forwards_);
        }
        halfPeak_ = 0;
        // Further than half a column off is a frame's place wrongly told, not to be followed.
        offsetTarget_ = offsetCount_ > 0 ? std::clamp(offsetSum_ / offsetCount_, -0.5, 0.5) : 0;
        offsetSum_ = 0;
        offsetCount_ = 0;
    }
    // Near the ends the speed says nothing of the swing's rate.
    if (std::fabs(position) < kPeakZone)
        halfPeak_ = std::max(halfPeak_, speed);
    lastHalf_ = halfPeriod;
    double fastest = 0;
    double meanHalf = 0;
    int kept = 0;
    for (int i = 0; i < kKeptHalves; ++i) {
        fastest = std::max(fastest, peaks_[i]);
        meanHalf += halves_[i];
        kept += halves_[i] > 0 ? 1 : 0;
    }
    // Whether the message fits is told from the last half-swings, not this one's prediction
    // alone, which a turn a little early or late throws off by a fifth on a hand.
    meanHalf = kept > 0 ? meanHalf / kept : halfPeriod;
    const bool tooLong = length > longestWhole(meanHalf, frameInterval);
    if (length != length_)
        std::fill(std::begin(lead_), std::end(lead_), 0.0);
    if (turned || length != length_) {
        forwards_ = forwards;
        length_ = length;
        drawn_ = -1;
    }
    if (!repeats && steps(meanHalf, frameInterval, length))
        return stepOneAFrame(state, meanHalf, frameInterval, length);
    double step = middleStep(halfPeriod, frameInterval);
    if (!tooLong) {
        if (fastest > 0 && length > longestEven(meanHalf, frameInterval))
            step = fastest * frameInterval;
        // No wider than the swing between its black ends holds.
        step = std::min(step, 2 * std::asin(kGuardPlace) / length);
    }
    // A repeating picture has no first or last column to keep.
    if (repeats)
        return column(position, step, length, repeats);
    // Where the layout puts the place, in columns from the message's start, and the column
    // wanted there after the lead.
    const bool led = !tooLong && length > 0 && step > 0 && std::isfinite(position) &&
                     std::fabs(position) <= kGuardPlace;
    double laid = 0;
    int wanted = -1;
    if (led) {
        laid = columnsFromMiddle(position, step, length) + length / 2.0;
        const double lead = leadAt(position);
        const int column = floorToInt(forwards ? laid + lead : laid - lead);
        wanted = column >= 0 && column < length ? column : -1;
    } else {
        wanted = column(position, step, length);
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
    } else if (drawn_ < 0 && tooLong) {
        // A message too long for the half-swing starts where the place says, inside it.
        next = inOrder(wanted);
    } else {
        next = std::clamp(inOrder(wanted), std::max(drawn_, 0), drawn_ + 1);
        const bool pastMiddle = forwards ? position > 0 : position < 0;
        if (pastMiddle && drawn_ >= 0 && halfPeak_ > 0) {
            // The frames left before the direction goes into doubt, on a sine-like swing. For
            // a message that does not fit evenly that is told by the speed at which the swing
            // model stops telling the direction (its floor is a larger share of a slow swing's
            // peak than the usual share); for an even one the usual share, as stepping sooner
            // bunches its last columns where it would mostly have caught up anyway.
            const double doubt = length > longestEven(meanHalf, frameInterval)
                                     ? std::asin(std::min(1.0, state.doubtSpeed / halfPeak_))
                                     : kDoubtAngle;
            const double left = std::asin(std::min(1.0, speed / halfPeak_)) - doubt;
            const double framesLeft = left * halfPeriod / std::numbers::pi / frameInterval;
            if (drawn_ < length - 1 && length - 1 - drawn_ >= framesLeft)
                next = drawn_ + 1;
        }
    }
    drawn_ = next;
    if (led && laid >= 0) {
        const int part = std::clamp(floorToInt((position + 1) / 2 * kPlaces), 0, kPlaces - 1);
        behindSum_[part] += inOrder(next) + 0.5 - laid;
        behindCount_[part] += 1;
    }
    return inOrder(next);
}

bool SteadyPlacement::steps(double meanHalf, double frameInterval, int length) const {
    const double travel = middleStep(meanHalf, frameInterval);
    if (length > longestEven(meanHalf, frameInterval) ||
        2 * kEvenSpan / length >= kSteppedSlots * travel ||
        std::cos((length - 1) / 2.0 * travel) < 1 / kSteppedGaps)
        return false;
    // Only where the swing repeats itself: on a hand's the two directions move unlike, and
    // columns stepped in time would land apart.
    const auto [slowest, fastest] = std::minmax_element(std::begin(peaks_), std::end(peaks_));
    const auto [shortest, longest] = std::minmax_element(std::begin(halves_), std::end(halves_));
    return *slowest > 0 && *shortest > 0 && *fastest <= kRegularPeaks * *slowest &&
           *longest <= kRegularHalves * *shortest;
}

int SteadyPlacement::stepOneAFrame(const SwingModel::State& state, double meanHalf,
                                   double frameInterval, int length) {
    // Frames from the middle of the half-swing: timed from its turn, with the length of the
    // last few half-swings (on a swing that repeats itself that is told better than the place
    // drawn from the integral, which wanders with the sensor's noise); from the place until the
    // turn is confirmed.
    double fromMiddle = 0;
    if (state.sinceTurn >= 0) {
        fromMiddle = (state.sinceTurn - meanHalf / 2) / frameInterval;
        if (!state.forwards)
            fromMiddle = -fromMiddle;
    } else {
        fromMiddle =
            std::asin(std::clamp(state.position, -1.0, 1.0)) / middleStep(meanHalf, frameInterval);
    }
    // That place in columns from the message's start. Frames fall anywhere within a column's
    // slot, so each half-swing starts at the column that puts its frames off their columns'
    // middles by about as much as the last half-swing's were: both directions then draw a
    // column at the same place.
    const double place = fromMiddle + length / 2.0;
    auto inOrder = [&](int column) { return state.forwards ? column : length - 1 - column; };
    if (drawn_ < 0) {
        const long nearest = std::lround(place - 0.5 - offsetTarget_);
        if (nearest < 0 || nearest >= length)
            return -1;
        drawn_ = inOrder(static_cast<int>(nearest));
    } else if (drawn_ < length - 1) {
        ++drawn_;
    } else {
        return -1;
    }
    const int column = inOrder(drawn_);
    // Near the middle, where the place is told best.
    if (std::fabs(fromMiddle) < length / 4.0) {
        offsetSum_ += place - (column + 0.5);
        ++offsetCount_;
    }
    return column;
}

double SteadyPlacement::leadAt(double position) const {
    // Between the middles of the parts.
    const double at = (position + 1) / 2 * kPlaces - 0.5;
    const int below = std::clamp(floorToInt(at), 0, kPlaces - 1);
    const int above = std::min(below + 1, kPlaces - 1);
    const double share = std::clamp(at - below, 0.0, 1.0);
    const double lead = lead_[below] + share * (lead_[above] - lead_[below]);
    return lead > kLeadDeadBand    ? lead - kLeadDeadBand
           : lead < -kLeadDeadBand ? lead + kLeadDeadBand
                                   : 0.0;
}

void SteadyPlacement::learnLead(bool endedForwards) {
    const int way = endedForwards ? 1 : 0;
    for (int part = 0; part < kPlaces; ++part) {
        lastSeen_[way][part] = behindCount_[part] > 0;
        lastBehind_[way][part] = lastSeen_[way][part] ? behindSum_[part] / behindCount_[part] : 0;
        behindSum_[part] = 0;
        behindCount_[part] = 0;
    }
    // A forward column behind the layout sits at a lower column than wanted, a backward one at a
    // higher: the lead grows by half their difference, so both directions meet in between.
    for (int part = 0; part < kPlaces; ++part) {
        if (lastSeen_[0][part] && lastSeen_[1][part])
            lead_[part] -= kLeadGain * (lastBehind_[1][part] - lastBehind_[0][part]) / 2;
    }
    // Neighbouring parts see few frames each: smoothing keeps their noise out of the lead.
    double smooth[kPlaces];
    for (int part = 0; part < kPlaces; ++part)
        smooth[part] = (lead_[std::max(part - 1, 0)] + 2 * lead_[part] +
                        lead_[std::min(part + 1, kPlaces - 1)]) /
                       4;
    std::copy(std::begin(smooth), std::end(smooth), lead_);
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
