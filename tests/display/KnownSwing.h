#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

// A swing of known path: a sine, or a hand whose rate and reach drift, with unequal halves.
struct KnownSwing {
    double frequency = 1; // Hz
    double peak = 1;      // g
    double drift = 0;     // share by which rate (and 4/3 of it, reach) wander
    double harmonic = 0;  // second harmonic, share of the reach
    double sampleRate = 70;

    static constexpr double kPi = std::numbers::pi;
    static constexpr double kGravity = 9.80665;

    double amplitude() const { return peak * kGravity / std::pow(2 * kPi * frequency, 2); }
    double position(double t) const {
        const double theta =
            2 * kPi * frequency * t + drift * 2 * std::sin(2 * kPi * 0.3 * frequency * t);
        const double reach = 1 + drift * 1.3 * std::sin(2 * kPi * 0.23 * frequency * t + 0.4);
        return amplitude() * reach * (std::sin(theta) + harmonic * std::sin(2 * theta + 0.9));
    }
    double velocity(double t) const { return (position(t + 1e-5) - position(t - 1e-5)) / 2e-5; }
    // The accelerometer's x (g): the opposite of the acceleration.
    double reading(double t) const {
        constexpr double h = 1e-4;
        return -(position(t + h) - 2 * position(t) + position(t - h)) / (h * h) / kGravity;
    }
    // Noisy samples (time, x) 70 a second and, between them, frames (time) 120 a second.
    template <class OnSample, class OnFrame>
    void run(double seconds, OnSample onSample, OnFrame onFrame) const {
        std::mt19937 random(3);
        std::normal_distribution<double> noise(0, 0.03);
        for (long sample = 0, frame = 1; std::min(sample / 70.0, frame / 120.0) <= seconds;) {
            if (const double t = sample / 70.0; t <= frame / 120.0)
                onSample(t, reading(t) + noise(random)), ++sample;
            else
                onFrame(frame++ / 120.0);
        }
    }
};
