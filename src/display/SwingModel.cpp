#include "SwingModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace sweeplight::display {

namespace {

// Seconds of samples kept: two slow swings, for the running mean and the peak fits.
constexpr double kKeptSeconds = 2.5;
// The means that are taken out of the reading and its integral run over this long.
constexpr double kMeanSeconds = 2.0;
// The line fitted around a zero crossing of the velocity spans this share of a half-swing to
// either side.
constexpr double kFitShare = 0.1;
constexpr double kShortestFit = 0.025;
constexpr double kLongestFit = 0.1;
constexpr double kFirstFit = 0.05;
// The next turn may come no sooner than this share of the expected half-swing. Noise cannot
// carry the velocity across the band anyway; this keeps a jolt from cutting a half-swing short,
// yet lets a model that learned a wrong rate at the start catch up.
constexpr double kEarliestTurnShare = 0.3;
// Two half-swings in a row whose lengths differ by more than this factor are no steady swing
// yet (a start, a stop, a jolt).
constexpr double kLargestRatio = 1.6;
// A half-swing changes its length by at most this factor against the one before it.
constexpr double kLargestTrend = 1.18;
// Half-swings whose lengths differ by up to the first factor are a regular swing's; by the
// second or more, a hand's (a sensor's noise alone keeps a sine's within a tenth).
constexpr double kEvenHalves = 1.1;
constexpr double kUnevenHalves = 1.25;
// Turns kept for the prediction.
constexpr std::size_t kKeptTurns = 6;
// A swing whose next two turn-arounds have not come within this many expected half-swings has
// stopped.
constexpr double kStoppedHalfSwings = 2.0;
// Strong samples come at least every so much of a half-swing while the phone swings (a hand's
// two ends are not alike: the acceleration can stay weak at one of them).
constexpr double kStillShare = 1.5;
constexpr double kStrongShare = 0.5;
constexpr int kFewestFitSamples = 4;
// Seconds of samples before the first turn counts: a whole swing of the slowest rate, which the
// trend taken from the extremes needs.
constexpr double kFirstSwing = 1.0;
// The largest tilt (g) the first swing is searched for, and how finely.
constexpr double kLargestTilt = 1.5;
constexpr int kTiltSearchSteps = 40;

} // namespace

void SwingModel::reset() {
    *this = SwingModel();
}

double SwingModel::predictedHalfPeriod(std::size_t ahead) const {
    if (turns_.size() < 2)
        return 0;
    // Durations of the finished half-swings, oldest first; they alternate in direction.
    std::array<double, kKeptTurns + 2> durations {};
    std::size_t count = 0;
    for (std::size_t i = 1; i < turns_.size(); ++i)
        durations[count++] = turns_[i].time - turns_[i - 1].time;
    double next = 0;
    for (std::size_t step = 0; step <= ahead; ++step) {
        if (count >= 3) {
            // The last one in the same direction, scaled by the other direction's trend.
            const double trend = std::clamp(durations[count - 1] / durations[count - 3],
                                            1 / kLargestTrend, kLargestTrend);
            next = durations[count - 2] * trend;
        } else if (count == 2) {
            next = durations[count - 2];
        } else {
            next = durations[count - 1];
        }
        if (count < durations.size())
            durations[count++] = next;
    }
    return next;
}

// Where the velocity crossed zero on its way to `side`'s sign: the last sign change, refined by
// a line fitted to the samples around it so that the noise averages out.
double SwingModel::crossingTime(int side, double fallback) const {
    std::size_t after = samples_.size();
    for (std::size_t i = samples_.size(); i-- > 1;) {
        if (side * relativeVelocity(samples_[i - 1]) <= 0) {
            after = i;
            break;
        }
    }
    if (after == samples_.size())
        return fallback;
    const Sample& before = samples_[after - 1];
    const Sample& next = samples_[after];
    const double u0 = relativeVelocity(before);
    const double u1 = relativeVelocity(next);
    double crossing =
        u1 != u0 ? before.time + (next.time - before.time) * (-u0 / (u1 - u0)) : before.time;
    const double known = predictedHalfPeriod(0);
    const double window =
        known > 0 ? std::clamp(kFitShare * known, kShortestFit, kLongestFit) : kFirstFit;
    double n = 0, su = 0, sv = 0, suu = 0, suv = 0;
    for (const Sample& sample : samples_) {
        const double u = sample.time - crossing;
        if (std::fabs(u) > window)
            continue;
        const double v = relativeVelocity(sample);
        n += 1;
        su += u;
        sv += v;
        suu += u * u;
        suv += u * v;
    }
    const double denominator = n * suu - su * su;
    if (n < kFewestFitSamples || denominator <= 0)
        return crossing;
    const double slope = (n * suv - su * sv) / denominator;
    const double intercept = (sv - slope * su) / n;
    if (slope * side <= 0)
        return crossing;
    const double shift = -intercept / slope;
    if (std::isfinite(shift) && std::fabs(shift) <= window)
        crossing += shift;
    return crossing;
}

