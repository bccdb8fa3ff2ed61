// The display shares its thread with the window system's GL (Qt's backing store, the help
// page's web view): its context is current only while it works, and whatever context was
// current before is current again afterwards.
#include "display/WaveDisplay.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <gtest/gtest.h>

using namespace sweeplight::display;

namespace {

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
    // Another GL ES context on Mesa's surfaceless display, standing in for the window system's.
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    ASSERT_TRUE(getPlatformDisplay);
    EGLDisplay egl =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    ASSERT_TRUE(eglInitialize(egl, nullptr, nullptr) && eglBindAPI(EGL_OPENGL_ES_API));
    const EGLint attributes[] = { EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE };
    EGLContext other = eglCreateContext(egl, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    ASSERT_TRUE(eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, other));
    display->destroyFramebuffer();
    ASSERT_TRUE(display->createFramebuffer());
    EXPECT_TRUE(drawsAColumn(*display));
    EXPECT_EQ(eglGetCurrentContext(), other);
    display.reset();
    EXPECT_EQ(eglGetCurrentContext(), other) << "after teardown";
    eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl, other);
}

} // namespace
