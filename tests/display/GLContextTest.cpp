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

// Whether the display draws: the first column of "h" lights its top LED at x 150.
bool drawsAColumn(WaveDisplay& display) {
    display.setMessage("h");
    display.drawView();
    return (display.presentedFrame().pixel(150, 35) & 0xFFFFFF) != 0;
}

// A rebuilt framebuffer draws in the display's own context, and leaves the other current.
TEST(GLContext, NothingIsLeftCurrentAndAnEarlierContextComesBack) {
    std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(drawsAColumn(*display));
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    OtherContext other;
    ASSERT_TRUE(other.makeCurrent());
    display->destroyFramebuffer();
    ASSERT_TRUE(display->createFramebuffer());
    EXPECT_TRUE(drawsAColumn(*display));
    EXPECT_EQ(eglGetCurrentContext(), other.context);
    display.reset();
    EXPECT_EQ(eglGetCurrentContext(), other.context) << "after teardown";
}

} // namespace