double SwingModel::rawPositionAt(double time) const {
    const auto after = std::find_if(samples_.begin(), samples_.end(),
                                    [time](const Sample& sample) { return sample.time >= time; });
    if (after == samples_.begin())
        return samples_.front().position;
    if (after == samples_.end())
        return samples_.back().position;
    const Sample& before = *(after - 1);
    const double share = (time - before.time) / (after->time - before.time);
    return before.position + share * (after->position - before.position);
}

void SwingModel::confirmTurn(int side, double time) {
    if (!turns_.empty())
        time = std::max(time, turns_.back().time + kShortestHalfSwing);
    turns_.push_back({ time, side, rawPositionAt(time) });
    if (turns_.size() > kKeptTurns)
        turns_.pop_front();
    ++turnCount_;
    speed_ = speed_ == 0 ? halfSpeed_ : 0.7 * speed_ + 0.3 * halfSpeed_;
    amplitude_ = amplitude_ == 0 ? halfAmplitude_ : 0.7 * amplitude_ + 0.3 * halfAmplitude_;
    halfSpeed_ = 0;
    halfAmplitude_ = 0;
    armed_[0] = armed_[1] = false;
}

// The straight line taken out of the reading's integral, and the parabola out of the position,
// as raised-cosine weighted means over `span` (see meanSpan()): whatever of the swing they keep
// moves the zero crossings, and the place between them.
void SwingModel::learnTrendFromMeans(double time, double span) {
    double total = 0, st = 0, stt = 0, sv = 0, sx = 0, sp = 0;
    for (const Sample& sample : samples_) {
        const double age = time - sample.time;
        if (age > span)
            continue;
        const double weight = 0.5 * (1 - std::cos(2 * std::numbers::pi * age / span));
        const double since = sample.time - time;
        total += weight;
        st += weight * since;
        stt += weight * since * since;
        sv += weight * sample.velocity;
        sx += weight * sample.x;
        sp += weight * sample.position;
    }
    const Sample& last = samples_.back();
    const double slope = total > 0 ? sx / total : last.x;
    const double averaged = slopeOverLastSwing(time, slope);
    trendSlope_ = slope + unevenness() * (averaged - slope);
    trendLevel_ = total > 0 ? (sv - trendSlope_ * st) / total : last.velocity;
    trendPosition_ =
        total > 0 ? (sp - trendLevel_ * st - trendSlope_ * stt / 2) / total : last.position;
    trendTime_ = time;
}

double SwingModel::swingLength() const {
    if (turns_.size() < 3 || !isSettled())
        return 0;
    // Over the last two where they are known: a hand's rate drifts, and a span that jumps with
    // each swing moves the place drawn with it.
    const std::size_t halves = turns_.size() > 4 ? 4 : 2;
    const double swing =
        (turns_.back().time - turns_[turns_.size() - 1 - halves].time) * 2 / halves;
    return swing > 0 ? swing : 0;
}

double SwingModel::unevenness() const {
    constexpr std::size_t kHalves = 4;
    if (turns_.size() <= kHalves)
        return 0;
    double shortest = INFINITY;
    double longest = 0;
    for (std::size_t i = turns_.size() - kHalves; i < turns_.size(); ++i) {
        const double half = turns_[i].time - turns_[i - 1].time;
        shortest = std::min(shortest, half);
        longest = std::max(longest, half);
    }
    return std::clamp((longest / shortest - kEvenHalves) / (kUnevenHalves - kEvenHalves), 0.0, 1.0);
}

double SwingModel::slopeOverLastSwing(double time, double slope) {
    slopes_.push_back({ time, slope });
    const double swing = swingLength();
    while (slopes_.front().time < time - swing)
        slopes_.pop_front();
    double sum = 0;
    for (const Slope& kept : slopes_)
        sum += kept.slope;
    return sum / static_cast<double>(slopes_.size());
}

