#include "display/WaveDisplay.h"

#include "display/gles/GLESRenderer.h"

#include <QImage>
#include <gtest/gtest.h>
#include <vector>

using namespace sweeplight::display;
using Content = DrawnFrame::Content;

namespace {

bool isLit(const QImage& frame, int x, int y) {
    return (frame.pixel(x, y) & 0xFFFFFF) != 0;
}

struct Span {
    int first { -1 };
    int last { -1 };
    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& span) {
    return out << "[" << span.first << ", " << span.last << "]";
}

// Runs of lit pixels along one row (horizontal) or one column (vertical).
std::vector<Span> litRuns(const QImage& frame, int fixed, bool horizontal) {
    std::vector<Span> runs;
    const int length = horizontal ? frame.width() : frame.height();
    for (int i = 0; i < length; ++i) {
        const bool lit = horizontal ? isLit(frame, i, fixed) : isLit(frame, fixed, i);
        if (!lit)
            continue;
        if (!runs.empty() && runs.back().last == i - 1)
            runs.back().last = i;
        else
            runs.push_back({ i, i });
    }
    return runs;
}

std::vector<Span> rowRuns(const QImage& frame, int y) {
    return litRuns(frame, y, true);
}
std::vector<Span> columnRuns(const QImage& frame, int x) {
    return litRuns(frame, x, false);
}

bool allBlack(const QImage& frame) {
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if (isLit(frame, x, y))
                return false;
        }
    }
    return true;
}

class WaveDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = WaveDisplay::create();
        ASSERT_NE(display, nullptr) << "no OpenGL ES 1.1 context";
    }

    // A peak of the raw sideways acceleration on the positive side: the forward swing ends.
    void turnBackwards() {
        for (double x : { 0.3, 0.5, 0.45 })
            display->didAccelerate(x, 0, 0);
        ASSERT_FALSE(display->isGoingForwards());
    }
    void turnForwards() {
        for (double x : { -0.3, -0.5, -0.45 })
            display->didAccelerate(x, 0, 0);
        ASSERT_TRUE(display->isGoingForwards());
    }

    std::vector<int> drawColumns(int frames) {
        std::vector<int> columns;
        for (int i = 0; i < frames; ++i)
            columns.push_back(display->drawView().column);
        return columns;
    }

    QImage pictureOfRows(int width, const std::vector<QRgb>& rowColours) {
        QImage image(width, static_cast<int>(rowColours.size()), QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, rowColours[static_cast<std::size_t>(y)]);
        }
        return image;
    }

    std::unique_ptr<WaveDisplay> display;
};

} // namespace

TEST_F(WaveDisplayTest, RunsOnTheEGLPlatformAskedFor) {
    // The pbuffer fallback is exercised by running this program again with
    // SWEEPLIGHT_EGL_PLATFORM=pbuffer (see CMakeLists.txt).
    const QByteArray forced = qgetenv("SWEEPLIGHT_EGL_PLATFORM");
    const std::string expected = forced == "pbuffer" ? "pbuffer EGL" : "surfaceless EGL";
    EXPECT_NE(display->rendererDescription().find(expected), std::string::npos)
        << display->rendererDescription();
}

TEST_F(WaveDisplayTest, LitRowsBecomeNarrowBarsAtTheirRowPositions) {
    display->setMessage("a");
    display->setMessagePointer(1); // rows 1 and 4 lit
    const DrawnFrame frame = display->drawView();
    EXPECT_EQ(frame.content, Content::Column);
    EXPECT_EQ(frame.column, 1);
    EXPECT_TRUE(frame.forwards);

    const QImage& image = display->presentedFrame();
    EXPECT_EQ(rowRuns(image, 35), (std::vector<Span> { { 145, 162 } }));
    EXPECT_EQ(rowRuns(image, 245), (std::vector<Span> { { 145, 162 } }));
    EXPECT_EQ(columnRuns(image, 150), (std::vector<Span> { { 0, 69 }, { 210, 279 } }));
    EXPECT_EQ(image.pixel(150, 20), qRgb(255, 0, 0));
}

TEST_F(WaveDisplayTest, ADarkColumnIsAnAllBlackFrame) {
    display->setMessage("a");
    display->drawView();
    display->setMessage(" a");
    const DrawnFrame frame = display->drawView();
    EXPECT_EQ(frame.column, 0);
    EXPECT_TRUE(allBlack(display->presentedFrame()));
}

