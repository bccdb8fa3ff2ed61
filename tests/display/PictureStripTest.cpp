#include "display/PictureStrip.h"

#include <QImage>
#include <gtest/gtest.h>
#include <string>

using sweeplight::display::PictureStrip;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(PictureStrip, HoldsPremultipliedPixelsAlphaFirstTopRowFirst) {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(2, 1, qRgba(200, 100, 50, 128)); // half transparent
    PictureStrip picture;
    ASSERT_TRUE(picture.setImageRef(image));
    EXPECT_EQ(picture.imageWidth(), 3);
    EXPECT_EQ(picture.imageHeight(), 2);
    EXPECT_EQ(picture.imageMult(), 4);

    const std::uint8_t* topLeft = picture.pixel(0, 0);
    EXPECT_EQ(topLeft[0], 255);
    EXPECT_EQ(topLeft[1], 255);
    EXPECT_EQ(topLeft[2], 0);
    EXPECT_EQ(topLeft[3], 0);

    const std::uint8_t* half = picture.pixel(1, 2);
    EXPECT_EQ(half[0], 128);
    EXPECT_NEAR(half[1], 100, 1);
    EXPECT_NEAR(half[2], 50, 1);
    EXPECT_NEAR(half[3], 25, 1);

    const std::uint8_t* clear = picture.pixel(1, 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(clear[i], 0);
}

TEST(PictureStrip, ANewPictureReplacesTheOldAndRestartsAtColumnZero) {
    PictureStrip picture;
    QImage first(20, 16, QImage::Format_RGB32);
    first.fill(Qt::blue);
    ASSERT_TRUE(picture.setImageRef(first));
    picture.imagePointer = 7;

    QImage second(5, 4, QImage::Format_RGB32);
    second.fill(Qt::green);
    ASSERT_TRUE(picture.setImageRef(second));
    EXPECT_EQ(picture.imagePointer, 0);
    EXPECT_EQ(picture.imageWidth(), 5);
    EXPECT_EQ(picture.pixel(3, 4)[2], 255);
    EXPECT_EQ(picture.pixel(3, 4)[3], 0);
}

TEST(PictureStrip, RefusesPicturesWithoutPixelsAndKeepsNone) {
    PictureStrip picture;
    QImage good(4, 4, QImage::Format_RGB32);
    good.fill(Qt::white);
    ASSERT_TRUE(picture.setImageRef(good));

    for (const QImage& bad :
         { QImage(), QImage(0, 16, QImage::Format_RGB32), QImage(16, 0, QImage::Format_RGB32) }) {
        CaptureStderr();
        EXPECT_FALSE(picture.setImageRef(bad));
        EXPECT_EQ(GetCapturedStderr(), std::string("Context not created!"));
        EXPECT_FALSE(picture.hasPicture());
        EXPECT_EQ(picture.imageWidth(), 0);
    }
}

TEST(PictureStrip, RefusesPicturesTooLargeToHold) {
    // One bit per pixel keeps the test picture small; held at 4 bytes per pixel it would need
    // 268 MB.
    QImage huge(8193, 8193, QImage::Format_Mono);
    ASSERT_FALSE(huge.isNull());
    huge.fill(0);
    PictureStrip picture;
    CaptureStderr();
    EXPECT_FALSE(picture.setImageRef(huge));
    EXPECT_EQ(GetCapturedStderr(), std::string("Memory not allocated!"));
    EXPECT_FALSE(picture.hasPicture());
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
        const std::uint8_t* pixel = picture.pixel(screenRow, 1);
        EXPECT_EQ(pixel[1], shown % 256) << screenRow;
        EXPECT_EQ(pixel[2], shown / 256) << screenRow;
    }
}
