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

bool isLit(const QImage& image, QPointF point) {
    return (image.pixel(point.toPoint()) & 0xffffff) != 0;
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

    // A bar lit at screen x 145-162 on the top half, exposed with the phone 2 cm apart: 128
    // screen pixels of a 50 mm, 320-pixel screen, 64 image pixels.
    const QImage bar = screen({ { QRect(145, 0, 18, 240), Qt::red } });
    view.expose(bar, 0.0);
    view.expose(bar, 0.02);
    auto lit = [&](double at, double x, double y) {
        const double imageY = view.imagePoint(at, { x, y }).y();
        return isLit(view.image(), { view.imageX(at) + (x - 160) * scale, imageY });
    };
    EXPECT_TRUE(lit(0, 150, 100) && lit(0.02, 150, 100));
    EXPECT_FALSE(lit(0, 170, 100) || lit(0, 150, 300) || lit(0.01, 150, 100));
    EXPECT_NEAR(view.imageX(0.02) - view.imageX(0), 64, 1);
}

TEST(AirView, WhereLightFallsTwiceTheBrighterStaysAndBlackFramesLeaveNothing) {
    AirView view(0.05, 0.5);
    view.expose(screen({}), 0);
    EXPECT_EQ(view.image(), AirView(0.05, 0.5).image());
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