TEST_F(WaveDisplayTest, EmptyMessageShowsOneDarkColumn) {
    display->setMessage("");
    EXPECT_EQ(display->strip().messageLength(), 1);
    EXPECT_EQ(drawColumns(3), (std::vector<int> { 0, 0, 0 }));
    EXPECT_TRUE(allBlack(display->presentedFrame()));
    turnBackwards();
    EXPECT_EQ(drawColumns(2), (std::vector<int> { 0, 0 }));
}

TEST_F(WaveDisplayTest, CursorStepsOneColumnPerFrameAndStopsAtTheEnds) {
    display->setMessage(" h e y ");
    std::vector<int> expected;
    for (int c = 0; c < 16; ++c)
        expected.push_back(c);
    expected.push_back(15);
    expected.push_back(15);
    EXPECT_EQ(drawColumns(18), expected);

    turnBackwards();
    EXPECT_EQ(display->messagePointer(), 15);
    std::vector<int> backwards;
    for (int c = 15; c >= 0; --c)
        backwards.push_back(c);
    backwards.push_back(0);
    EXPECT_EQ(drawColumns(17), backwards);
    EXPECT_FALSE(display->drawView().forwards);

    turnForwards();
    EXPECT_EQ(drawColumns(2), (std::vector<int> { 0, 1 }));
}

TEST_F(WaveDisplayTest, NewMessageRestartsAtColumnZeroKeepingTheDirection) {
    display->setMessage(" h e y ");
    turnBackwards();
    drawColumns(6); // cursor now at column 9
    display->setMessage("hey!");
    EXPECT_EQ(display->messagePointer(), 0);
    EXPECT_FALSE(display->isGoingForwards());
}

TEST_F(WaveDisplayTest, RainbowHueFollowsThePositionInTheMessage) {
    display->setMessage("m "); // 6 columns: 0, 2 and 4 hold lit LEDs at hues 0, 1/3, 2/3
    display->setRainbowMode(true);
    struct Expected {
        int column;
        int y;
        int r, g, b;
    };
    for (const Expected& e : { Expected { 0, 35, 255, 26, 26 }, Expected { 2, 245, 26, 255, 26 },
                               Expected { 4, 35, 26, 26, 255 } }) {
        display->setMessagePointer(e.column);
        display->drawView();
        const QRgb pixel = display->presentedFrame().pixel(150, e.y);
        EXPECT_NEAR(qRed(pixel), e.r, 2) << e.column;
        EXPECT_NEAR(qGreen(pixel), e.g, 2) << e.column;
        EXPECT_NEAR(qBlue(pixel), e.b, 2) << e.column;
    }
}

TEST_F(WaveDisplayTest, SingleColourIsTakenInItsRGBForm) {
    display->setUIColor(QColor::fromHsvF(0.5, 1, 1)); // cyan, held as HSV
    display->setMessage("a");
    display->drawView();
    EXPECT_EQ(display->presentedFrame().pixel(150, 300), qRgb(0, 255, 255));
}

