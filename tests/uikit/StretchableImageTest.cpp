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
    halves.fill(Qt::blue);
    halves.setPixelColor(0, 0, Qt::red);
    const StretchableImage zoned(zonedImage(), 2, 2);
    const struct {
        StretchableImage image;
        QSize size;
        QPoint point;
        Qt::GlobalColor expected;
    } rows[] = {
        { zoned, { 40, 30 }, { 1, 1 }, Qt::red },     // the near caps keep their size,
        { zoned, { 40, 30 }, { 37, 27 }, Qt::green }, // the middle line stretches,
        { zoned, { 40, 30 }, { 38, 15 }, Qt::blue },  // the far caps keep theirs
        { zoned, { 2, 2 }, { 1, 1 }, Qt::blue },      // caps of 2 + 2 shrink into 2
        { StretchableImage(halves), { 20, 4 }, { 17, 2 }, Qt::blue }, // no caps: all stretches
        { StretchableImage(QImage(), 12, 25), { 10, 10 }, { 5, 5 }, Qt::black },
    };
    for (const auto& row : rows)
        EXPECT_EQ(render(row.image, row.size).pixelColor(row.point), QColor(row.expected))
            << "row " << &row - rows;
}

} // namespace
} // namespace sweeplight::uikit
