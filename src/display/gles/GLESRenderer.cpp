#include "GLESRenderer.h"

#include "foundation/Log.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES/gl.h>
#include <GLES/glext.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace sweeplight::display {

namespace {

constexpr const char* kIncompleteFramebufferLog = "failed to make complete framebuffer object %x";
// Forces the pbuffer fallback ("pbuffer") where the surfaceless platform misbehaves.
constexpr const char* kPlatformVariable = "SWEEPLIGHT_EGL_PLATFORM";

bool hasExtension(const char* extensions, const char* name) {
    if (!extensions)
        return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(extensions, name); at; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == extensions || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

} // namespace

// The EGL objects and the framebuffer-object entry points. libGLESv1_CM does not export the
// OES framebuffer functions for linking, so they are fetched through eglGetProcAddress.
struct GLESRenderer::Egl {
    EGLDisplay display { EGL_NO_DISPLAY };
    EGLContext context { EGL_NO_CONTEXT };
    EGLSurface surface { EGL_NO_SURFACE };

    PFNGLGENFRAMEBUFFERSOESPROC glGenFramebuffersOES { nullptr };
    PFNGLGENRENDERBUFFERSOESPROC glGenRenderbuffersOES { nullptr };
    PFNGLBINDFRAMEBUFFEROESPROC glBindFramebufferOES { nullptr };
    PFNGLBINDRENDERBUFFEROESPROC glBindRenderbufferOES { nullptr };
    PFNGLRENDERBUFFERSTORAGEOESPROC glRenderbufferStorageOES { nullptr };
    PFNGLFRAMEBUFFERRENDERBUFFEROESPROC glFramebufferRenderbufferOES { nullptr };
    PFNGLGETRENDERBUFFERPARAMETERIVOESPROC glGetRenderbufferParameterivOES { nullptr };
    PFNGLCHECKFRAMEBUFFERSTATUSOESPROC glCheckFramebufferStatusOES { nullptr };
    PFNGLDELETEFRAMEBUFFERSOESPROC glDeleteFramebuffersOES { nullptr };
    PFNGLDELETERENDERBUFFERSOESPROC glDeleteRenderbuffersOES { nullptr };

    ~Egl() {
        if (display == EGL_NO_DISPLAY)
            return;
        if (eglGetCurrentContext() == context)
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        // The display is shared by every context of the process and is never terminated.
    }

    bool createSurfaceless() {
        const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (!hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless"))
            return false;
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay)
            return false;
        EGLDisplay candidate =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, nullptr, nullptr))
            return false;
        const char* extensions = eglQueryString(candidate, EGL_EXTENSIONS);
        if (!hasExtension(extensions, "EGL_KHR_surfaceless_context"))
            return false;
        // No config offers GL ES 1 on this platform; a context without a config works.
        if (!hasExtension(extensions, "EGL_KHR_no_config_context") &&
            !hasExtension(extensions, "EGL_MESA_configless_context"))
            return false;
        if (!eglBindAPI(EGL_OPENGL_ES_API))
            return false;
        const EGLint attributes[] = { EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE };
        EGLContext created =
            eglCreateContext(candidate, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
        if (created == EGL_NO_CONTEXT)
            return false;
        display = candidate;
        context = created;
        return true;
    }

