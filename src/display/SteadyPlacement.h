#pragma once

#include "SwingModel.h"

namespace sweeplight::display {

// Where steady letters put the columns of a message or picture (`length` columns) along a
// swing, so that each column shows where it belongs in the air: the message centred on the
// middle of the swing, at the same place in both directions.
//
// The phone's position runs from one end of the swing (-1) to the other (+1), and the place
// alone picks the column, so it lands where it did in the other direction. When the message is
// short enough, each column owns an equal slot of that range, at least as wide as the phone
// moves in a frame at the middle of the swing. Longer ones get slots as wide as that travel
// near the middle and even slots further out, out to the black ends; a message that needs
// more than one column a frame on a sine-like swing gets slots one frame's travel wide all
// along. For messages that do not fit evenly the travel is the largest of the last few
// half-swings in both directions: a hand's rate drifts and its halves differ, and slots laid
// for the fastest keep the columns from falling behind the place in the fast half-swings while
// the layout stays the same from one direction to the next. Right at either end: black.
//
// Where a slot is between one and one and a half frames' travel wide, the frames alone keep
// the columns from being spaced quite evenly: a column shows where its frames were (one frame,
// or the middle between two), so neighbours lie one or one and a half frames' travel apart,
// however the frames are given out. Drawing each column only on the frame nearest its slot's
// centre makes it worse (one or two frames apart); so does widening even slots to the largest
// travel of the last half-swings (more slots a frame and a half wide in the slower ones).
//
// On a swing that repeats itself, as a sine does, a message near that bound is drawn one column
// a frame instead, timed from the middle of the half-swing: neighbours then lie as far apart as
// the phone moves in a frame, which changes less than that between the middle and the ends of a
// message that fills at most the middle of the swing. Its start is picked so that its frames lie
// off their columns' middles as the last half-swing's did, and both directions draw alike.
//
// The two directions of a hand's swing do not move alike, so where one outruns its slots its
// columns fall behind in the direction it runs, and a column lands in different places the two
// ways. A lead learned from how far each direction fell behind at each place starts the columns
// early in both directions by the same amount, so the message is drawn the same way each time.
class SteadyPlacement final {
public:
    // Reach (share of the swing's range to either side of the middle) an evenly spaced message
    // fills.
    static constexpr double kEvenSpan = 0.85;
    // Share of the half-swing at either end that stays black (of its time, on a sine-like
    // swing).
    static constexpr double kEndGuard = 0.07;

    // The column to draw at `position` (-1 to 1) when the phone moves at most `step` (of the
    // same unit) in a frame, at the middle of the swing; -1 for black. With `repeats` the
    // columns run on past either end of the picture, so it repeats along the swing.
    static int column(double position, double step, int length, bool repeats = false);
    // The column for this frame, following column() from frame to frame within a half-swing
    // without skipping one: where a slot is little more than a frame's travel, a measured place a
    // little off or a half-swing a little fast would otherwise now and then jump a column. One
    // that comes too soon waits while the one before is drawn again; a late one is caught up one
    // a frame. Past the middle, once no more frames are left before the turn than columns (told
    // by the speed against this half-swing's peak, which unlike the place does not depend on a
    // reach that drifts), it steps one a frame.
    int follow(const SwingModel::State& state, double frameInterval, int length,
               bool repeats = false);

    // Whether `length` columns are spaced evenly (a slot at least one frame step wide at the
    // middle of the swing) rather than stepped one per frame.
    static bool fitsEvenly(double halfPeriod, double frameInterval, int length);
    // The longest message that is spaced evenly, and the longest one shown whole (one column per
    // frame between the black ends).
    static int longestEven(double halfPeriod, double frameInterval);
    static int longestWhole(double halfPeriod, double frameInterval);

private:
    // Columns from the middle of the message to `position` (negative before it).
    static double columnsFromMiddle(double position, double step, int length);
    // Whether a message that only just fits evenly is drawn one column a frame instead, and
    // the column for this frame when it is.
    bool steps(double meanHalf, double frameInterval, int length) const;
    int stepOneAFrame(const SwingModel::State& state, double meanHalf, double frameInterval,
                      int length);
    // The learned lead at `position`, in columns, less a dead band that noise alone stays in.
    double leadAt(double position) const;
    // Learns the lead from the half-swing that just ended and the last one the other way.
    void learnLead(bool endedForwards);

    // The last column drawn in this half-swing, counted in the order it draws them; -1 for none.
    int drawn_ { -1 };
    // Messages whose even slots are narrower than this many frames' travel are stepped one a
    // frame where, on a sine-like swing, the neighbours' gaps then differ by no more than
    // kSteppedGaps between the middle and the message's ends; and only where the swing repeats
    // itself: the last half-swings' lengths and peak speeds within these shares of each other
    // (a sensor's noise alone moves the peaks by up to a sixth, a hand's halves by half).
    static constexpr double kSteppedSlots = 1.6;
    static constexpr double kSteppedGaps = 1.45;
    static constexpr double kRegularHalves = 1.15;
    static constexpr double kRegularPeaks = 1.25;
    // How far (in columns) the places of this half-swing's frames lay past their columns'
    // middles, and the same of the last half-swing, which this one follows.
    double offsetSum_ { 0 };
    int offsetCount_ { 0 };
    double offsetTarget_ { 0 };
    // The peak speed (within kPeakZone of the middle) and the expected length of each of the
    // last few half-swings, and of this one so far.
    static constexpr int kKeptHalves = 4;
    static constexpr double kPeakZone = 0.5;
    double peaks_[kKeptHalves] {};
    double halves_[kKeptHalves] {};
    int nextKept_ { 0 };
    double halfPeak_ { 0 };
    double lastHalf_ { 0 };
    bool forwards_ { true };
    int length_ { 0 };
    // On a hand the two directions differ in speed, and where the faster one outruns its
    // slots its columns fall behind the place while the slower one keeps up. Both directions
    // therefore start each column early by the same lead, learned at each of kPlaces equal
    // parts of the swing from how far the columns drawn there fell behind the layout (the
    // column against the one the place asks for, in columns) in the last half-swing each way.
    static constexpr int kPlaces = 20;
    double behindSum_[kPlaces] {};
    int behindCount_[kPlaces] {};
    double lastBehind_[2][kPlaces] {}; // [forwards]
    bool lastSeen_[2][kPlaces] {};
    double lead_[kPlaces] {};
};

} // namespace sweeplight::display
