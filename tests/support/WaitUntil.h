#pragma once

#include <functional>

namespace sweeplight::fixtures {

// Runs Qt's event loop until `done` holds or `seconds` of real time have passed, for tests
// against real sockets and the kernel; returns whether `done` holds. Needs the application
// object. Never a timing assertion: the limit only keeps a broken test from hanging.
bool waitUntil(const std::function<bool()>& done, double seconds = 5.0);

// Runs Qt's event loop for `seconds` of real time, for events that may or may not come.
void settle(double seconds);

} // namespace sweeplight::fixtures
