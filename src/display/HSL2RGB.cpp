#include "HSL2RGB.h"

namespace sweeplight::display {

namespace {
double channel(double t1, double t2, double t) {
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (6 * t < 1)
        return t1 + (t2 - t1) * 6 * t;
    if (2 * t < 1)
        return t2;
    if (3 * t < 2)
        return t1 + (t2 - t1) * (2.0 / 3.0 - t) * 6;
    return t1;
}
} // namespace

void HSL2RGB(float h, float s, float l, float* outR, float* outG, float* outB) {
    double red = l;
    double green = l;
    double blue = l;
    if (s != 0) {
        const double t2 = l < 0.5 ? double(l) * (1 + double(s)) : double(l) + s - double(l) * s;
        const double t1 = 2 * double(l) - t2;
        red = channel(t1, t2, h + 1.0 / 3.0);
        green = channel(t1, t2, h);
        blue = channel(t1, t2, h - 1.0 / 3.0);
    }
    if (outR)
        *outR = static_cast<float>(red);
    if (outG)
        *outG = static_cast<float>(green);
    if (outB)
        *outB = static_cast<float>(blue);
}

} // namespace sweeplight::display