TEST_F(WaveDisplayTest, PictureColumnFillsTheHeightWithSquareLEDs) {
    std::vector<QRgb> rows(16, qRgb(0, 255, 0));
    rows[0] = qRgb(255, 255, 255);
    rows[1] = qRgb(0, 0, 255);
    rows[15] = qRgb(0, 0, 0); // dark pixels are drawn too, as black
    display->setImageRef(pictureOfRows(20, rows));
    display->setInImageMode(true);
    display->setImagePointer(3);
    const DrawnFrame frame = display->drawView();
    EXPECT_EQ(frame.content, Content::Picture);
    EXPECT_EQ(frame.column, 3);

    const QImage& image = display->presentedFrame();
    EXPECT_EQ(rowRuns(image, 100), (std::vector<Span> { { 145, 174 } }));
    EXPECT_EQ(columnRuns(image, 160), (std::vector<Span> { { 0, 449 } }));
    EXPECT_EQ(image.pixel(160, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(160, 29), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(160, 30), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(160, 59), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(160, 60), qRgb(0, 255, 0));
}

TEST_F(WaveDisplayTest, OnePixelHighPictureIsOneLEDAsTallAsTheScreen) {
    display->setImageRef(pictureOfRows(4, { qRgb(255, 0, 255) }));
    display->setInImageMode(true);
    display->drawView();
    const QImage& image = display->presentedFrame();
    EXPECT_EQ(columnRuns(image, 160), (std::vector<Span> { { 0, 479 } }));
    EXPECT_EQ(image.pixel(160, 479), qRgb(255, 0, 255));
}

TEST_F(WaveDisplayTest, TransparentPixelsDrawBlack) {
    display->setImageRef(pictureOfRows(2, { qRgba(255, 255, 255, 0), qRgb(255, 255, 255) }));
    display->setInImageMode(true);
    display->drawView();
    EXPECT_EQ(columnRuns(display->presentedFrame(), 160), (std::vector<Span> { { 240, 479 } }));
}

TEST_F(WaveDisplayTest, PictureSweepStopsAtTheEndsWithoutRepeat) {
    display->setImageRef(pictureOfRows(20, std::vector<QRgb>(16, qRgb(255, 255, 255))));
    display->setInImageMode(true);
    const std::vector<int> columns = drawColumns(22);
    EXPECT_EQ(columns[19], 19);
    EXPECT_EQ(columns[20], 19);
    EXPECT_EQ(columns[21], 19);
    turnBackwards();
    EXPECT_EQ(drawColumns(2), (std::vector<int> { 19, 18 }));
}

TEST_F(WaveDisplayTest, PictureRepeatsDuringASwingInRepeatMode) {
    display->setImageRef(pictureOfRows(20, std::vector<QRgb>(16, qRgb(255, 255, 255))));
    display->setInImageMode(true);
    display->setInRepeatMode(true);
    display->setImagePointer(18);
    EXPECT_EQ(drawColumns(4), (std::vector<int> { 18, 19, 0, 1 }));
    turnBackwards();
    drawColumns(19); // 19 down to 1
    EXPECT_EQ(drawColumns(3), (std::vector<int> { 0, 19, 18 }));
}

TEST_F(WaveDisplayTest, RepeatSwitchedOffInMidSwingStaysInsideThePicture) {
    display->setImageRef(pictureOfRows(20, std::vector<QRgb>(16, qRgb(255, 255, 255))));
    display->setInImageMode(true);
    display->setInRepeatMode(true);
    display->setImagePointer(19);
    drawColumns(1); // the cursor runs past the end
    display->setInRepeatMode(false);
    EXPECT_EQ(drawColumns(1), (std::vector<int> { 19 }));
}

TEST_F(WaveDisplayTest, PictureModeWithoutAPictureIsBlackAndDoesNotStep) {
    display->setInImageMode(true);
    const DrawnFrame frame = display->drawView();
    EXPECT_EQ(frame.content, Content::Black);
    EXPECT_EQ(frame.column, -1);
    EXPECT_TRUE(allBlack(display->presentedFrame()));

    display->setImageRef(QImage()); // refused: still no picture
    EXPECT_EQ(display->drawView().column, -1);
    EXPECT_TRUE(allBlack(display->presentedFrame()));
}

TEST_F(WaveDisplayTest, PictureTakesPriorityOverWholeLetters) {
    display->setImageRef(pictureOfRows(3, { qRgb(255, 255, 255) }));
    display->setInImageMode(true);
    display->setDrawWholeLetterMode(true);
    EXPECT_EQ(display->drawView().content, Content::Picture);
}

TEST_F(WaveDisplayTest, WholeLetterModeAlternatesCharactersAndBlackFrames) {
    display->setDrawWholeLetterMode(true);
    std::vector<int> shown;
    for (int i = 0; i < 10; ++i)
        shown.push_back(display->drawView().column);
    EXPECT_EQ(shown, (std::vector<int> { 0, -1, 1, -1, 2, -1, 3, -1, 3, -1 }));

    display->setMessagePointer(0);
    display->setMessage("hey!");
    display->drawView(); // h: columns 0 and 3 lit in row 1, bars 64 pixels apart
    EXPECT_EQ(rowRuns(display->presentedFrame(), 35),
              (std::vector<Span> { { 0, 17 }, { 192, 209 } }));
    EXPECT_EQ(rowRuns(display->presentedFrame(), 245),
              (std::vector<Span> { { 0, 17 }, { 64, 81 }, { 128, 145 }, { 192, 209 } }));
    display->drawView();
    EXPECT_TRUE(allBlack(display->presentedFrame()));
}

TEST_F(WaveDisplayTest, TurnAroundMakesTheNextWholeLetterFrameDraw) {
    display->setDrawWholeLetterMode(true);
    display->drawView(); // h; the next frame would be a pause
    turnBackwards();
    const DrawnFrame frame = display->drawView();
    EXPECT_EQ(frame.content, Content::Letter);
    EXPECT_EQ(frame.column, 3);
}

TEST_F(WaveDisplayTest, WholeLetterModeOverAnEmptyMessageIsBlack) {
    display->setDrawWholeLetterMode(true);
    display->setMessage("");
    EXPECT_EQ(display->drawView().content, Content::Black);
    EXPECT_TRUE(allBlack(display->presentedFrame()));
    turnBackwards(); // the character cursor goes to -1
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(display->drawView().column, -1);
    EXPECT_TRUE(allBlack(display->presentedFrame()));
}

TEST_F(WaveDisplayTest, RebuiltFramebufferKeepsDrawing) {
    display->destroyFramebuffer();
    EXPECT_TRUE(display->createFramebuffer());
    display->setMessage("a");
    display->drawView();
    EXPECT_EQ(columnRuns(display->presentedFrame(), 150), (std::vector<Span> { { 0, 479 } }));
}

TEST_F(WaveDisplayTest, DisplaysDrawIndependently) {
    std::unique_ptr<WaveDisplay> other = WaveDisplay::create();
    ASSERT_NE(other, nullptr);
    display->setMessage("a");
    other->setMessage(" ");
    display->drawView();
    other->drawView();
    EXPECT_FALSE(allBlack(display->presentedFrame()));
    EXPECT_TRUE(allBlack(other->presentedFrame()));
}

// A picture taller than the screen is held as the rows the screen shows. Which row a LED smaller
// than a pixel lands on is the rasteriser's rule, so it is checked against the rasteriser: every
// row of the picture drawn as its own point, in order, as a frame without the reduction would.
TEST(PictureReduction, EachScreenRowShowsThePictureRowTheRasteriserLeavesThere) {
    std::unique_ptr<GLESRenderer> renderer = GLESRenderer::create();
    ASSERT_NE(renderer, nullptr);
    ASSERT_TRUE(renderer->createFramebuffer(320, 480));
    for (int height : { 481, 720, 1000, 1441, 4096 }) {
        const float size = 480.0f / static_cast<float>(height);
        renderer->beginFrame();
        renderer->beginLEDs();
        renderer->beginPoints(size);
        // Rows told apart by their red and green bytes.
        for (int row = 0; row < height; ++row)
            renderer->drawPoint(size / 2 + static_cast<float>(row) * size, 160,
                                static_cast<float>(row % 256) / 255.0f,
                                static_cast<float>(row / 256 + 1) / 255.0f, 0, 1);
        renderer->present();
        const ScreenArea area = renderer->drawnArea();
        ASSERT_EQ(area.top, 0);
        ASSERT_EQ(area.bottom, 480);
        const std::uint8_t* pixels = renderer->readPixels(area);
        ASSERT_NE(pixels, nullptr);
        std::vector<int> expected(480, -1);
        for (int row = 0; row < height; ++row)
            expected[static_cast<std::size_t>(PictureStrip::screenRow(row, height))] = row;
        int mismatches = 0;
        for (int screenRow = 0; screenRow < 480; ++screenRow) {
            // The lit pixel of the GL row (bottom row first) that is this screen row.
            const std::uint8_t* line =
                pixels + static_cast<long>(479 - screenRow) * area.width() * 4;
            int shown = -1;
            for (int x = 0; x < area.width(); ++x) {
                if (line[4 * x + 1] != 0)
                    shown = line[4 * x] + (line[4 * x + 1] - 1) * 256;
            }
            if (shown != expected[static_cast<std::size_t>(screenRow)])
                ++mismatches;
        }
        EXPECT_EQ(mismatches, 0) << height << " rows";
    }
}

TEST_F(WaveDisplayTest, EveryLitPixelLiesInTheDrawnArea) {
    QImage picture(4, 16, QImage::Format_RGB32);
    picture.fill(Qt::black);
    picture.setPixel(2, 3, qRgb(10, 200, 30));
    picture.setPixel(2, 12, qRgb(250, 0, 0));
    display->setImageRef(picture);
    display->setMessage(" h e y ");
    for (int frame = 0; frame < 12; ++frame) {
        display->setInImageMode(frame >= 8);
        display->setDrawWholeLetterMode(frame >= 4);
        display->drawView();
        const QImage& image = display->presentedFrame();
        const QRect area = display->drawnArea();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (isLit(image, x, y)) {
                    ASSERT_TRUE(area.contains(x, y))
                        << "frame " << frame << " at " << x << ", " << y;
                }
            }
        }
    }
}
