#pragma once

#include "MessageStrip.h"
#include "PictureStrip.h"
#include "SteadyPlacement.h"
#include "SweepTracker.h"
#include "SwingModel.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sweeplight::display {

class GLESRenderer;

// What one frame showed, as an onlooker or a test needs to know it.
struct DrawnFrame {
    enum class Content {
        Column,  // a message strip column (dark columns included)
        Picture, // a picture column
        Letter,  // a whole character (whole-letter mode)
        Black,   // nothing: no picture, a pause frame of the whole-letter mode, no character
    };
    Content content { Content::Black };
    bool forwards { true }; // the sweep direction while the frame was drawn
    // The strip column, picture column or character index shown; -1 for a black frame.
    int column { -1 };
};

// The wave display without a window: the message strip, colour, modes, cursors, picture and
// sweep state, and the OpenGL ES 1.1 context that draws one column per frame into a 320 x 480
// framebuffer. Presenting a frame reads it back into presentedFrame(). The display view owns
// one of these; headless tools drive one directly.
class WaveDisplay final {
public:
    static constexpr int kFramebufferWidth = 320;
    static constexpr int kFramebufferHeight = 480;
    static constexpr const char* kCreationMessage = "hey!";

    // A display in its creation state (message "hey!", red, column mode, going forwards) with
    // its framebuffer made. Null when no OpenGL ES 1.1 context can be created or made current.
    static std::unique_ptr<WaveDisplay> create();
    ~WaveDisplay();
    WaveDisplay(const WaveDisplay&) = delete;
    WaveDisplay& operator=(const WaveDisplay&) = delete;

    // --- Content ---------------------------------------------------------------------------
    // Keeps `text`, rebuilds the strip and puts every message cursor back to the start; the
    // sweep direction is kept. Characters outside plain ASCII become glyph-less characters.
    void setMessage(const QString& text);
    const QString& currentMessage() const { return currentMessage_; }
    const MessageStrip& strip() const { return strip_; }

    // Loads a picture (decoded with QImage); the picture cursor restarts at column 0. A refused
    // picture leaves none (see PictureStrip), so picture frames stay black. Returns whether a
    // picture is held.
    bool setImageRef(const QImage& image);
    const PictureStrip& picture() const { return picture_; }

    // The single LED colour, taken in its RGB form.
    void setUIColor(const QColor& color);
    const QColor& currentColor() const { return currentColor_; }

    void setRainbowMode(bool on) { rainbowMode_ = on; }
    bool rainbowMode() const { return rainbowMode_; }
    void setInImageMode(bool on) { inImageMode_ = on; }
    bool inImageMode() const { return inImageMode_; }
    void setInRepeatMode(bool on) { inRepeatMode_ = on; }
    bool inRepeatMode() const { return inRepeatMode_; }
    void setDrawWholeLetterMode(bool on) { drawWholeLetterMode_ = on; }
    bool drawWholeLetterMode() const { return drawWholeLetterMode_; }
    // Steady letters: each frame draws the column (or picture column) that belongs where the
    // phone is now, from a learned model of the swing, instead of stepping one column per frame
    // from each turn-around. Whole-letter mode is not affected. Needs the clock below.
    void setSteadyLetters(bool on) { steadyLetters_ = on; }
    bool steadyLetters() const { return steadyLetters_; }
    // The time (seconds) of samples and frames, for steady letters; the run loop's now().
    void setClock(std::function<double()> now) { clock_ = std::move(now); }

    // --- Sweep -------------------------------------------------------------------------------
    // One accelerometer sample in g (motion/Accelerometer.h conventions). May call the hint
    // callbacks below and turn the sweep around.
    void didAccelerate(double x, double y, double z);
    // Called by didAccelerate: strong motion hides the hint, long stillness shows it.
    std::function<void()> onShowWavePhone;
    std::function<void()> onHideWavePhone;

    bool isGoingForwards() const { return tracker_.isGoingForwards(); }
    const SweepTracker& tracker() const { return tracker_; }
    const SwingModel& swingModel() const { return swingModel_; }
    float noMotionRating() const { return tracker_.noMotionRating; }
    void setNoMotionRating(float rating) { tracker_.noMotionRating = rating; }

    // Cursors. The setters let a tool show one chosen column; values are clamped to the strip or
    // picture.
    int messagePointer() const { return strip_.messagePointer; }
    void setMessagePointer(int column);
    int imagePointer() const { return picture_.imagePointer; }
    void setImagePointer(int column);
    int wholeMessagePointer() const { return wholeMessagePointer_; }
    int wholeMessageLength() const { return wholeMessageLength_; }
    int skipCounter() const { return skipCounter_; }

