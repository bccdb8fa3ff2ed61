// Counts every C++ heap allocation of this test program, so that a frame can be shown to
// allocate nothing.
#include "display/WaveDisplay.h"

#include <QImage>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <new>

static std::atomic<long> gAllocations { 0 };

// The standard library's array, nothrow and sized forms all come through these two.
void* operator new(std::size_t size) {
    ++gAllocations;
    void* memory = std::malloc(size ? size : 1);
    return memory ? memory : throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

using namespace sweeplight::display;

namespace {
// The GL driver compiles and caches its own code the first time it meets a state, and that is
// not the frame's doing: every measured run is preceded by the same run as warm-up.
long allocationsDuring(WaveDisplay& display, int frames) {
    const int messagePointer = display.messagePointer();
    const int imagePointer = display.imagePointer();
    for (int i = 0; i < frames; ++i)
        display.drawView();
    display.setMessagePointer(messagePointer);
    display.setImagePointer(imagePointer);
    const long before = gAllocations;
    for (int i = 0; i < frames; ++i)
        display.drawView();
    return gAllocations - before;
}
} // namespace

// Drawn through GL and in software, each mode added to the ones before: columns, rainbow, whole
// letters, picture.
TEST(FrameAllocation, FramesAllocateNothingInAnyMode) {
    for (bool software : { false, true }) {
        std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
        ASSERT_NE(display, nullptr);
        display->setSoftwareFrames(software);
        display->setMessage(" h e y ");
        QImage picture(20, 16, QImage::Format_RGB32);
        picture.fill(Qt::yellow);
        display->setImageRef(picture);
        display->setInRepeatMode(true);
        const std::function<void()> modes[] = { [] {}, [&] { display->setRainbowMode(true); },
                                                [&] { display->setDrawWholeLetterMode(true); },
                                                [&] { display->setInImageMode(true); } };
        for (std::size_t mode = 0; mode < std::size(modes); ++mode) {
            modes[mode]();
            EXPECT_EQ(allocationsDuring(*display, 40), 0) << "mode " << mode << " " << software;
        }
    }
}
