#include "display/WaveDisplay.h"

#include "display/gles/GLESRenderer.h"

#include <QImage>
#include <functional>
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
        if (!(horizontal ? isLit(frame, i, fixed) : isLit(frame, fixed, i)))
            continue;
        if (!runs.empty() && runs.back().last == i - 1)
            runs.back().last = i;
        else
            runs.push_back({ i, i });
    }
    return runs;
}

bool allBlack(const QImage& frame) {
    for (int y = 0; y < frame.height(); ++y) {
        if (!litRuns(frame, y, true).empty())
            return false;
    }
    return true;
}

QImage pictureOfRows(int width, const std::vector<QRgb>& rowColours) {
    QImage image(width, static_cast<int>(rowColours.size()), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, rowColours[static_cast<std::size_t>(y)]);
    }
    return image;
}

QImage whitePicture(int width) {
    return pictureOfRows(width, std::vector<QRgb>(16, qRgb(255, 255, 255)));
}

// A peak of the raw sideways acceleration: positive ends the forward swing, negative the
// backward one.
void turn(WaveDisplay& display, bool forwards) {
    const double sign = forwards ? -1 : 1;
    for (double x : { 0.3, 0.5, 0.45 })
        display.didAccelerate(sign * x, 0, 0);
    ASSERT_EQ(display.isGoingForwards(), forwards);
}

std::vector<int> countDown(int from, int to) {
    std::vector<int> columns;
    for (int c = from; c != to; c += from < to ? 1 : -1)
        columns.push_back(c);
    columns.push_back(to);
    return columns;
}

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Before a step's frames: 'b' turns backwards, 'f' forwards, 'r' switches repeat off, 'm' sets
// the message "hey!"; ' ' does nothing.
struct Step {
    char action;
    std::vector<int> columns; // shown by the frames that follow; -1 is a black frame
};

struct Stepping {
    const char* name;
    std::function<void(WaveDisplay&)> setUp;
    Content content; // of every frame that shows a column
    std::vector<Step> steps;
};

void PrintTo(const Stepping& row, std::ostream* out) {
    *out << row.name;
}

class WaveDisplayTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(display, nullptr) << "no OpenGL ES 1.1 context"; }
    std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
};

class WaveDisplayStepping : public WaveDisplayTest,
                            public ::testing::WithParamInterface<Stepping> {};

// One column (picture column, letter) per frame from each turn-around, stopping at the ends.
TEST_P(WaveDisplayStepping, ShowsTheColumnsInTurn) {
    GetParam().setUp(*display);
    for (const Step& step : GetParam().steps) {
        if (step.action == 'b' || step.action == 'f')
            turn(*display, step.action == 'f');
        if (step.action == 'r')
            display->setInRepeatMode(false);
        if (step.action == 'm')
            display->setMessage("hey!");
        std::vector<int> shown;
        for (std::size_t frame = 0; frame < step.columns.size(); ++frame) {
            const DrawnFrame drawn = display->drawView();
            shown.push_back(drawn.column);
            EXPECT_EQ(drawn.forwards, display->isGoingForwards());
            EXPECT_EQ(drawn.content, drawn.column < 0 ? Content::Black : GetParam().content);
            if (drawn.column < 0) {
                EXPECT_TRUE(allBlack(display->presentedFrame())) << "step " << step.action;
            }
        }
        EXPECT_EQ(shown, step.columns) << "step '" << step.action << "'";
    }
}

const auto kPictureMode = [](WaveDisplay& display, int width, bool repeat, int pointer) {
    display.setImageRef(whitePicture(width));
    display.setInImageMode(true);
    display.setInRepeatMode(repeat);
    display.setImagePointer(pointer);
};

