// Frames drawn on the CPU must be the very bytes GL draws: every kind of frame the display makes
// (strip columns in one colour and in rainbow, whole letters, picture columns with LEDs of one
// pixel, of a size that does not divide the screen, of the screen's height, and of a picture
// taller than the screen) is drawn both ways and compared pixel for pixel.
#include "display/WaveDisplay.h"

#include <QImage>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace sweeplight::display;

namespace {

struct Case {
    const char* name;
    std::function<void(WaveDisplay&)> setUp;
    int frames;
};

class SoftwareFrames : public ::testing::TestWithParam<Case> {};

TEST_P(SoftwareFrames, AreTheBytesGLDraws) {
    std::unique_ptr<WaveDisplay> gl = WaveDisplay::create(), software = WaveDisplay::create();
    ASSERT_TRUE(gl && software) << "no OpenGL ES 1.1 context";
    // The CPU follows the rasterisation rules of Mesa's software renderer; a hardware driver may
    // round a point's edge otherwise, and the display's frames are the CPU's wherever it runs.
    if (gl->rendererDescription().find("llvmpipe") == std::string::npos)
        GTEST_SKIP() << "compared with llvmpipe only, not " << gl->rendererDescription();
    software->setSoftwareFrames(true);
    GetParam().setUp(*gl);
    GetParam().setUp(*software);
    for (int frame = 0; frame < GetParam().frames; ++frame) {
        const DrawnFrame drawn = gl->drawView();
        ASSERT_EQ(software->drawView().column, drawn.column);
        ASSERT_EQ(software->drawnArea(), gl->drawnArea()) << "frame " << frame;
        ASSERT_TRUE(software->presentedFrame() == gl->presentedFrame())
            << "frame " << frame << ", column " << drawn.column;
    }
}

std::function<void(WaveDisplay&)> message(const QString& text, bool rainbow, QColor colour,
                                          bool wholeLetters = false) {
    return [=](WaveDisplay& display) {
        display.setUIColor(colour);
        display.setRainbowMode(rainbow);
        display.setDrawWholeLetterMode(wholeLetters);
        display.setMessage(text);
    };
}

// Random colours, and black rows too: they cover their neighbours' edges where squares overlap.
std::function<void(WaveDisplay&)> picture(int height) {
    return [=](WaveDisplay& display) {
        QRandomGenerator random(static_cast<quint32>(height));
        QImage picture(2, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < 2; ++x)
                picture.setPixel(x, y,
                                 y % 5 == 2 ? qRgb(0, 0, 0) : random.generate() | 0xFF000000u);
        }
        display.setInImageMode(true);
        display.setImageRef(picture);
    };
}

QString printableAscii() {
    QString text;
    for (char c = ' '; c <= '~'; ++c)
        text += QChar(c);
    return text;
}

const QColor kOdd = QColor::fromRgbF(0.1234f, 0.5f, 0.998f);
const Case kCases[] = {
    { "RainbowColumns", message(" t h e   q u i c k   b r o w n   f o x ! ", true, Qt::red), 200 },
    { "OddColourColumns", message(" 0 1 2 3 4 5 6 7 8 9 ", false, kOdd), 120 },
    { "WholeLetters", message(printableAscii(), true, Qt::red, true), 2 * 95 },
    { "Picture1", picture(1), 2 },
    { "Picture333", picture(333), 2 },
    { "Picture480", picture(480), 2 },
    { "Picture4096", picture(4096), 2 },
};

INSTANTIATE_TEST_SUITE_P(Display, SoftwareFrames, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
