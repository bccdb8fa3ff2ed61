#pragma once

namespace sweeplight::display {

// Where steady letters put the columns of a message or picture (`length` columns) along a
// swing, so that each column shows where it belongs in the air: the message centred on the
// middle of the swing, at the same place in both directions.
//
// The phone's position runs from one end of the swing (-1) to the other (+1). When the message
// is short enough, each column owns an equal slot of that range and is drawn on every frame
// whose position falls in it; a slot must then be several frame steps wide at the middle of the
// swing (taken as a sine-like swing there), or the count of frames per slot would alternate and
// the columns wobble. Longer messages step one column every frame (or every few frames), timed
// from the middle of the swing as a sine-like swing would pass it, so no column is skipped and
// the message still sits centred. Right at either end: black.
class SteadyPlacement final {
public:
    // Reach (share of the swing's range to either side of the middle) an evenly spaced message
    // fills.
    static constexpr double kEvenSpan = 0.85;
    // A stepped message is made as wide as this share of the reach, in whole frames per column.
    static constexpr double kSteppedSpan = 0.7;
    // Even slots must be this many frame steps wide at the middle of the swing.
    static constexpr double kEvenSlotFrames = 3;
    // Share of the half-swing at either end that stays black (of its time, on a sine-like
    // swing).
    static constexpr double kEndGuard = 0.1;

    // The column to draw at `position` (-1 to 1) of a swing whose half-swing lasts
    // `halfPeriod` seconds, with frames every `frameInterval` seconds; -1 for black. With
    // `repeats` the columns run on past either end of the picture, so it repeats along the
    // swing.
    static int column(bool forwards, double position, double speed, double halfPeriod,
                      double frameInterval, int length, bool repeats = false);
    // The column for this frame, following column() from frame to frame within a half-swing
    // without skipping one: the place of the phone is measured with some noise, which would
    // otherwise now and then jump a column where they step one per frame. A column that comes
    // too soon is held one more frame instead; one that comes late is caught up one a frame.
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