    bool createPbuffer() {
        EGLDisplay candidate = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, nullptr, nullptr))
            return false;
        if (!eglBindAPI(EGL_OPENGL_ES_API))
            return false;
        const EGLint configAttributes[] = { EGL_SURFACE_TYPE,
                                            EGL_PBUFFER_BIT,
                                            EGL_RENDERABLE_TYPE,
                                            EGL_OPENGL_ES_BIT,
                                            EGL_RED_SIZE,
                                            8,
                                            EGL_GREEN_SIZE,
                                            8,
                                            EGL_BLUE_SIZE,
                                            8,
                                            EGL_NONE };
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(candidate, configAttributes, &config, 1, &count) || count < 1)
            return false;
        const EGLint surfaceAttributes[] = { EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE };
        EGLSurface created = eglCreatePbufferSurface(candidate, config, surfaceAttributes);
        if (created == EGL_NO_SURFACE)
            return false;
        const EGLint contextAttributes[] = { EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE };
        EGLContext createdContext =
            eglCreateContext(candidate, config, EGL_NO_CONTEXT, contextAttributes);
        if (createdContext == EGL_NO_CONTEXT) {
            eglDestroySurface(candidate, created);
            return false;
        }
        display = candidate;
        surface = created;
        context = createdContext;
        return true;
    }

    template <typename Function> bool load(Function& function, const char* name) {
        function = reinterpret_cast<Function>(eglGetProcAddress(name));
        return function != nullptr;
    }

    bool loadFramebufferFunctions() {
        return load(glGenFramebuffersOES, "glGenFramebuffersOES") &&
               load(glGenRenderbuffersOES, "glGenRenderbuffersOES") &&
               load(glBindFramebufferOES, "glBindFramebufferOES") &&
               load(glBindRenderbufferOES, "glBindRenderbufferOES") &&
               load(glRenderbufferStorageOES, "glRenderbufferStorageOES") &&
               load(glFramebufferRenderbufferOES, "glFramebufferRenderbufferOES") &&
               load(glGetRenderbufferParameterivOES, "glGetRenderbufferParameterivOES") &&
               load(glCheckFramebufferStatusOES, "glCheckFramebufferStatusOES") &&
               load(glDeleteFramebuffersOES, "glDeleteFramebuffersOES") &&
               load(glDeleteRenderbuffersOES, "glDeleteRenderbuffersOES");
    }

    bool makeCurrent() {
        if (eglGetCurrentContext() == context && eglGetCurrentSurface(EGL_DRAW) == surface)
            return true;
        return eglMakeCurrent(display, surface, surface, context) == EGL_TRUE;
    }

    // The context is current only between acquire and the matching release. The window system's
    // own GL (Qt's, the web view's) shares this thread: a context left current here makes it
    // refuse or lose its own. Whatever EGL context was current before comes back afterwards.
    bool acquire() {
        if (depth > 0) {
            ++depth;
            return makeCurrent();
        }
        previousDisplay = eglGetCurrentDisplay();
        previousContext = eglGetCurrentContext();
        previousDraw = eglGetCurrentSurface(EGL_DRAW);
        previousRead = eglGetCurrentSurface(EGL_READ);
        if (previousContext == context)
            previousContext = EGL_NO_CONTEXT;
        if (!makeCurrent())
            return false;
        depth = 1;
        return true;
    }

    void release() {
        if (depth == 0 || --depth > 0)
            return;
        if (previousContext != EGL_NO_CONTEXT &&
            eglMakeCurrent(previousDisplay, previousDraw, previousRead, previousContext))
            return;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }

    int depth { 0 };
    EGLDisplay previousDisplay { EGL_NO_DISPLAY };
    EGLContext previousContext { EGL_NO_CONTEXT };
    EGLSurface previousDraw { EGL_NO_SURFACE };
    EGLSurface previousRead { EGL_NO_SURFACE };
};

// Holds the renderer's context current for one step.
class GLESRenderer::Current {
public:
    explicit Current(Egl& egl)
        : egl_(egl)
        , current_(egl.acquire()) {}
    ~Current() {
        if (current_)
            egl_.release();
    }
    Current(const Current&) = delete;
    Current& operator=(const Current&) = delete;
    explicit operator bool() const { return current_; }

private:
    Egl& egl_;
    bool current_;
};

std::unique_ptr<GLESRenderer> GLESRenderer::create() {
    const char* forced = std::getenv(kPlatformVariable);
    const bool pbufferOnly = forced && std::strcmp(forced, "pbuffer") == 0;

    auto egl = std::make_unique<Egl>();
    const char* platform = "surfaceless";
    if (pbufferOnly || !egl->createSurfaceless() || !egl->acquire()) {
        egl = std::make_unique<Egl>();
        platform = "pbuffer";
        if (!egl->createPbuffer() || !egl->acquire())
            return nullptr;
    }
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!hasExtension(extensions, "GL_OES_framebuffer_object") ||
        !egl->loadFramebufferFunctions()) {
        egl->release();
        return nullptr;
    }

    std::unique_ptr<GLESRenderer> renderer(new GLESRenderer(std::move(egl)));
    renderer->platform_ = platform;
    GLfloat pointSizeRange[2] = { 1, 1 };
    glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, pointSizeRange);
    renderer->largestPointSize_ = pointSizeRange[1];
    renderer->egl_->release();
    return renderer;
}

