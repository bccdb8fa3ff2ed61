#pragma once

#include <deque>
#include <optional>

namespace sweeplight::display {

// Learns a hand's swing from the sideways acceleration alone and tells, for any moment, in
// which direction the phone runs and where it is between the two ends of the swing.
//
// A turn-around is where the phone's velocity changes sign. The velocity is the integral of the
// acceleration, taken relative to its mean over about two seconds of whole swings (tilt leaks
// gravity into x, and an accelerometer cannot see a steady drift); until those have come,
// relative to the middle of its range, so that the first swing is learned without waiting.
// Those seconds hold a hand's swings only roughly, as its rate drifts and its halves differ, and
// their mean reading keeps a little of the swing, which turns with it: one direction's places
// would come out further along than the other's. On such a swing the mean reading is itself
// averaged over the last swing, which takes out whatever turns with the swing; on a regular one
// it stays the mean of its own two seconds, which follows the sensor's noise more closely.
// Integration damps the sensor noise and the harmonics of a hand's swing, which shift the peaks of
// the acceleration itself away from the ends. A turn is confirmed only once the velocity has left a
// hysteresis band on the other side, no sooner than a minimum share of the learned half-swing, so
// noise cannot fire it early; its time is the zero crossing of a line fitted to the velocity around
// it, and it is confirmed a little after it happened. The length of the coming half-swing is
// predicted from the last one in the same direction, so unequal halves and a drifting rate are
// followed.
//
// Where the phone is comes from integrating once more, not from the time since the turn: a
// hand's rate drifts within a swing and its path is no cosine, so any position predicted from
// the timing alone lands a different place in the two directions. The integral's drift is
// taken out as the velocity's is, and it only ever counts across the last swing: the phone's
// place is measured against the two ends it reached last (their middle and their distance),
// which also follows a reach that drifts and ends that are not symmetric; the middle counts a
// turn from where the velocity crossed zero, before it is confirmed. The direction is the
// sign of the velocity; near a turn, where the velocity is too small to be sure of it, there is
// no answer.
class SwingModel final {
public:
    struct State {
        bool forwards { true }; // running towards the device's right (the positive-x end)
        // -1 at the left end of the swing, +1 at the right end, 0 in the middle between them.
        double position { 0 };
        double speed { 0 };      // of the position, per second
        double halfPeriod { 0 }; // seconds the half-swing is expected to last
        // The speed below which the direction is in doubt, near the ends, and no state is told.
        double doubtSpeed { 0 };
        // Seconds since the turn this half-swing began at; negative until that turn is confirmed.
        double sinceTurn { -1 };
    };

    // One sample: its time (seconds, any origin, not decreasing) and the raw x in g.
    void addSample(double time, double x);
    // Where the phone is at `time` (at or after the last sample), or nothing while no swing has
    // been learned, the phone is held still, the swing has stopped or the direction is in doubt.
    std::optional<State> stateAt(double time) const;
    // Forgets everything learned.
    void reset();

    int turnCount() const { return turnCount_; }
    // The last confirmed turn-around: its time, and whether it ended a forward half-swing.
    double lastTurnTime() const { return turns_.empty() ? 0 : turns_.back().time; }
    bool lastTurnEndedForwards() const { return !turns_.empty() && turns_.back().side > 0; }

    // The velocity (g s) must leave a band of this size, or of this share of the swing's
    // speed, on the far side of zero before a turn counts.
    static constexpr double kSlowestSwing = 0.03;
    static constexpr double kSpeedShare = 0.3;
    // Half-swings shorter than this (seconds) are not a hand's.
    static constexpr double kShortestHalfSwing = 0.1;
    // A swing whose acceleration stays below this (g) is the phone held still.
    static constexpr double kStillAmplitude = 0.2;
    // The direction is in doubt while the velocity is below this share of the swing's speed, or
    // below this velocity (g s) on any swing: a sensor's noise moves the velocity told near a
    // turn by well under it.
    static constexpr double kDoubtShare = 0.1;
    static constexpr double kSurestSpeed = 0.015;

private:
    struct Sample {
        double time;
        double x;
        double velocity; // running integral of the raw x, g s
        double position; // running integral of that, g s^2
    };
    struct Turn {
        double time;
        int side;        // +1 at the positive-x end (ends a forward half-swing), -1 at the other
        double position; // the running integral's position there
    };

    double predictedHalfPeriod(std::size_t ahead) const;
    // The last two half-swings are alike enough to predict from.
    bool isSettled() const;
    double crossingTime(int side, double relativeTo) const;
    void confirmTurn(int side, double time);
    double rawPositionAt(double time) const;
    // The end of a turn that has come since `last` but is not yet confirmed: the position where
    // the velocity crossed zero.
    std::optional<double> unconfirmedEnd(const Turn& last) const;
    // Seconds the means run over: whole swings, about two seconds of them, once the swing is
    // known. A raised cosine over two or more whole swings lets nothing of the swing or its
    // harmonics through; over a span that is not, it keeps a few percent of the swing, and the
    // position's parabola grows that into a fifth of the reach within a half-swing.
    double meanSpan() const;
    // Seconds of the last whole swing (the mean of the last two where they are known), or 0.
    double swingLength() const;
    // How far (0 to 1) the last half-swings' lengths differ: from a regular swing's to a hand's.
    double unevenness() const;
    // The mean reading `slope` just taken, averaged with the ones taken over the last swing.
    double slopeOverLastSwing(double time, double slope);
    void learnTrendFromMeans(double time, double span);
    void learnTrendFromExtremes(double time);

    std::deque<Sample> samples_;
    std::deque<Turn> turns_;
    struct Slope {
        double time;
        double slope;
    };
    std::deque<Slope> slopes_; // the mean readings taken over the last swing
    int turnCount_ { 0 };
    // The straight line taken out of the integral: level at trendTime_, and slope (the mean
    // reading).
    double relativeVelocity(const Sample& sample) const {
        return sample.velocity - trendLevel_ - trendSlope_ * (sample.time - trendTime_);
    }
    // The same for the position integral: the parabola that goes with that line taken out. As
    // the reading is the opposite of the acceleration, this grows towards the negative-x end.
    double relativePosition(double time, double position) const {
        const double age = time - trendTime_;
        return position - trendPosition_ - trendLevel_ * age - trendSlope_ * age * age / 2;
    }
    double trendPosition_ { 0 };
    double trendLevel_ { 0 };
    double trendSlope_ { 0 };
    double trendTime_ { 0 };
    double speed_ { 0 };     // running size of the velocity's extremes, g s
    double amplitude_ { 0 }; // running size of the acceleration's extremes, g
    double halfSpeed_ { 0 }; // largest |velocity| and |acceleration| since the last turn
    double halfAmplitude_ { 0 };
    double lastStrongTime_ { 0 };
    bool armed_[2] { false, false }; // moving towards the end at index (side + 1) / 2
};

} // namespace sweeplight::display