double SwingModel::meanSpan() const {
    const double swing = swingLength();
    if (swing == 0)
        return kMeanSeconds;
    double swings = std::max(2.0, std::round(kMeanSeconds / swing));
    if (swings * swing > kKeptSeconds)
        swings = std::max(2.0, swings - 1);
    return std::min(swings * swing, kKeptSeconds);
}

// Before two seconds have come, the means would cover part of a swing and keep much of it: the
// velocity would not cross zero until the means take over, and the first half-swings after
// them would stay black. Instead: the tilt that leaves the velocity the smallest range, and the
// middles of the velocity's and the position's ranges. Once a whole swing has come these no
// longer depend on where in the swing the samples began; a hand's unequal halves move its
// turns by a little more than the means do, which is why the means take over.
void SwingModel::learnTrendFromExtremes(double time) {
    auto middleOfRange = [&](auto value) {
        double low = INFINITY;
        double high = -INFINITY;
        for (const Sample& sample : samples_) {
            const double v = value(sample, sample.time - time);
            low = std::min(low, v);
            high = std::max(high, v);
        }
        return std::pair { (low + high) / 2, high - low };
    };
    auto velocityRange = [&](double slope) {
        return middleOfRange([slope](const Sample& sample, double since) {
                   return sample.velocity - slope * since;
               })
            .second;
    };
    // The range is convex in the tilt: a golden-section search finds its least.
    constexpr double kGolden = 0.6180339887498949;
    double low = -kLargestTilt;
    double high = kLargestTilt;
    double a = high - kGolden * (high - low);
    double b = low + kGolden * (high - low);
    double rangeA = velocityRange(a);
    double rangeB = velocityRange(b);
    for (int step = 0; step < kTiltSearchSteps; ++step) {
        if (rangeA <= rangeB) {
            high = b;
            b = a;
            rangeB = rangeA;
            a = high - kGolden * (high - low);
            rangeA = velocityRange(a);
        } else {
            low = a;
            a = b;
            rangeA = rangeB;
            b = low + kGolden * (high - low);
            rangeB = velocityRange(b);
        }
    }
    trendSlope_ = (low + high) / 2;
    const double slope = trendSlope_;
    trendLevel_ = middleOfRange([slope](const Sample& sample, double since) {
                      return sample.velocity - slope * since;
                  }).first;
    const double level = trendLevel_;
    trendPosition_ = middleOfRange([slope, level](const Sample& sample, double since) {
                         return sample.position - level * since - slope * since * since / 2;
                     }).first;
    trendTime_ = time;
}

void SwingModel::addSample(double time, double x) {
    if (!std::isfinite(time) || !std::isfinite(x))
        return;
    if (!samples_.empty() && time < samples_.back().time)
        return;

    // The integral of the raw reading, less the mean reading (tilt leaks gravity into x) and
    // less its own mean (the integral starts anywhere); the same for the integral of that, the
    // position.
    const double known = predictedHalfPeriod(0);
    double integral = 0;
    double position = 0;
    if (!samples_.empty()) {
        const Sample& previous = samples_.back();
        const double step = time - previous.time;
        integral = previous.velocity + (previous.x + x) / 2 * step;
        position = previous.position + (previous.velocity + integral) / 2 * step;
    }
    samples_.push_back({ time, x, integral, position });
    while (samples_.front().time < time - kKeptSeconds)
        samples_.pop_front();
    const double span = meanSpan();
    if (time - samples_.front().time >= span)
        learnTrendFromMeans(time, span);
    else
        learnTrendFromExtremes(time);
    const double y = x - trendSlope_;
    // The reading is the opposite of the acceleration, so u < 0 while the phone runs towards
    // the positive-x end.
    const double u = relativeVelocity(samples_.back());

    if (std::fabs(y) >= std::max(kStillAmplitude, kStrongShare * amplitude_))
        lastStrongTime_ = time;
    halfSpeed_ = std::max(halfSpeed_, std::fabs(u));
    halfAmplitude_ = std::max(halfAmplitude_, std::fabs(y));

    // A swing that has missed its turns has stopped: learn it anew.
    if (!turns_.empty() && known > 0 &&
        time - turns_.back().time > 2 * kStoppedHalfSwings * known) {
        turns_.clear();
        speed_ = 0;
        amplitude_ = 0;
        armed_[0] = armed_[1] = false;
    }

    // The band scales with this half-swing's own speed, so neither a start-up transient nor a
    // faster swing before it can hide the turn.
    const double band = std::max(kSlowestSwing, kSpeedShare * halfSpeed_);
    const int expected = turns_.empty() ? 0 : -turns_.back().side;
    const bool mayTurn =
        (turns_.empty() && time - samples_.front().time >= kFirstSwing) ||
        (!turns_.empty() &&
         time - turns_.back().time >=
             std::max(kShortestHalfSwing, isSettled() ? kEarliestTurnShare * known : 0.0));
    for (int side : { 1, -1 }) {
        if (expected != 0 && side != expected)
            continue;
        bool& armed = armed_[(side + 1) / 2];
        const double towards = -side * u; // speed towards that end
        if (towards > band) {
            armed = true;
        } else if (armed && towards < -band && mayTurn) {
            confirmTurn(side, crossingTime(side, time));
            return;
        }
    }
}