INSTANTIATE_TEST_SUITE_P(
    Modes, WaveDisplayStepping,
    ::testing::Values(
        Stepping { "Columns",
                   [](WaveDisplay& d) { d.setMessage(" h e y "); },
                   Content::Column,
                   { { ' ', countDown(0, 15) + std::vector { 15, 15 } },
                     { 'b', countDown(15, 0) + std::vector { 0 } },
                     { 'f', { 0, 1 } } } },
        // A new message restarts at column 0 and keeps the direction.
        Stepping { "NewMessage",
                   [](WaveDisplay& d) { d.setMessage(" h e y "); },
                   Content::Column,
                   { { 'b', { 15, 14, 13, 12, 11, 10 } }, { 'm', { 0, 0 } } } },
        Stepping { "EmptyMessageIsOneDarkColumn",
                   [](WaveDisplay& d) { d.setMessage(""); },
                   Content::Column,
                   { { ' ', { 0, 0, 0 } }, { 'b', { 0, 0 } } } },
        Stepping { "Picture",
                   [](WaveDisplay& d) { kPictureMode(d, 20, false, 0); },
                   Content::Picture,
                   { { ' ', countDown(0, 19) + std::vector { 19, 19 } }, { 'b', { 19, 18 } } } },
        Stepping {
            "PictureRepeatsDuringASwing",
            [](WaveDisplay& d) { kPictureMode(d, 20, true, 18); },
            Content::Picture,
            { { ' ', { 18, 19, 0, 1 } }, { 'b', countDown(19, 0) + std::vector { 19, 18 } } } },
        // The cursor ran past the end with repeat on; it must not read outside the picture.
        Stepping { "RepeatSwitchedOffInMidSwing",
                   [](WaveDisplay& d) { kPictureMode(d, 20, true, 19); },
                   Content::Picture,
                   { { ' ', { 19 } }, { 'r', { 19 } } } },
        Stepping { "PictureModeWithoutAPicture",
                   [](WaveDisplay& d) { d.setInImageMode(true); },
                   Content::Picture,
                   { { ' ', { -1, -1 } } } },
        Stepping { "PictureBeforeWholeLetters",
                   [](WaveDisplay& d) {
                       kPictureMode(d, 3, false, 0);
                       d.setDrawWholeLetterMode(true);
                   },
                   Content::Picture,
                   { { ' ', { 0, 1 } } } },
        // Characters of "hey!" alternate with black frames; a turn-around draws at once.
        Stepping { "WholeLetters",
                   [](WaveDisplay& d) { d.setDrawWholeLetterMode(true); },
                   Content::Letter,
                   { { ' ', { 0, -1, 1, -1, 2, -1, 3, -1, 3, -1 } },
                     { 'm', { 0 } },
                     { 'b', { 3, -1, 2 } } } },
        Stepping { "WholeLettersOfAnEmptyMessage",
                   [](WaveDisplay& d) {
                       d.setDrawWholeLetterMode(true);
                       d.setMessage("");
                   },
                   Content::Letter,
                   { { ' ', { -1 } }, { 'b', { -1, -1, -1, -1 } } } }),
    [](const auto& info) { return std::string(info.param.name); });

struct Probe {
    bool row; // a row of the frame, else a column
    int at;
    std::vector<Span> runs;
};
struct Pixel {
    int x, y;
    QRgb colour; // compared within 2 per channel
};
struct Drawing {
    const char* name;
    std::function<void(WaveDisplay&)> setUp;
    std::vector<Probe> probes;
    std::vector<Pixel> pixels;
};

void PrintTo(const Drawing& row, std::ostream* out) {
    *out << row.name;
}

class WaveDisplayDrawing : public WaveDisplayTest, public ::testing::WithParamInterface<Drawing> {};

TEST_P(WaveDisplayDrawing, LightsTheLEDsOfTheColumn) {
    GetParam().setUp(*display);
    display->drawView();
    const QImage& image = display->presentedFrame();
    for (const Probe& probe : GetParam().probes)
        EXPECT_EQ(litRuns(image, probe.at, probe.row), probe.runs)
            << (probe.row ? "row " : "column ") << probe.at;
    for (const Pixel& pixel : GetParam().pixels) {
        const QRgb shown = image.pixel(pixel.x, pixel.y);
        EXPECT_NEAR(qRed(shown), qRed(pixel.colour), 2) << pixel.x << ", " << pixel.y;
        EXPECT_NEAR(qGreen(shown), qGreen(pixel.colour), 2) << pixel.x << ", " << pixel.y;
        EXPECT_NEAR(qBlue(shown), qBlue(pixel.colour), 2) << pixel.x << ", " << pixel.y;
    }
}

const auto kRainbowAt = [](int column) {
    return [column](WaveDisplay& d) {
        d.setMessage("m "); // 6 columns: 0, 2 and 4 hold lit LEDs at hues 0, 1/3, 2/3
        d.setRainbowMode(true);
        d.setMessagePointer(column);
    };
};