GLESRenderer::GLESRenderer(std::unique_ptr<Egl> egl)
    : egl_(std::move(egl)) {
    // Room for the most points a frame draws (a picture column), so that frames allocate
    // nothing.
    squares_.reserve(1024);
}

GLESRenderer::~GLESRenderer() {
    if (frameCurrent_)
        egl_->release();
    if (Current current(*egl_); current)
        destroyFramebuffer();
}

bool GLESRenderer::makeCurrent() {
    return egl_->makeCurrent();
}

bool GLESRenderer::createFramebuffer(int width, int height) {
    Current current(*egl_);
    if (!current)
        return false;
    Egl& egl = *egl_;
    egl.glGenFramebuffersOES(1, &viewFramebuffer);
    egl.glGenRenderbuffersOES(1, &viewRenderbuffer);
    egl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, viewFramebuffer);
    egl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, viewRenderbuffer);
    // The storage a screen layer would give: RGBA8, the size of the drawable.
    egl.glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    egl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                     GL_RENDERBUFFER_OES, viewRenderbuffer);
    GLint queriedWidth = 0;
    GLint queriedHeight = 0;
    egl.glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES,
                                        &queriedWidth);
    egl.glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES,
                                        &queriedHeight);
    backingWidth_ = queriedWidth;
    backingHeight_ = queriedHeight;

    // The readback buffer is sized here, once, so that presenting a frame allocates nothing.
    const long size = static_cast<long>(backingWidth_) * backingHeight_ * 4;
    if (size != readbackSize_) {
        readback_.reset(size > 0 ? new (std::nothrow) std::uint8_t[size] : nullptr);
        readbackSize_ = readback_ ? size : 0;
    }

    const GLenum status = egl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
    if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
        char line[64];
        std::snprintf(line, sizeof line, kIncompleteFramebufferLog, status);
        foundation::logLine(line);
        return false;
    }
    return true;
}

void GLESRenderer::destroyFramebuffer() {
    Current current(*egl_);
    if (!current)
        return;
    Egl& egl = *egl_;
    egl.glDeleteFramebuffersOES(1, &viewFramebuffer);
    viewFramebuffer = 0;
    egl.glDeleteRenderbuffersOES(1, &viewRenderbuffer);
    viewRenderbuffer = 0;
    if (depthRenderbuffer) {
        egl.glDeleteRenderbuffersOES(1, &depthRenderbuffer);
        depthRenderbuffer = 0;
    }
}

void GLESRenderer::setSoftwareFrames(bool on) {
    softwareFrames_ = on;
    squares_.clear();
    drawnArea_ = {};
}

void GLESRenderer::beginFrame() {
    if (softwareFrames_) {
        squares_.clear();
        drawnArea_ = {};
        return;
    }
    // Current until present() ends the frame.
    if (!frameCurrent_)
        frameCurrent_ = egl_->acquire();
    if (!frameCurrent_)
        return;
    glViewport(0, 0, backingWidth_, backingHeight_);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, static_cast<GLfloat>(backingWidth_), 0, static_cast<GLfloat>(backingHeight_), -1,
             1);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    drawnArea_ = {};
}

