#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sweeplight::display {

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
    // beginLEDs (LED frame and render state), then per content beginPoints and drawPoint, and
    // present.
    void beginFrame();
    void beginLEDs();
    void beginPoints(float pointSize);
    // A square point at (u, v) of the LED frame: u down from the top edge, v right from the
    // left edge.
    void drawPoint(float u, float v, float red, float green, float blue, float alpha);
    // Binds the colour renderbuffer and reads the frame back into `destination` (when given),
    // top row first (as on the screen), RGBA bytes, `bytesPerLine` apart. Ends the frame: the
    // context that was current before beginFrame is current again.
    void present(std::uint8_t* destination, long bytesPerLine);

    // GL version, renderer and EGL platform, for logs.
    std::string description() const;
    // Which EGL platform the context runs on: "surfaceless" or "pbuffer".
    const char* platform() const { return platform_; }

private:
    struct Egl;
    class Current;
    void readBack(std::uint8_t* destination, long bytesPerLine);
    explicit GLESRenderer(std::unique_ptr<Egl> egl);

    std::unique_ptr<Egl> egl_;
    const char* platform_ { "" };
    unsigned viewFramebuffer { 0 };
    unsigned viewRenderbuffer { 0 };
    unsigned depthRenderbuffer { 0 };
    float pointSize_ { 1 };
    float largestPointSize_ { 1 };
    int backingWidth_ { 0 };
    int backingHeight_ { 0 };
    bool frameCurrent_ { false };
    std::unique_ptr<std::uint8_t[]> readback_;
    long readbackSize_ { 0 };
};

} // namespace sweeplight::display
