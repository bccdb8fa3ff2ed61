#pragma once

namespace sweeplight::motion {

// Standard gravity in m/s^2: sources that measure in m/s^2 divide by it to report g.
inline constexpr double kStandardGravity = 9.80665;

} // namespace sweeplight::motion
