#include "display/WaveDisplay.h"

#include "display/gles/GLESRenderer.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>
#include <vector>

using namespace sweeplight::display;
using Content = DrawnFrame::Content;

namespace {

bool isLit(const QImage& frame, int x, int y) {
    return (frame.pixel(x, y) & 0xFFFFFF) != 0;
}

// Runs of lit pixels along one row (horizontal) or one column (vertical), as "first-last,...".
std::string litRuns(const QImage& frame, int fixed, bool horizontal) {
    std::string runs;
    const int length = horizontal ? frame.width() : frame.height();
    for (int i = 0, first = -1; i <= length; ++i) {
        const bool lit =
            i < length && (horizontal ? isLit(frame, i, fixed) : isLit(frame, fixed, i));
        if (lit && first < 0)
            first = i;
        if (!lit && first >= 0) {
            runs += (runs.empty() ? "" : ",") + std::to_string(first) + "-" + std::to_string(i - 1);
            first = -1;
        }
    }
    return runs;
}

bool allBlack(const QImage& frame) {
    for (int y = 0; y < frame.height(); ++y)
        if (!litRuns(frame, y, true).empty())
            return false;
    return true;
}

const QRgb kWhite = qRgb(255, 255, 255), kBlue = qRgb(0, 0, 255), kGreen = qRgb(0, 255, 0);

// Sets a display up as a row of the tables below says. A picture's top row is white, the next
// blue, then green, and its bottom row transparent.
struct Mode {
    const char* message; // null keeps "hey!"
    int picture;         // < 0: message mode; 0: picture mode without a picture; else its width
    bool wholeLetters = false;
    bool repeat = false;
    int pointer = 0; // the message or picture cursor
    int rows = 16;
    bool rainbow = false;
};

void setUp(WaveDisplay& display, const Mode& mode) {
    if (mode.message)
        display.setMessage(mode.message);
    if (mode.picture > 0) {
        QImage image(mode.picture, mode.rows, QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), mode.picture,
                        y == 0    ? kWhite
                        : y == 1  ? kBlue
                        : y == 15 ? 0
                                  : kGreen);
        display.setImageRef(image);
    }
    display.setInImageMode(mode.picture >= 0);
    display.setDrawWholeLetterMode(mode.wholeLetters);
    display.setInRepeatMode(mode.repeat);
    display.setRainbowMode(mode.rainbow);
    display.setMessagePointer(mode.pointer);
    display.setImagePointer(mode.pointer);
}

struct Stepping {
    const char* name;
    Mode mode;
    // The columns frames show in turn (-1: a black frame; "a-b" counts from a to b) and, between
    // them, 'b' turns backwards (a positive peak of the raw sideways acceleration), 'f' forwards,
    // 'r' switches repeat off and 'm' sets the message "hey!".
    const char* script;
};

class WaveDisplayTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(display, nullptr) << "no OpenGL ES 1.1 context"; }
    std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
};

class WaveDisplayStepping : public WaveDisplayTest,
                            public ::testing::WithParamInterface<Stepping> {};

