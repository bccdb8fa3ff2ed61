#pragma once

#include <functional>

namespace sweeplight::display {

// Follows the swing of the phone from the raw accelerometer samples: finds the turn-arounds at
// either end, and keeps the stillness score that asks for the wave hint.
class SweepTracker final {
public:
    // One sample in g, device axes (see motion/Accelerometer.h for the sign convention).
    void didAccelerate(double x, double y, double z);

    // Called from inside didAccelerate, in the order the rules fire: a strong motion hides the
    // hint, a long stillness shows it (again on every sample while it lasts), a turn-around
    // resets the cursors (true: forwards, to the start; false: backwards, to the end).
    std::function<void()> onShowWavePhone;
    std::function<void()> onHideWavePhone;
    std::function<void(bool forwards)> onTurn;

    bool isGoingForwards() const { return isGoingForwards_; }
    float oldDx() const { return oldDx_; }

    // The stillness score; the hint handlers reset it and the brief hint raises it to 100.
    float noMotionRating { 0 };

    // The per-axis motion filter state.
    float accelX { 0 };
    float accelY { 0 };
    float accelZ { 0 };

    // Compared in double against the float values, as the thresholds are written.
    static constexpr double kTurnThreshold = 0.4;
    static constexpr double kStrongMotion = 0.72;
    static constexpr double kStillnessThreshold = 5.4;
    static constexpr double kStillnessStep = 0.01;

    static constexpr const char* kFlopLog = "FLOP";
    static constexpr const char* kFlipLeftLog = "----- FLIP ++ LEFT ";
    static constexpr const char* kLeftLog = "----- LEFT ???";

private:
    void turn(bool forwards, const char* line);

    bool isGoingForwards_ { true };
    float oldDx_ { 0 };
    float currentAcceleration[2] { 0, 0 };
};

} // namespace sweeplight::display