INSTANTIATE_TEST_SUITE_P(
    Frames, WaveDisplayDrawing,
    ::testing::Values(
        // Lit rows of the strip are narrow bars at their row positions.
        Drawing { "StripColumn",
                  [](WaveDisplay& d) {
                      d.setMessage("a");
                      d.setMessagePointer(1); // rows 1 and 4 lit
                  },
                  { { true, 35, { { 145, 162 } } },
                    { true, 245, { { 145, 162 } } },
                    { false, 150, { { 0, 69 }, { 210, 279 } } } },
                  { { 150, 20, qRgb(255, 0, 0) } } },
        Drawing { "ColourTakenInItsRGBForm",
                  [](WaveDisplay& d) {
                      d.setUIColor(QColor::fromHsvF(0.5, 1, 1));
                      d.setMessage("a");
                  },
                  {},
                  { { 150, 300, qRgb(0, 255, 255) } } },
        Drawing { "RainbowHueOfColumn0", kRainbowAt(0), {}, { { 150, 35, qRgb(255, 26, 26) } } },
        Drawing { "RainbowHueOfColumn2", kRainbowAt(2), {}, { { 150, 245, qRgb(26, 255, 26) } } },
        Drawing { "RainbowHueOfColumn4", kRainbowAt(4), {}, { { 150, 35, qRgb(26, 26, 255) } } },
        // The picture column fills the height with square LEDs; dark pixels are drawn black.
        Drawing { "PictureColumn",
                  [](WaveDisplay& d) {
                      std::vector<QRgb> rows(16, qRgb(0, 255, 0));
                      rows[0] = qRgb(255, 255, 255);
                      rows[1] = qRgb(0, 0, 255);
                      rows[15] = qRgb(0, 0, 0);
                      d.setImageRef(pictureOfRows(20, rows));
                      d.setInImageMode(true);
                      d.setImagePointer(3);
                  },
                  { { true, 100, { { 145, 174 } } }, { false, 160, { { 0, 449 } } } },
                  { { 160, 29, qRgb(255, 255, 255) },
                    { 160, 30, qRgb(0, 0, 255) },
                    { 160, 59, qRgb(0, 0, 255) },
                    { 160, 60, qRgb(0, 255, 0) } } },
        Drawing { "OnePixelHighPicture",
                  [](WaveDisplay& d) {
                      d.setImageRef(pictureOfRows(4, { qRgb(255, 0, 255) }));
                      d.setInImageMode(true);
                  },
                  { { false, 160, { { 0, 479 } } } },
                  { { 160, 479, qRgb(255, 0, 255) } } },
        Drawing {
            "TransparentPixelsDrawBlack",
            [](WaveDisplay& d) {
                d.setImageRef(pictureOfRows(2, { qRgba(255, 255, 255, 0), qRgb(255, 255, 255) }));
                d.setInImageMode(true);
            },
            { { false, 160, { { 240, 479 } } } },
            {} },
        // h: columns 0 and 3 lit in row 1, all four in row 4, 64 pixels apart.
        Drawing { "WholeLetter",
                  [](WaveDisplay& d) { d.setDrawWholeLetterMode(true); },
                  { { true, 35, { { 0, 17 }, { 192, 209 } } },
                    { true, 245, { { 0, 17 }, { 64, 81 }, { 128, 145 }, { 192, 209 } } } },
                  {} }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WaveDisplayTest, RunsOnTheEGLPlatformAskedFor) {
    // The pbuffer fallback is this program run again with SWEEPLIGHT_EGL_PLATFORM=pbuffer.
    const bool pbuffer = qgetenv("SWEEPLIGHT_EGL_PLATFORM") == "pbuffer";
    EXPECT_NE(display->rendererDescription().find(pbuffer ? "pbuffer EGL" : "surfaceless EGL"),
              std::string::npos)
        << display->rendererDescription();
}

// A dark column clears what the frame before it lit, and displays draw independently.
TEST_F(WaveDisplayTest, ADarkColumnIsAnAllBlackFrameOfItsOwnDisplay) {
    std::unique_ptr<WaveDisplay> other = WaveDisplay::create();
    ASSERT_NE(other, nullptr);
    display->setMessage("a");
    other->setMessage("a");
    other->drawView();
    other->setMessage(" a");
    display->drawView();
    EXPECT_EQ(other->drawView().column, 0);
    EXPECT_FALSE(allBlack(display->presentedFrame()));
    EXPECT_TRUE(allBlack(other->presentedFrame()));
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
        const QRect area = display->drawnArea();
        for (int y = 0; y < WaveDisplay::kFramebufferHeight; ++y) {
            for (const Span& run : litRuns(display->presentedFrame(), y, true))
                ASSERT_TRUE(area.contains(run.first, y) && area.contains(run.last, y))
                    << "frame " << frame << " at " << run.first << ", " << y;
        }
    }
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
            mismatches += shown != expected[static_cast<std::size_t>(screenRow)];
        }
        EXPECT_EQ(mismatches, 0) << height << " rows";
    }
}

} // namespace
