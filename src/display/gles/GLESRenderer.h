#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

    // GL version, renderer and EGL platform, for logs.
    std::string description() const;
    // Which EGL platform the context runs on: "surfaceless" or "pbuffer".
    const char* platform() const { return platform_; }

private:
    struct Egl;
    class Current;
    explicit GLESRenderer(std::unique_ptr<Egl> egl);
    void addDrawn(float u, float v, float size);

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
};

} // namespace sweeplight::display
