#include "uikit/StretchableImage.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace sweeplight::uikit {
namespace {

// A 5 x 5 image whose caps (2 columns and 2 rows) are red, whose stretching column and row
// (index 2) are green, and whose far caps are blue.
QImage zonedImage() {
    QImage image(5, 5, QImage::Format_ARGB32);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const int zone = std::max(x < 2 ? 0 : x == 2 ? 1 : 2, y < 2 ? 0 : y == 2 ? 1 : 2);
            image.setPixelColor(x, y, zone == 0 ? Qt::red : zone == 1 ? Qt::green : Qt::blue);
        }
    }
    return image;
}

QImage render(const StretchableImage& image, QSize size) {
    QImage canvas(size, QImage::Format_ARGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    image.draw(painter, QRect(QPoint(0, 0), size));
    return canvas;
}

TEST(StretchableImage, CapsKeepTheirSizeOnlyTheMiddleLineStretchesAndSmallTargetsShrinkCaps) {
    QImage halves(2, 1, QImage::Format_ARGB32);
    halves.setPixelColor(0, 0, Qt::red);
    halves.setPixelColor(1, 0, Qt::blue);
    const struct {
        StretchableImage image;
        QSize size;
        QPoint point;
        Qt::GlobalColor expected;
    } rows[] = {
        // Top-left cap: exactly two columns and two rows of red.
        { StretchableImage(zonedImage(), 2, 2), { 40, 30 }, { 1, 1 }, Qt::red },
        { StretchableImage(zonedImage(), 2, 2), { 40, 30 }, { 2, 2 }, Qt::green },
        // The stretched middle is the single green line, repeated.
        { StretchableImage(zonedImage(), 2, 2), { 40, 30 }, { 37, 27 }, Qt::green },
        // Far caps: the last two columns and rows.
        { StretchableImage(zonedImage(), 2, 2), { 40, 30 }, { 38, 15 }, Qt::blue },
        { StretchableImage(zonedImage(), 2, 2), { 40, 30 }, { 20, 28 }, Qt::blue },
        // Two columns for caps of 2 + 2: one column each, no middle.
        { StretchableImage(zonedImage(), 2, 2), { 2, 2 }, { 0, 0 }, Qt::red },
        { StretchableImage(zonedImage(), 2, 2), { 2, 2 }, { 1, 1 }, Qt::blue },
        // Zero caps stretch the whole image.
        { StretchableImage(halves), { 20, 4 }, { 2, 2 }, Qt::red },
        { StretchableImage(halves), { 20, 4 }, { 17, 2 }, Qt::blue },
        { StretchableImage(QImage(), 12, 25), { 10, 10 }, { 5, 5 }, Qt::black },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(render(row.image, row.size).pixelColor(row.point), QColor(row.expected))
            << row.size.width() << "x" << row.size.height() << " at " << row.point.x() << ","
            << row.point.y();
    }
}

} // namespace
} // namespace sweeplight::uikit
