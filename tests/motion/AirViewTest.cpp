#include "motion/AirView.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <vector>

using namespace sweeplight::motion;

namespace {

// A black screen with the given rectangles lit.
QImage screen(const std::vector<std::pair<QRect, QColor>>& lit) {
    QImage frame(AirView::kScreenWidth, AirView::kScreenHeight, QImage::Format_RGBA8888);
    frame.fill(Qt::black);
    QPainter painter(&frame);
    for (const auto& [rect, colour] : lit)
        painter.fillRect(rect, colour);
    return frame;
}

// The first and last image column holding any light on row `y`, run after run.
std::vector<int> litRuns(const QImage& image, int y) {
    std::vector<int> runs;
    for (int x = 0; x < image.width(); ++x) {
        const bool lit = (image.pixel(x, y) & 0xffffff) != 0;
        const bool wasLit = x > 0 && (image.pixel(x - 1, y) & 0xffffff) != 0;
        if (lit != wasLit)
            runs.push_back(lit ? x : x - 1);
    }
    return runs;
}

} // namespace

// The screen faces the onlooker at its physical scale: its left on the onlooker's left, its top
// on top, and moving the phone to its right moves the light to the image's right.
TEST(AirView, PaintsTheScreenWhereThePhoneIsFacingTheOnlooker) {
    const double scale = 0.5;
    AirView view(0.1, scale);
    // The whole screen fits at both ends of the swing.
    EXPECT_GE(view.imageX(-0.1) - 160 * scale, 0);
    EXPECT_LE(view.imageX(0.1) + 160 * scale, view.image().width());
    EXPECT_GE(view.image().height(), 480 * scale);
    EXPECT_EQ(view.image().size(), AirView::imageSize(0.1, scale));
    // A swing a thousand kilometres wide saturates instead of overflowing, so callers can refuse
    // it.
    EXPECT_EQ(AirView::imageSize(1e6, 1).width(), 1000000000);

    const QImage bar = screen({ { QRect(145, 0, 18, 240), Qt::red } });
    view.expose(bar, 0.0);
    view.expose(bar, 0.02);
    // 2 cm is 128 screen pixels of a 50 mm, 320-pixel screen: 64 image pixels apart.
    const int left = static_cast<int>(view.imageX(0) + (145 - 160) * scale);
    const std::vector<int> expected { left, left + 8, left + 64, left + 72 };
    const auto runs = litRuns(view.image(), static_cast<int>(view.imagePoint(0, { 150, 100 }).y()));
    ASSERT_EQ(runs.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(runs[i], expected[i], 1) << i;
    EXPECT_TRUE(
        litRuns(view.image(), static_cast<int>(view.imagePoint(0, { 150, 300 }).y())).empty())
        << "the bottom half stays dark";
}

TEST(AirView, WhereLightFallsTwiceTheBrighterStaysAndBlackFramesLeaveNothing) {
    AirView view(0.05, 0.5);
    view.expose(screen({}), 0);
    EXPECT_TRUE(litRuns(view.image(), view.image().height() / 2).empty());
    const QRect bar(100, 0, 40, 480);
    view.expose(screen({ { bar, QColor(200, 0, 0) } }), 0);
    view.expose(screen({ { bar, QColor(100, 0, 120) } }), 0);
    const QPoint inside = view.imagePoint(0, { 120, 240 }).toPoint();
    EXPECT_EQ(view.image().pixel(inside) & 0xffffff, qRgb(200, 0, 120) & 0xffffff);

    view.fade(0.5);
    EXPECT_NEAR(view.image().pixelColor(inside).red(), 100, 2);
    EXPECT_NEAR(view.image().pixelColor(inside).blue(), 60, 2);
    view.clear();
    EXPECT_EQ(view.image().pixel(inside) & 0xffffff, 0u);
}

// A renderer's read-back (the area that may be lit, bottom row first) paints exactly what the
// whole screen's frame paints.
TEST(AirView, ARenderersReadBackAreaPaintsAsTheWholeFrame) {
    const QImage frame = screen({ { QRect(150, 30, 12, 200), QColor(250, 20, 90) },
                                  { QRect(170, 300, 3, 40), QColor(0, 0, 1) } });
    const QRect area(140, 20, 60, 400); // wider than the light, as a renderer's estimate is
    std::vector<unsigned char> readBack;
    for (int y = area.bottom(); y >= area.top(); --y) {
        const unsigned char* line = frame.constScanLine(y) + area.left() * 4;
        readBack.insert(readBack.end(), line, line + area.width() * 4);
    }
    for (double at : { -0.031, 0.0, 0.0127 }) {
        AirView whole(0.05, 0.5);
        AirView part(0.05, 0.5);
        whole.expose(frame, at);
        part.expose(readBack.data(), area.width() * 4L, area, at);
        EXPECT_EQ(part.image(), whole.image()) << at;
    }
}
