#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sweeplight::display {

// A rectangle of the framebuffer in screen pixels: x right from the left edge, y down from the
// top edge; right and bottom are outside it.
struct ScreenArea {
    int left { 0 };
    int top { 0 };
    int right { 0 };
    int bottom { 0 };
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
};

// The OpenGL ES 1.1 side of the display: an EGL context (Mesa's surfaceless platform, or a
// pbuffer on the default display where that platform is missing), a framebuffer object with
// one RGBA8 colour renderbuffer, and the few drawing steps the LED frame is made of. This file
// pair is the only one that includes the GL ES headers; it includes no Qt header at all, so
// the GL ES and Qt OpenGL declarations never meet.
class GLESRenderer final {
public:
    // Null when no OpenGL ES 1.1 context can be created or made current.
    static std::unique_ptr<GLESRenderer> create();
    ~GLESRenderer();
    GLESRenderer(const GLESRenderer&) = delete;
    GLESRenderer& operator=(const GLESRenderer&) = delete;

    // Leaves the context current; every other step makes it current only while it runs, and
    // a frame keeps it from beginFrame to present.
    bool makeCurrent();

    // Storage of `width` x `height` RGBA8. False (and the log line) when incomplete.
    bool createFramebuffer(int width, int height);
    void destroyFramebuffer();
    int backingWidth() const { return backingWidth_; }
    int backingHeight() const { return backingHeight_; }

    // Frame steps, issued in this order: beginFrame (context, viewport, projection, clear),
    // beginLEDs (LED frame and render state), then per content beginPoints and drawPoint or
    // drawPoints, and present.
    void beginFrame();
    void beginLEDs();
    void beginPoints(float pointSize);
    // A square point at (u, v) of the LED frame: u down from the top edge, v right from the
    // left edge.
    void drawPoint(float u, float v, float red, float green, float blue, float alpha);
    // `count` square points in one draw: `vertices` holds (u, v) pairs, `colors` RGBA bytes.
    void drawPoints(const float* vertices, const std::uint8_t* colors, int count);
    // Ends the frame: the context that was current before beginFrame is current again.
    void present();

    // Where this frame may have lit pixels: the squares of the points drawn in a colour (black
    // ones light nothing on the black background), a pixel wider on each side for rounding.
    // Outside it the frame is black. Empty for a black frame.
    const ScreenArea& drawnArea() const { return drawnArea_; }
    // Reads `area` of the frame into a buffer of the renderer, which it returns: RGBA bytes,
    // `area.width()` x 4 bytes per row, bottom row first as GL keeps them. Allocates nothing.
    // Null when `area` is not inside the framebuffer.
    const std::uint8_t* readPixels(const ScreenArea& area);

    // Software frames: the frame steps only record the points, and readPixels draws the
    // requested area from them on the CPU, to the same bytes llvmpipe gives: an aliased point
    // covers a square of its size rounded (halves down, at least a pixel), centred on the pixel
    // centre (odd sizes) or corner (even sizes) nearest its position in 1/256 pixel, and its
    // colour is rounded to 8 bits. The points must be opaque, as the display's are. A frame no
    // one reads costs nothing; the GL context stays for the caller that switches this off.
    void setSoftwareFrames(bool on);
    bool softwareFrames() const { return softwareFrames_; }

    // GL version, renderer and EGL platform, for logs.
    std::string description() const;
    // Which EGL platform the context runs on: "surfaceless" or "pbuffer".
    const char* platform() const { return platform_; }

private:
    struct Egl;
    class Current;
    explicit GLESRenderer(std::unique_ptr<Egl> egl);
    // A point's square in screen pixels, top row first, clipped to the framebuffer.
    ScreenArea pointSquare(float u, float v) const;
    void addDrawn(float u, float v, float size);
    void recordSquare(float u, float v, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    void drawSquares(const ScreenArea& area);

    struct Square {
        ScreenArea area;
        std::uint8_t rgba[4];
    };

    std::unique_ptr<Egl> egl_;
    const char* platform_ { "" };
    unsigned viewFramebuffer { 0 };
    unsigned viewRenderbuffer { 0 };
    unsigned depthRenderbuffer { 0 };
    float pointSize_ { 1 };
    float largestPointSize_ { 1 };
    int backingWidth_ { 0 };
    int backingHeight_ { 0 };
    ScreenArea drawnArea_;
    bool frameCurrent_ { false };
    std::unique_ptr<std::uint8_t[]> readback_;
    long readbackSize_ { 0 };
    bool softwareFrames_ { false };
    std::vector<Square> squares_; // the software frame, in drawing order
};

} // namespace sweeplight::display
