// The display shares its thread with the window system's GL (Qt's backing store, the help
// page's web view): its context is current only while it works, and whatever context was
// current before is current again afterwards.
#include "display/WaveDisplay.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <QImage>
#include <gtest/gtest.h>

using namespace sweeplight::display;

namespace {

// Another GL ES context on Mesa's surfaceless display, standing in for the window system's.
struct OtherContext {
    OtherContext() {
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay)
            return;
        display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
            return;
        eglBindAPI(EGL_OPENGL_ES_API);
        const EGLint attributes[] = { EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE };
        context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    }
    ~OtherContext() {
        if (eglGetCurrentContext() == context)
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
    }
    bool makeCurrent() {
        return context != EGL_NO_CONTEXT &&
               eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
    }
    EGLDisplay display { EGL_NO_DISPLAY };
    EGLContext context { EGL_NO_CONTEXT };
};

// Whether a frame of the message's columns shows LEDs: the bars lie in pixel columns 145 to
// 162, nothing lies right of them.
bool someColumnLit(WaveDisplay& display) {
    for (int column = 0; column < display.strip().messageLength(); ++column) {
        display.setMessagePointer(column);
        display.drawView();
        for (int y = 0; y < display.presentedFrame().height(); ++y) {
            const QImage& frame = display.presentedFrame();
            if ((frame.pixel(150, y) & 0xFFFFFF) != 0 && (frame.pixel(170, y) & 0xFFFFFF) == 0)
                return true;
        }
    }
    return false;
}

TEST(GLContext, NothingIsLeftCurrentAndAnEarlierContextComesBack) {
    std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT) << "after creation";
    display->setMessage(" h ");
    EXPECT_TRUE(someColumnLit(*display));
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT) << "after the frames";

    // A rebuilt framebuffer draws in the display's own context, and leaves the other current.
    OtherContext other;
    ASSERT_TRUE(other.makeCurrent());
    display->destroyFramebuffer();
    ASSERT_TRUE(display->createFramebuffer());
    EXPECT_TRUE(someColumnLit(*display));
    EXPECT_FALSE(display->rendererDescription().empty());
    EXPECT_EQ(eglGetCurrentContext(), other.context);
    EXPECT_EQ(eglGetCurrentDisplay(), other.display);
    display.reset();
    EXPECT_EQ(eglGetCurrentContext(), other.context) << "after teardown";
}

} // namespace