void GLESRenderer::beginLEDs() {
    // The LED frame: u runs down from the top edge, v right from the left edge, so a model
    // point (u, v) lands on (x = v, y = 480 - u) of the bottom-left-origin surface.
    if (softwareFrames_ || !frameCurrent_)
        return;
    glLoadIdentity();
    glTranslatef(0, 480, 0);
    glRotatef(-90, 0, 0, 1);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void GLESRenderer::beginPoints(float pointSize) {
    if (softwareFrames_) {
        pointSize_ = pointSize;
        return;
    }
    if (!frameCurrent_)
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glPointSize(pointSize);
    pointSize_ = pointSize;
}

void GLESRenderer::drawPoint(float u, float v, float red, float green, float blue, float alpha) {
    if (softwareFrames_) {
        // As GL stores a colour component in 8 bits: clamped, scaled and rounded.
        auto byte = [](float component) {
            return static_cast<std::uint8_t>(
                std::lrint(std::clamp(component, 0.0f, 1.0f) * 255.0f));
        };
        recordSquare(u, v, byte(red), byte(green), byte(blue));
        return;
    }
    if (!frameCurrent_)
        return;
    glColor4f(red, green, blue, alpha);
    if (red > 0 || green > 0 || blue > 0)
        addDrawn(u, v, pointSize_);
    if (pointSize_ > largestPointSize_) {
        // Points larger than the implementation draws (llvmpipe stops at 255 pixels; a
        // one-row picture asks for 480) become the same square drawn as two triangles.
        const GLfloat half = pointSize_ / 2;
        const GLfloat square[8] = { u - half, v - half, u + half, v - half,
                                    u - half, v + half, u + half, v + half };
        glVertexPointer(2, GL_FLOAT, 0, square);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        return;
    }
    const GLfloat vertex[2] = { u, v };
    glVertexPointer(2, GL_FLOAT, 0, vertex);
    glDrawArrays(GL_POINTS, 0, 1);
}

void GLESRenderer::drawPoints(const float* vertices, const std::uint8_t* colors, int count) {
    if (softwareFrames_) {
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* rgba = colors + 4 * i;
            recordSquare(vertices[2 * i], vertices[2 * i + 1], rgba[0], rgba[1], rgba[2]);
        }
        return;
    }
    if (!frameCurrent_)
        return;
    if (pointSize_ > largestPointSize_) {
        // Too large for a point: only a picture of one row comes here, so a square per point.
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* rgba = colors + 4 * i;
            drawPoint(vertices[2 * i], vertices[2 * i + 1], rgba[0] / 255.0f, rgba[1] / 255.0f,
                      rgba[2] / 255.0f, rgba[3] / 255.0f);
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* rgba = colors + 4 * i;
        if (rgba[0] || rgba[1] || rgba[2])
            addDrawn(vertices[2 * i], vertices[2 * i + 1], pointSize_);
    }
    // One draw for the whole column: the points keep their order, so a later one still covers
    // an earlier one where they overlap, as separate draws would.
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colors);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_POINTS, 0, count);
    glDisableClientState(GL_COLOR_ARRAY);
}

void GLESRenderer::addDrawn(float u, float v, float size) {
    // An aliased point is drawn at its size rounded, and at least one pixel.
    const float half = std::max(1.0f, std::ceil(size)) / 2 + 1;
    // The LED frame: x = v, and u from the top of the 480-pixel-high frame.
    const float top = u + static_cast<float>(backingHeight_ - 480);
    ScreenArea square { static_cast<int>(std::floor(v - half)),
                        static_cast<int>(std::floor(top - half)),
                        static_cast<int>(std::ceil(v + half)),
                        static_cast<int>(std::ceil(top + half)) };
    square.left = std::max(square.left, 0);
    square.top = std::max(square.top, 0);
    square.right = std::min(square.right, backingWidth_);
    square.bottom = std::min(square.bottom, backingHeight_);
    if (square.isEmpty())
        return;
    if (drawnArea_.isEmpty()) {
        drawnArea_ = square;
        return;
    }
    drawnArea_.left = std::min(drawnArea_.left, square.left);
    drawnArea_.top = std::min(drawnArea_.top, square.top);
    drawnArea_.right = std::max(drawnArea_.right, square.right);
    drawnArea_.bottom = std::max(drawnArea_.bottom, square.bottom);
}

