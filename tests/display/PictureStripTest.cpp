#include "display/PictureStrip.h"

#include <QImage>
#include <gtest/gtest.h>
#include <vector>

using sweeplight::display::PictureStrip;

namespace {
std::vector<int> bytes(const std::uint8_t* pixel) {
    return { pixel[0], pixel[1], pixel[2], pixel[3] };
}

QImage blank(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}
} // namespace

// Pixels are held premultiplied, alpha first, top row first; a new picture replaces the old one
// and restarts at column 0.
TEST(PictureStrip, HoldsPremultipliedPixelsAlphaFirstTopRowFirst) {
    PictureStrip picture;
    ASSERT_TRUE(picture.setImageRef(blank(20, 16)));
    picture.imagePointer = 7;

    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(2, 1, qRgba(200, 100, 50, 128)); // half transparent
    ASSERT_TRUE(picture.setImageRef(image));
    EXPECT_EQ(picture.imagePointer, 0);
    EXPECT_TRUE(picture.imageWidth() == 3 && picture.imageHeight() == 2);
    EXPECT_EQ(bytes(picture.pixel(0, 0)), (std::vector { 255, 255, 0, 0 }));
    EXPECT_EQ(bytes(picture.pixel(1, 0)), (std::vector { 0, 0, 0, 0 }));
    const std::vector<int> half = bytes(picture.pixel(1, 2));
    EXPECT_EQ(half[0], 128);
    for (int i : { 1, 2, 3 })
        EXPECT_NEAR(half[i], (std::vector { 0, 100, 50, 25 })[i], 1) << i;
}

// Pictures without pixels, or too large to hold (one bit per pixel keeps the test's small; held
// at 4 bytes per pixel it would need 268 MB), are refused and leave none.
TEST(PictureStrip, RefusesPicturesWithoutPixelsOrTooLargeAndKeepsNone) {
    QImage huge(8193, 8193, QImage::Format_Mono);
    ASSERT_FALSE(huge.isNull());
    huge.fill(0);
    for (const QImage& bad : { QImage(), huge }) {
        PictureStrip picture;
        ASSERT_TRUE(picture.setImageRef(blank(4, 4)));
        testing::internal::CaptureStderr(); // it says why on the error stream
        EXPECT_FALSE(picture.setImageRef(bad));
        EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
        EXPECT_FALSE(picture.hasPicture());
        EXPECT_EQ(picture.imageWidth(), 0);
    }
}

TEST(PictureStrip, APictureTallerThanTheScreenKeepsTheLastRowOfEachScreenRow) {
    // 960 rows: two share every screen row, and the second is drawn over the first.
    QImage tall(2, 960, QImage::Format_RGB32);
    for (int row = 0; row < tall.height(); ++row)
        tall.setPixel(1, row, qRgb(row % 256, row / 256, 7));
    PictureStrip picture;
    ASSERT_TRUE(picture.setImageRef(tall));
    EXPECT_EQ(picture.imageHeight(), PictureStrip::kColumnPixels);
    EXPECT_EQ(picture.sourceHeight(), 960);
    for (int screenRow : { 0, 1, 239, 479 }) {
        const int shown = 2 * screenRow + 1;
        EXPECT_EQ(bytes(picture.pixel(screenRow, 1)),
                  (std::vector { 255, shown % 256, shown / 256, 7 }))
            << screenRow;
    }
}
