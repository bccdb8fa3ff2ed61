#include "display/HSL2RGB.h"

#include <cmath>
#include <gtest/gtest.h>

using sweeplight::display::HSL2RGB;

TEST(HSL2RGB, ConvertsAndWritesOnlyTheGivenDestinations) {
    const struct {
        float h, s, l;
        float r, g, b;
    } rows[] = {
        { 0.3f, 0, 0.55f, 0.55f, 0.55f, 0.55f }, // no saturation: grey
        // Saturation 1 and lightness 0.55: t2 = 1.0, t1 = 0.1; the thirds are primaries.
        { 2.0f / 3, 1, 0.55f, 0.1f, 0.1f, 1.0f },
        // Hue 1/12 lies on the rising edge of green: t1 + (t2 - t1) * 6 * (1/12) = 0.55.
        { 1.0f / 12, 1, 0.55f, 1.0f, 0.55f, 0.1f },
        // Lightness above one half uses l + s - l * s.
        { 0, 0.5f, 0.75f, 0.875f, 0.625f, 0.625f },
    };
    for (const auto& row : rows) {
        float r = -1, g = -1, b = -1;
        HSL2RGB(row.h, row.s, row.l, &r, &g, &b);
        EXPECT_TRUE(std::fabs(r - row.r) + std::fabs(g - row.g) + std::fabs(b - row.b) < 1e-5)
            << row.h << " " << row.s << " " << row.l << ": " << r << " " << g << " " << b;
        float onlyRed = -1;
        HSL2RGB(row.h, row.s, row.l, &onlyRed, nullptr, nullptr);
        EXPECT_NEAR(onlyRed, row.r, 1e-5);
    }
    HSL2RGB(0, 1, 0.55f, nullptr, nullptr, nullptr);
}