ScreenArea GLESRenderer::pointSquare(float u, float v) const {
    // The LED frame: x = v and y = 480 - u on the bottom-left-origin surface; rows are counted
    // from the top here.
    const float x = v;
    const float y = 480.0f - u;
    ScreenArea square;
    int bottomUp = 0;
    int size = 0;
    if (pointSize_ > largestPointSize_) {
        // Two triangles: the pixels whose centres lie in the square, left and lower edges in.
        const float half = pointSize_ / 2;
        auto first = [](float edge) { return static_cast<int>(std::ceil(edge - 0.5f)); };
        square.left = first(x - half);
        square.right = first(x + half);
        bottomUp = first(y - half);
        size = first(y + half) - bottomUp;
    } else {
        // llvmpipe's aliased point: positions and size in 1/256 pixel; the size rounded to
        // whole pixels with halves going down; an odd square centred on the pixel that holds
        // the position, an even one on the pixel corner nearest to it.
        const long width = std::max(1L, (std::lrint(pointSize_ * 256.0f) + 127) >> 8);
        auto start = [width](float centre) {
            const long fixed = std::lrint(centre * 256.0f);
            return static_cast<int>(width % 2 ? (fixed >> 8) - (width - 1) / 2
                                              : ((fixed + 128) >> 8) - width / 2);
        };
        square.left = start(x);
        square.right = square.left + static_cast<int>(width);
        bottomUp = start(y);
        size = static_cast<int>(width);
    }
    square.top = backingHeight_ - (bottomUp + size);
    square.bottom = backingHeight_ - bottomUp;
    square.left = std::max(square.left, 0);
    square.top = std::max(square.top, 0);
    square.right = std::min(square.right, backingWidth_);
    square.bottom = std::min(square.bottom, backingHeight_);
    return square;
}

void GLESRenderer::recordSquare(float u, float v, std::uint8_t red, std::uint8_t green,
                                std::uint8_t blue) {
    if (red || green || blue)
        addDrawn(u, v, pointSize_);
    const ScreenArea square = pointSquare(u, v);
    if (!square.isEmpty())
        squares_.push_back({ square, { red, green, blue, 255 } });
}

void GLESRenderer::drawSquares(const ScreenArea& area) {
    // Black and opaque as cleared, then every square in drawing order: a later one covers an
    // earlier one, as opaque points do. Rows bottom first, as glReadPixels gives them.
    const long rowBytes = static_cast<long>(area.width()) * 4;
    auto row = [&](int top) { return readback_.get() + (area.bottom - 1 - top) * rowBytes; };
    static constexpr std::uint8_t kBlack[4] = { 0, 0, 0, 255 };
    for (int top = area.top; top < area.bottom; ++top) {
        std::uint8_t* pixel = row(top);
        for (int x = 0; x < area.width(); ++x, pixel += 4)
            std::memcpy(pixel, kBlack, 4);
    }
    for (const Square& square : squares_) {
        const int left = std::max(square.area.left, area.left);
        const int right = std::min(square.area.right, area.right);
        const int top = std::max(square.area.top, area.top);
        const int bottom = std::min(square.area.bottom, area.bottom);
        if (left >= right || top >= bottom)
            continue;
        for (int y = top; y < bottom; ++y) {
            std::uint8_t* pixel = row(y) + (left - area.left) * 4;
            for (int x = left; x < right; ++x, pixel += 4)
                std::memcpy(pixel, square.rgba, 4);
        }
    }
}

void GLESRenderer::present() {
    if (!frameCurrent_)
        return;
    egl_->glBindRenderbufferOES(GL_RENDERBUFFER_OES, viewRenderbuffer);
    frameCurrent_ = false;
    egl_->release();
}

const std::uint8_t* GLESRenderer::readPixels(const ScreenArea& area) {
    if (!readback_ || area.isEmpty() || area.left < 0 || area.top < 0 ||
        area.right > backingWidth_ || area.bottom > backingHeight_)
        return nullptr;
    if (softwareFrames_) {
        drawSquares(area);
        return readback_.get();
    }
    // The frame is over: the context is current again only for the read.
    Current current(*egl_);
    if (!current)
        return nullptr;
    // Rows of RGBA bytes are whole words, so a pack alignment of 4 leaves no gaps.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(area.left, backingHeight_ - area.bottom, area.width(), area.height(), GL_RGBA,
                 GL_UNSIGNED_BYTE, readback_.get());
    return readback_.get();
}

std::string GLESRenderer::description() const {
    Current current(*egl_);
    if (!current)
        return std::string("no current context, ") + platform_ + " EGL";
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return std::string(version ? version : "?") + " (" + (renderer ? renderer : "?") + "), " +
           platform_ + " EGL";
}

} // namespace sweeplight::display