std::optional<double> SwingModel::unconfirmedEnd(const Turn& last) const {
    const Sample& newest = samples_.back();
    const double u = relativeVelocity(newest);
    // Running towards the end the last confirmed turn was at: a turn has come since.
    const int towards = u < 0 ? 1 : -1;
    if (towards != last.side)
        return std::nullopt;
    for (std::size_t i = samples_.size() - 1; i-- > 0 && samples_[i].time > last.time;) {
        const Sample& a = samples_[i];
        const double ua = relativeVelocity(a);
        if (ua * u > 0)
            continue;
        const Sample& b = samples_[i + 1];
        const double ub = relativeVelocity(b);
        const double share = ub != ua ? -ua / (ub - ua) : 0;
        return relativePosition(a.time + share * (b.time - a.time),
                                a.position + share * (b.position - a.position));
    }
    return std::nullopt;
}

bool SwingModel::isSettled() const {
    if (turns_.size() < 3)
        return false;
    const std::size_t last = turns_.size() - 1;
    const double newer = turns_[last].time - turns_[last - 1].time;
    const double older = turns_[last - 1].time - turns_[last - 2].time;
    return newer < kLargestRatio * older && older < kLargestRatio * newer;
}

std::optional<SwingModel::State> SwingModel::stateAt(double time) const {
    if (!isSettled() || amplitude_ < kStillAmplitude)
        return std::nullopt;
    const double half = predictedHalfPeriod(0);
    const Turn& last = turns_.back();
    if (half <= 0 || time - lastStrongTime_ > kStillShare * half ||
        time - last.time > half + predictedHalfPeriod(1))
        return std::nullopt;
    // The two ends reached last: the middle between them, and half their distance. Ends from
    // longer ago would average out a hand's uneven reach, but the integral wanders by more
    // than that over the time they span.
    const Turn& before = turns_[turns_.size() - 2];
    const double newerEnd = relativePosition(last.time, last.position);
    const double olderEnd = relativePosition(before.time, before.position);
    double middle = (newerEnd + olderEnd) / 2;
    const double reach = std::fabs(newerEnd - olderEnd) / 2;
    if (!(reach > 0))
        return std::nullopt;
    // A turn is confirmed a good part of the next half-swing late. Until then the middle is
    // taken between the last confirmed end and the place the velocity crossed zero since, so
    // that it does not move while the message is drawn. The reach waits for the confirmed end:
    // taken from the unconfirmed one as well, the columns come a little more evenly spaced but
    // lie further apart between the two directions.
    if (const std::optional<double> end = unconfirmedEnd(last))
        middle = (*end + newerEnd) / 2;

    // On from the last sample, with its acceleration.
    const Sample& sample = samples_.back();
    const double ahead = std::max(0.0, time - sample.time);
    const double acceleration = sample.x - trendSlope_;
    const double sampleVelocity = relativeVelocity(sample);
    const double velocity = sampleVelocity + acceleration * ahead;
    const double doubt = std::max(kSurestSpeed, kDoubtShare * speed_);
    if (std::fabs(velocity) < doubt)
        return std::nullopt;
    const double position = relativePosition(sample.time, sample.position) +
                            sampleVelocity * ahead + acceleration * ahead * ahead / 2;
    // The integral grows towards the negative-x end, and so does the velocity.
    const bool forwards = velocity < 0;
    // A forward half-swing begins at the negative-x end.
    const double sinceTurn = last.side == (forwards ? -1 : 1) ? time - last.time : -1;
    return State {
        forwards, (middle - position) / reach, std::fabs(velocity) / reach, half, doubt / reach,
        sinceTurn
    };
}

} // namespace sweeplight::display
