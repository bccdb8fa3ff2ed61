#include "KnownSwing.h"
#include "display/WaveDisplay.h"

#include <QImage>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <vector>

using namespace sweeplight::display;
using Content = DrawnFrame::Content;

TEST(SteadyLetters, DrawEveryColumnInTheRightDirectionOnceTheSwingIsLearned) {
    for (const bool picture : { false, true }) {
        SCOPED_TRACE(picture ? "picture" : "message");
        double clock = 0;
        const std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
        ASSERT_TRUE(display);
        display->setClock([&clock] { return clock; });
        display->setMessage(QStringLiteral(" h i "));
        QImage image(9, 4, QImage::Format_ARGB32);
        image.fill(qRgb(255, 255, 255));
        display->setImageRef(image);
        display->setInImageMode(picture);
        display->setSteadyLetters(true);
        const int length = picture ? 9 : display->strip().messageLength();
        const KnownSwing swing;
        std::vector<std::set<int>> halves(17); // the columns drawn in each true half-swing
        const auto onSample = [&](double t, double x) {
            clock = t, display->didAccelerate(x, -1, 0);
        };
        swing.run(8, onSample, [&](double t) {
            clock = t;
            const DrawnFrame drawn = display->drawView();
            const bool forwards = swing.velocity(t) > 0;
            if (t < 0.5) {
                EXPECT_EQ(drawn.column, -1) << "drawn before the swing was learned";
            }
            if (t < 3.5 || drawn.column < 0)
                return;
            EXPECT_EQ(drawn.content, picture ? Content::Picture : Content::Column);
            EXPECT_EQ(drawn.forwards, forwards) << "mirrored at " << t;
            halves[static_cast<std::size_t>(2 * t + 0.5)].insert(drawn.column);
        });
        EXPECT_GE(
            std::ranges::count(halves, static_cast<std::size_t>(length), &std::set<int>::size), 6);
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
