#pragma once

namespace sweeplight::app {

// The user's settings in the preferences store.
inline constexpr char kHasAppOpenedKey[] = "kHasAppOpenedKey";
inline constexpr char kRecentTextKey[] = "kRecentTextKey";
inline constexpr char kRecentColorRKey[] = "kRecentColorRKey";
inline constexpr char kRecentColorGKey[] = "kRecentColorGKey";
inline constexpr char kRecentColorBKey[] = "kRecentColorBKey";
inline constexpr char kRainbowOnKey[] = "kRainbowOnKey";
// Steady letters (placed where the phone is) instead of frame-stepped columns; off when absent.
inline constexpr char kSteadyLettersKey[] = "kSteadyLettersKey";

// Alerts.
inline constexpr char kOkButtonTitle[] = "OK";

} // namespace sweeplight::app
