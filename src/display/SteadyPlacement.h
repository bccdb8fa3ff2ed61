#pragma once

namespace sweeplight::display {

// Where steady letters put the columns of a message or picture (`length` columns) along a
// swing, so that each column shows where it belongs in the air: the message centred on the
// middle of the swing, at the same place in both directions.
//
// The phone's position runs from one end of the swing (-1) to the other (+1). When the message
// is short enough, each column owns an equal slot of that range, at least as wide as the phone
// moves in a frame at the middle of the swing, and is drawn on the frames whose position falls
// in it: the place alone picks the column, so it lands where it did in the other direction.
// Longer messages step one column a frame, timed from the middle of the swing as a sine-like
// swing would pass it, so the message still sits centred. Right at either end: black.
//
// Where a slot is between one and one and a half frames' travel wide, the frames alone keep
// the columns from being spaced quite evenly: a column shows where its frames were (one frame,
// or the middle between two), so neighbours lie one or one and a half frames' travel apart,
// however the frames are given out. Drawing each column only on the frame nearest its slot's
// centre makes it worse (one or two frames apart). Stepping such a message one column a frame
// spaces it evenly, but the timing from the middle lands a column up to one or two columns
// apart in the two directions on a noisy or hand-made swing.
class SteadyPlacement final {
public:
    // Reach (share of the swing's range to either side of the middle) an evenly spaced message
    // fills.
    static constexpr double kEvenSpan = 0.85;
    // Share of the half-swing at either end that stays black (of its time, on a sine-like
    // swing).
    static constexpr double kEndGuard = 0.1;

    // The column to draw at `position` (-1 to 1) of a swing whose half-swing lasts
    // `halfPeriod` seconds, with frames every `frameInterval` seconds; -1 for black. The
    // direction and `speed` (of the position, per second) time a stepped message. With
    // `repeats` the columns run on past either end of the picture, so it repeats along the
    // swing.
    static int column(bool forwards, double position, double speed, double halfPeriod,
                      double frameInterval, int length, bool repeats = false);
    // The column for this frame, following column() from frame to frame within a half-swing
    // without skipping one: where a slot is little more than a frame's travel, or the columns
    // step one a frame, a measured place a little off or a half-swing a little fast would
    // otherwise now and then jump a column. One that comes too soon waits while the one before
    // is drawn again; a late one is caught up one a frame.
    int follow(bool forwards, double position, double speed, double halfPeriod,
               double frameInterval, int length, bool repeats = false);

    // Whether `length` columns are spaced evenly (a slot at least one frame step wide at the
    // middle of the swing) rather than stepped one per frame.
    static bool fitsEvenly(double halfPeriod, double frameInterval, int length);
    // The longest message that is spaced evenly, and the longest one shown whole (one column per
    // frame between the black ends).
    static int longestEven(double halfPeriod, double frameInterval);
    static int longestWhole(double halfPeriod, double frameInterval);

private:
    // The last column drawn in this half-swing, counted in the order it draws them; -1 for none.
    int drawn_ { -1 };
    bool forwards_ { true };
    int length_ { 0 };
};

} // namespace sweeplight::display
