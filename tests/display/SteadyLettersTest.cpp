#include "display/WaveDisplay.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <set>
#include <vector>

using namespace sweeplight::display;
using Content = DrawnFrame::Content;

namespace {

struct Frame {
    double time;
    DrawnFrame drawn;
    bool trulyForwards;
};

// A noisy 1 Hz, 1 g swing: 70 samples and 120 frames a second, on the display's clock.
std::vector<Frame> swing(WaveDisplay& display, double seconds) {
    constexpr double kFrequency = 1;
    double clock = 0;
    display.setClock([&clock] { return clock; });
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0, 0.03);
    std::vector<Frame> frames;
    long sample = 0;
    long frame = 1;
    while (true) {
        const double sampleTime = sample / 70.0;
        const double frameTime = frame / 120.0;
        if (std::min(sampleTime, frameTime) > seconds)
            break;
        const double omega = 2 * std::numbers::pi * kFrequency;
        if (sampleTime <= frameTime) {
            clock = sampleTime;
            display.didAccelerate(std::sin(omega * sampleTime) + noise(random), -1, 0);
            ++sample;
        } else {
            clock = frameTime;
            frames.push_back({ frameTime, display.drawView(), std::cos(omega * frameTime) > 0 });
            ++frame;
        }
    }
    display.setClock(nullptr);
    return frames;
}

} // namespace

TEST(SteadyLetters, DrawEveryColumnInTheRightDirectionOnceTheSwingIsLearned) {
    struct Case {
        const char* name;
        bool picture;
        bool repeat;
    };
    for (const Case& c : { Case { "message", false, false }, Case { "picture", true, false },
                           Case { "repeated picture", true, true } }) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
        ASSERT_TRUE(display);
        display->setMessage(QStringLiteral(" h i "));
        QImage picture(9, 4, QImage::Format_ARGB32);
        picture.fill(qRgb(255, 255, 255));
        display->setImageRef(picture);
        display->setInImageMode(c.picture);
        display->setInRepeatMode(c.repeat);
        EXPECT_FALSE(display->steadyLetters());
        display->setSteadyLetters(true);
        const int length = c.picture ? 9 : display->strip().messageLength();

        const std::vector<Frame> frames = swing(*display, 8);
        std::set<int> halfSwing;
        bool previous = frames.front().trulyForwards;
        int wholeHalfSwings = 0;
        for (const Frame& frame : frames) {
            if (frame.time < 0.5) {
                EXPECT_EQ(frame.drawn.column, -1) << "drawn before the swing was learned";
            }
            if (frame.trulyForwards != previous) {
                if (frame.time > 4)
                    wholeHalfSwings += static_cast<int>(halfSwing.size()) == length ? 1 : 0;
                halfSwing.clear();
                previous = frame.trulyForwards;
            }
            if (frame.time < 3.5 || frame.drawn.column < 0)
                continue;
            EXPECT_EQ(frame.drawn.content, c.picture ? Content::Picture : Content::Column);
            EXPECT_EQ(frame.drawn.forwards, frame.trulyForwards) << "mirrored at " << frame.time;
            halfSwing.insert(frame.drawn.column);
        }
        EXPECT_GE(wholeHalfSwings, 6);
    }
}

TEST(SteadyLetters, LeaveWholeLetterModeFrameStepped) {
    std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
    ASSERT_TRUE(display);
    display->setMessage(QStringLiteral("ab"));
    display->setDrawWholeLetterMode(true);
    display->setSteadyLetters(true);
    EXPECT_EQ(display->drawView().content, Content::Letter);
    EXPECT_EQ(display->drawView().content, Content::Black);
    EXPECT_EQ(display->drawView().column, 1);
}
