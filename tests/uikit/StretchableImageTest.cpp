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

TEST(StretchableImage, CapsKeepTheirSizeAndOnlyTheMiddleLineStretches) {
    const QImage drawn = render(StretchableImage(zonedImage(), 2, 2), QSize(40, 30));
    // Top-left cap: exactly two columns and two rows of red.
    EXPECT_EQ(drawn.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(2, 2), QColor(Qt::green));
    // The stretched middle is the single green line, repeated.
    EXPECT_EQ(drawn.pixelColor(20, 15), QColor(Qt::green));
    EXPECT_EQ(drawn.pixelColor(37, 27), QColor(Qt::green));
    // Far caps: the last two columns and rows.
    EXPECT_EQ(drawn.pixelColor(38, 15), QColor(Qt::blue));
    EXPECT_EQ(drawn.pixelColor(20, 28), QColor(Qt::blue));
    EXPECT_EQ(drawn.pixelColor(39, 29), QColor(Qt::blue));
}

TEST(StretchableImage, ZeroCapsStretchTheWholeImage) {
    QImage halves(2, 1, QImage::Format_ARGB32);
    halves.setPixelColor(0, 0, Qt::red);
    halves.setPixelColor(1, 0, Qt::blue);
    const QImage drawn = render(StretchableImage(halves), QSize(20, 4));
    EXPECT_EQ(drawn.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(17, 2), QColor(Qt::blue));
}

TEST(StretchableImage, CapsShrinkInProportionWhenTheTargetIsSmaller) {
    const QImage drawn = render(StretchableImage(zonedImage(), 2, 2), QSize(2, 2));
    // Two columns for caps of 2 + 2: one column each, no middle.
    EXPECT_EQ(drawn.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(1, 1), QColor(Qt::blue));
}

TEST(StretchableImage, NullImageDrawsNothing) {
    const QImage drawn = render(StretchableImage(QImage(), 12, 25), QSize(10, 10));
    EXPECT_EQ(drawn.pixelColor(5, 5), QColor(Qt::black));
}

} // namespace
} // namespace sweeplight::uikit
