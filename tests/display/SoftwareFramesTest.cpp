// Frames drawn on the CPU must be the very bytes GL draws: every kind of frame the display makes
// (strip columns in one colour and in rainbow, whole letters, picture columns of every height
// the screen holds) is drawn both ways and compared pixel for pixel.
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

QImage randomPicture(int width, int height, quint32 seed) {
    QRandomGenerator random(seed);
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        // Black rows too: they cover their neighbours' edges where squares overlap.
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, y % 5 == 2 ? qRgb(0, 0, 0) : random.generate() | 0xFF000000u);
    }
    return picture;
}

// A display drawing with GL and one drawing the same frames on the CPU.
class GLAndSoftware : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(gl, nullptr) << "no OpenGL ES 1.1 context";
        ASSERT_NE(software, nullptr);
        // The CPU follows the rasterisation rules of Mesa's software renderer; a hardware driver
        // may round a point's edge otherwise, and the display's frames are the CPU's wherever
        // it runs.
        if (gl->rendererDescription().find("llvmpipe") == std::string::npos)
            GTEST_SKIP() << "compared with llvmpipe only, not " << gl->rendererDescription();
        software->setSoftwareFrames(true);
    }

    std::unique_ptr<WaveDisplay> gl = WaveDisplay::create();
    std::unique_ptr<WaveDisplay> software = WaveDisplay::create();
};

class SoftwareFrames : public GLAndSoftware, public ::testing::WithParamInterface<Case> {};

TEST_P(SoftwareFrames, AreTheBytesGLDraws) {
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

std::function<void(WaveDisplay&)> message(const QString& text, bool rainbow, bool wholeLetters,
                                          QColor colour = Qt::red) {
    return [=](WaveDisplay& display) {
        display.setUIColor(colour);
        display.setRainbowMode(rainbow);
        display.setDrawWholeLetterMode(wholeLetters);
        display.setMessage(text);
    };
}

QString printableAscii() {
    QString text;
    for (char c = ' '; c <= '~'; ++c)
        text += QChar(c);
    return text;
}

const Case kCases[] = {
    { "RainbowColumns", message(" t h e   q u i c k   b r o w n   f o x ! ", true, false), 200 },
    { "OddColourColumns",
      message(" 0 1 2 3 4 5 6 7 8 9 ", false, false, QColor::fromRgbF(0.1234f, 0.5f, 0.998f)),
      120 },
    { "WholeLetters", message(printableAscii(), true, true), 2 * 95 },
};

INSTANTIATE_TEST_SUITE_P(Display, SoftwareFrames, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// One frame per picture height, 1 to 480 rows: every LED size and position a picture makes.
using SoftwareFramesOfPictures = GLAndSoftware;

TEST_F(SoftwareFramesOfPictures, AreTheBytesGLDrawsAtEveryHeight) {
    for (WaveDisplay* display : { gl.get(), software.get() })
        display->setInImageMode(true);
    for (int height = 1; height <= PictureStrip::kColumnPixels; ++height) {
        const QImage picture = randomPicture(2, height, static_cast<quint32>(height));
        for (WaveDisplay* display : { gl.get(), software.get() })
            ASSERT_TRUE(display->setImageRef(picture));
        gl->drawView();
        software->drawView();
        ASSERT_TRUE(software->presentedFrame() == gl->presentedFrame()) << height << " rows";
    }
}

} // namespace
