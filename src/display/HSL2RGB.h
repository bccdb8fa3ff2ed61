#pragma once

namespace sweeplight::display {

// Hue, saturation and lightness in [0, 1] to red, green and blue. Each output is written only
// when its destination is given (non-null).
void HSL2RGB(float h, float s, float l, float* outR, float* outG, float* outB);

} // namespace sweeplight::display