// One column (picture column, letter) per frame from each turn-around, stopping at the ends.
TEST_P(WaveDisplayStepping, ShowsTheColumnsInTurn) {
    const Mode& mode = GetParam().mode;
    setUp(*display, mode);
    const Content content = mode.picture >= 0   ? Content::Picture
                            : mode.wholeLetters ? Content::Letter
                                                : Content::Column;
    std::string expected, shown;
    std::istringstream script(GetParam().script);
    for (std::string token; script >> token;) {
        if (std::isalpha(token[0])) {
            if (token == "b" || token == "f")
                for (double x : { 0.3, 0.5, 0.45 })
                    display->didAccelerate(token == "b" ? x : -x, 0, 0);
            else if (token == "r")
                display->setInRepeatMode(false);
            else
                display->setMessage("hey!");
            for (std::string* text : { &expected, &shown })
                *text += token + " ";
            continue;
        }
        const auto dash = token.find('-', 1);
        const int first = std::stoi(token);
        const int last = dash == std::string::npos ? first : std::stoi(token.substr(dash + 1));
        for (int column = first;; column += first < last ? 1 : -1) {
            const DrawnFrame drawn = display->drawView();
            expected += std::to_string(column) + " ";
            shown += std::to_string(drawn.column) + " ";
            EXPECT_EQ(drawn.content, drawn.column < 0 ? Content::Black : content);
            EXPECT_TRUE(drawn.column >= 0 || allBlack(display->presentedFrame()));
            if (column == last)
                break;
        }
    }
    EXPECT_EQ(shown, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, WaveDisplayStepping,
    ::testing::Values(
        // A new message restarts at column 0 and keeps the direction.
        Stepping("Columns", { " h e y ", -1 }, "0-15 15 b 15-10 m 0 0 f 0 1"),
        Stepping("PictureRepeats", { nullptr, 20, false, true, 18 }, "18 19 0 1 b 19-0 19 18"),
        // The cursor ran past the end with repeat on; it must not read outside the picture.
        Stepping("RepeatOffInMidSwing", { nullptr, 20, false, true, 19 }, "19 r 19 19 b 19 18"),
        Stepping("NoPicture", { nullptr, 0 }, "-1 -1"),
        Stepping("PictureBeforeWholeLetters", { nullptr, 3, true }, "0 1"),
        // Characters alternate with black frames; a turn-around draws at once.
        Stepping("WholeLetters", { nullptr, -1, true }, "0 -1 1 -1 2 -1 3 -1 3 -1 m 0 b 3 -1 2"),
        Stepping("WholeLettersOfNothing", { "", -1, true }, "-1 b -1 -1 -1")),
    [](const auto& info) { return std::string(info.param.name); });

using Pixel = std::tuple<int, int, QRgb>; // x, y and the colour, within 2 per channel
struct Drawing {
    const char* name;
    Mode mode;
    // "rY=RUNS" the lit runs along row Y, "cX=RUNS" along column X, runs as "first-last,...".
    std::string probes;
    std::vector<Pixel> pixels;
};

class WaveDisplayDrawing : public WaveDisplayTest, public ::testing::WithParamInterface<Drawing> {};

// Everything lit lies in the area the display says it drew.
TEST_P(WaveDisplayDrawing, LightsTheLEDsOfTheColumn) {
    setUp(*display, GetParam().mode);
    display->drawView();
    const QImage& image = display->presentedFrame();
    QImage outside = image.copy();
    QPainter(&outside).fillRect(display->drawnArea(), Qt::black);
    EXPECT_TRUE(allBlack(outside)) << "lit outside the drawn area";
    std::istringstream probes(GetParam().probes);
    std::string seen;
    for (std::string probe; probes >> probe;)
        seen += (seen.empty() ? "" : " ") + probe.substr(0, probe.find('=') + 1) +
                litRuns(image, std::stoi(probe.substr(1)), probe[0] == 'r');
    EXPECT_EQ(seen, GetParam().probes);
    for (const auto& [x, y, colour] : GetParam().pixels) {
        const QRgb shown = image.pixel(x, y);
        for (int shift : { 16, 8, 0 })
            EXPECT_NEAR(int(shown >> shift & 0xFF), int(colour >> shift & 0xFF), 2)
                << x << ", " << y;
    }
}

// "a" lights rows 1 and 4 of column 1; in rainbow mode column 2 of the 6 of "m " has the hue 1/3.
// A picture column fills the height with square LEDs, its transparent bottom row black. A whole
// "h" lights columns 0 and 3 in row 1, all four in row 4, 64 pixels apart.
INSTANTIATE_TEST_SUITE_P(
    Frames, WaveDisplayDrawing,
    ::testing::Values(Drawing("StripColumn", { "a", -1, false, false, 1 },
                              "r35=145-162 r245=145-162 c150=0-69,210-279",
                              { { 150, 20, qRgb(255, 0, 0) } }),
                      Drawing("RainbowColumn2", { "m ", -1, false, false, 2, 16, true }, "",
                              { { 150, 245, qRgb(26, 255, 26) } }),
                      Drawing("PictureColumn", { nullptr, 20, false, false, 3 },
                              "r100=145-174 c160=0-449",
                              { { 160, 15, kWhite }, { 160, 45, kBlue }, { 160, 75, kGreen } }),
                      Drawing("OnePixelHighPicture", { nullptr, 4, false, false, 3, 1 },
                              "c160=0-479", { { 160, 479, kWhite } }),
                      Drawing("WholeLetter", { nullptr, -1, true },
                              "r35=0-17,192-209 r245=0-17,64-81,128-145,192-209", {})),
    [](const auto& info) { return std::string(info.param.name); });

// The pbuffer fallback is this program run again with SWEEPLIGHT_EGL_PLATFORM=pbuffer.
TEST_F(WaveDisplayTest, RunsOnTheEGLPlatformAskedFor) {
    const bool pbuffer = qgetenv("SWEEPLIGHT_EGL_PLATFORM") == "pbuffer";
    EXPECT_TRUE(display->rendererDescription().find(pbuffer ? "pbuffer" : "surfaceless") !=
                std::string::npos);
}

// A picture taller than the screen is held as the rows the screen shows. Which row a LED smaller
// than a pixel lands on is the rasteriser's rule, so it is checked against the rasteriser: every
// row of the picture drawn as its own point, in order, as a frame without the reduction would.
TEST(PictureReduction, EachScreenRowShowsThePictureRowTheRasteriserLeavesThere) {
    std::unique_ptr<GLESRenderer> renderer = GLESRenderer::create();
    ASSERT_TRUE(renderer && renderer->createFramebuffer(320, 480));
    const int height = 1441; // a size that does not divide the screen
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
    ASSERT_TRUE(area.top == 0 && area.bottom == 480);
    const std::uint8_t* pixels = renderer->readPixels(area);
    ASSERT_NE(pixels, nullptr);
    std::vector<int> expected(480, -1);
    for (int row = 0; row < height; ++row)
        expected[static_cast<std::size_t>(PictureStrip::screenRow(row, height))] = row;
    for (int screenRow = 0; screenRow < 480; ++screenRow) {
        // The lit pixel of the GL row (bottom row first) that is this screen row.
        const std::uint8_t* line = pixels + static_cast<long>(479 - screenRow) * area.width() * 4;
        int shown = -1;
        for (int x = 0; x < area.width(); ++x)
            shown = line[4 * x + 1] ? line[4 * x] + (line[4 * x + 1] - 1) * 256 : shown;
        ASSERT_EQ(shown, expected[static_cast<std::size_t>(screenRow)]) << screenRow;
    }
}

} // namespace
