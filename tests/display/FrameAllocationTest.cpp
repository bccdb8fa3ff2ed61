// Counts every C++ heap allocation of this test program, so that a frame can be shown to
// allocate nothing.
#include "display/WaveDisplay.h"

#include <QImage>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {
std::atomic<long> gAllocations { 0 };
}

void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++gAllocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
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

class FrameAllocation : public ::testing::TestWithParam<bool> {};

TEST_P(FrameAllocation, FramesAllocateNothingInAnyMode) {
    std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
    ASSERT_NE(display, nullptr);
    display->setSoftwareFrames(GetParam());
    display->setMessage(" h e y ");
    EXPECT_EQ(allocationsDuring(*display, 20), 0) << "column mode";

    display->setRainbowMode(true);
    EXPECT_EQ(allocationsDuring(*display, 20), 0) << "rainbow";

    display->setDrawWholeLetterMode(true);
    EXPECT_EQ(allocationsDuring(*display, 20), 0) << "whole letters";

    QImage picture(20, 16, QImage::Format_RGB32);
    picture.fill(Qt::yellow);
    display->setImageRef(picture);
    display->setInImageMode(true);
    display->setInRepeatMode(true);
    EXPECT_EQ(allocationsDuring(*display, 40), 0) << "picture";

    // The counter sees allocations at all (a frame that did allocate would be caught).
    const long before = gAllocations;
    QImage copy = display->presentedFrame().copy();
    EXPECT_GT(gAllocations - before, 0);
}

INSTANTIATE_TEST_SUITE_P(Drawn, FrameAllocation, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "InSoftware" : "ThroughGL"; });
