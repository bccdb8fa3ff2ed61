#pragma once

namespace sweeplight::app {

// Registers the pictures compiled into the app library. A static library's resources are
// dropped by the linker unless something refers to them, so every screen that loads one calls
// this first; later calls do nothing.
void initAppResources();

} // namespace sweeplight::app
