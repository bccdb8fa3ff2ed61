#include "motion/AirView.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <vector>

using namespace sweeplight::motion;

namespace {

QImage blackScreen() {
    QImage frame(AirView::kScreenWidth, AirView::kScreenHeight, QImage::Format_RGBA8888);
    frame.fill(Qt::black);
    return frame;
}

QImage screenWithRect(const QRect& rect, const QColor& color) {
    QImage frame = blackScreen();
    QPainter(&frame).fillRect(rect, color);
    return frame;
}

// Image columns holding any light on row `y`, as [first, last] runs.
std::vector<std::pair<int, int>> litRuns(const QImage& image, int y) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < image.width(); ++x) {
        if ((image.pixel(x, y) & 0xffffff) == 0)
            continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.push_back({ x, x });
    }
    return runs;
}

QPoint centreOfColour(const QImage& image, QRgb colour) {
    long sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) {
                sumX += x;
                sumY += y;
                ++count;
            }
        }
    }
    return count ? QPoint(sumX / count, sumY / count) : QPoint(-1, -1);
}

} // namespace

TEST(AirView, PaintsTheScreenWhereThePhoneIsAtItsPhysicalScale) {
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

    QImage bar = screenWithRect(QRect(145, 0, 18, 480), Qt::red);
    view.expose(bar, 0.0);
    view.expose(bar, 0.02);
    int row = view.image().height() / 2;
    auto runs = litRuns(view.image(), row);
    ASSERT_EQ(runs.size(), 2u);
    // 2 cm is 128 screen pixels of a 50 mm, 320-pixel screen: 64 image pixels apart.
    EXPECT_NEAR(runs[1].first - runs[0].first, 0.02 * 6400 * scale, 1);
    EXPECT_NEAR(runs[0].first, view.imageX(0) + (145 - 160) * scale, 1);
    EXPECT_NEAR(runs[0].second - runs[0].first + 1, 18 * scale, 1);
}

// The screen faces the onlooker: what is on the left of the screen is on the onlooker's left,
// the top stays on top, and moving the phone to its right moves the light to the image's right.
TEST(AirView, ShowsTheScreenFromTheFrontNotMirrored) {
    AirView view(0.1, 0.5);
    QImage frame = blackScreen();
    QPainter painter(&frame);
    painter.fillRect(QRect(10, 10, 60, 60), QColor(255, 0, 0));
    painter.fillRect(QRect(250, 400, 60, 60), QColor(0, 0, 255));
    painter.end();
    view.expose(frame, -0.05);
    QPoint red = centreOfColour(view.image(), qRgb(255, 0, 0));
    QPoint blue = centreOfColour(view.image(), qRgb(0, 0, 255));
    ASSERT_NE(red, QPoint(-1, -1));
    ASSERT_NE(blue, QPoint(-1, -1));
    EXPECT_LT(red.x(), blue.x());
    EXPECT_LT(red.y(), blue.y());
    EXPECT_NEAR(blue.x() - red.x(), 240 * 0.5, 2);
    QPointF expectedRed = view.imagePoint(-0.05, QPointF(40, 40));
    EXPECT_NEAR(red.x(), expectedRed.x(), 2);
    EXPECT_NEAR(red.y(), expectedRed.y(), 2);
}

TEST(AirView, WhereLightFallsTwiceTheBrighterStaysAndBlackFramesLeaveNothing) {
    AirView view(0.05, 0.5);
    view.expose(blackScreen(), 0);
    EXPECT_EQ(litRuns(view.image(), view.image().height() / 2).size(), 0u);
    QRect bar(100, 0, 40, 480);
    view.expose(screenWithRect(bar, QColor(200, 0, 0)), 0);
    view.expose(screenWithRect(bar, QColor(100, 0, 120)), 0);
    QPoint inside(static_cast<int>(view.imageX(0) + (120 - 160) * 0.5), view.image().height() / 2);
    EXPECT_EQ(view.image().pixel(inside) & 0xffffff, qRgb(200, 0, 120) & 0xffffff);

    view.fade(0.5);
    QColor faded = view.image().pixelColor(inside);
    EXPECT_NEAR(faded.red(), 100, 2);
    EXPECT_NEAR(faded.blue(), 60, 2);
    view.clear();
    EXPECT_EQ(view.image().pixel(inside) & 0xffffff, 0u);
}

// A renderer's read-back (the area that may be lit, bottom row first) paints exactly what the
// whole screen's frame paints.
TEST(AirView, ARenderersReadBackAreaPaintsAsTheWholeFrame) {
    QImage frame = blackScreen().convertToFormat(QImage::Format_RGBA8888);
    QPainter painter(&frame);
    painter.fillRect(QRect(150, 30, 12, 200), QColor(250, 20, 90));
    painter.fillRect(QRect(170, 300, 3, 40), QColor(0, 0, 1));
    painter.end();
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
