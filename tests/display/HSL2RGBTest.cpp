#include "display/HSL2RGB.h"

#include <gtest/gtest.h>

using sweeplight::display::HSL2RGB;

TEST(HSL2RGB, NoSaturationIsGrey) {
    float r = -1, g = -1, b = -1;
    HSL2RGB(0.3f, 0, 0.55f, &r, &g, &b);
    EXPECT_FLOAT_EQ(r, 0.55f);
    EXPECT_FLOAT_EQ(g, 0.55f);
    EXPECT_FLOAT_EQ(b, 0.55f);
}

TEST(HSL2RGB, WritesOnlyTheGivenDestinations) {
    float r = -1, b = -1;
    HSL2RGB(0, 0, 0.55f, &r, nullptr, &b);
    EXPECT_FLOAT_EQ(r, 0.55f);
    EXPECT_FLOAT_EQ(b, 0.55f);
    HSL2RGB(0, 1, 0.55f, nullptr, nullptr, nullptr);
}

TEST(HSL2RGB, RainbowThirdsArePrimaries) {
    struct Case {
        float hue;
        float r, g, b;
    };
    // Saturation 1 and lightness 0.55: t2 = 1.0, t1 = 0.1.
    for (const Case& c : { Case { 0, 1.0f, 0.1f, 0.1f }, Case { 1.0f / 3, 0.1f, 1.0f, 0.1f },
                           Case { 2.0f / 3, 0.1f, 0.1f, 1.0f } }) {
        float r, g, b;
        HSL2RGB(c.hue, 1, 0.55f, &r, &g, &b);
        EXPECT_NEAR(r, c.r, 1e-5) << c.hue;
        EXPECT_NEAR(g, c.g, 1e-5) << c.hue;
        EXPECT_NEAR(b, c.b, 1e-5) << c.hue;
    }
}

TEST(HSL2RGB, RampsBetweenPrimaries) {
    float r, g, b;
    // Hue 1/12 lies on the rising edge of green: t1 + (t2 - t1) * 6 * (1/12) = 0.55.
    HSL2RGB(1.0f / 12, 1, 0.55f, &r, &g, &b);
    EXPECT_NEAR(r, 1.0f, 1e-5);
    EXPECT_NEAR(g, 0.55f, 1e-5);
    EXPECT_NEAR(b, 0.1f, 1e-5);
    // Lightness above one half uses l + s - l * s.
    HSL2RGB(0, 0.5f, 0.75f, &r, &g, &b);
    EXPECT_NEAR(r, 0.875f, 1e-5);
    EXPECT_NEAR(g, 0.625f, 1e-5);
}