    // --- Surface and frames --------------------------------------------------------------------
    // The framebuffer (a 320 x 480 RGBA8 colour renderbuffer). createFramebuffer logs
    // "failed to make complete framebuffer object %x" and returns false when it is incomplete.
    bool createFramebuffer();
    void destroyFramebuffer();
    int backingWidth() const;
    int backingHeight() const;

    // Draws one frame (black, then the column, picture column or letter under the cursor),
    // steps the cursor, and presents the frame into presentedFrame(). Allocates nothing.
    DrawnFrame drawView();
    // The last presented frame, 320 x 480, top row first, as it appears on the screen.
    const QImage& presentedFrame() const { return presentedFrame_; }

    // Draws one frame as drawView does but leaves its pixels in the framebuffer, for a caller
    // that needs them only now and then; presentedFrame() keeps the last frame drawView drew.
    DrawnFrame drawFrame();
    // Steps the cursors as a frame does and tells what it would show, without drawing: for a
    // caller that needs no pixels at all.
    DrawnFrame skipFrame();
    // The part of the frame drawn last that may be lit, in screen pixels (top row first);
    // everything outside it is black. Empty for a black frame.
    QRect drawnArea() const;
    // Reads `area` (screen pixels, inside the framebuffer) of the frame drawn last: RGBA bytes,
    // `area.width()` x 4 bytes per row, the bottom row first. Valid until the next frame; null
    // for an area outside the framebuffer. Allocates nothing.
    const std::uint8_t* readFrame(const QRect& area);

    // Frames drawn on the CPU instead of through GL, to the same bytes (see GLESRenderer): for
    // a caller that reads few of them, or reads them all without a screen to show them on.
    void setSoftwareFrames(bool on);
    bool softwareFrames() const;

    // The GL implementation in use and how it was reached, e.g.
    // "OpenGL ES-CM 1.1 Mesa 22.3.6 (llvmpipe ...), surfaceless EGL" (or "pbuffer EGL").
    std::string rendererDescription() const;

private:
    explicit WaveDisplay(std::unique_ptr<GLESRenderer> renderer);

    void turn(bool forwards);
    // The frame's content, drawn with `gl`, or only stepped when it is null.
    DrawnFrame drawLEDs(GLESRenderer* gl);
    DrawnFrame drawColumnLetters(GLESRenderer* gl);
    DrawnFrame drawWholeLetters(GLESRenderer* gl);
    void drawCharInCenter(GLESRenderer& gl, signed char c);
    DrawnFrame drawColumnImage(GLESRenderer* gl);
    DrawnFrame drawSteadyFrame(GLESRenderer* gl);
    void drawStripColumn(GLESRenderer& gl, int column);
    void drawPictureColumn(GLESRenderer& gl, int column);
    double now() const { return clock_ ? clock_() : 0; }
    void ledColor(float hue, float rgb[3]) const;

    std::unique_ptr<GLESRenderer> renderer_;
    MessageStrip strip_;
    PictureStrip picture_;
    SweepTracker tracker_;
    SwingModel swingModel_;
    std::function<double()> clock_;

    QString currentMessage_;
    std::string message8Bit_; // one byte per character of currentMessage_
    QColor currentColor_ { Qt::red };
    float colorComponents_[3] { 1, 0, 0 };
    bool rainbowMode_ { false };
    bool inImageMode_ { false };
    bool inRepeatMode_ { false };
    bool drawWholeLetterMode_ { false };
    int wholeMessagePointer_ { 0 };
    int wholeMessageLength_ { 0 };
    int skipCounter_ { 0 };
    bool steadyLetters_ { false };
    SteadyPlacement steadyPlacement_;
    bool steadyForwards_ { true }; // the last direction steady letters were sure of
    double lastFrameTime_ { -1 };
    double frameInterval_ { 0 }; // measured between frames, for steady letters

    QImage presentedFrame_;
    QRect presentedArea_; // where presentedFrame_ may be lit
    // The picture column of a frame, built without allocating: (u, v) pairs and RGBA colours.
    std::array<float, 2 * PictureStrip::kColumnPixels> pictureVertices_ {};
    std::array<std::uint8_t, 4 * PictureStrip::kColumnPixels> pictureColors_ {};
};

} // namespace sweeplight::display
