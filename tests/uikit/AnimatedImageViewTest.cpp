#include "uikit/AnimatedImageView.h"

#include "foundation/ManualRunLoop.h"

#include <gtest/gtest.h>

namespace sweeplight::uikit {
namespace {

QImage solid(Qt::GlobalColor colour) {
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

TEST(AnimatedImageView, CyclesTheFramesForTheRepeatCountThenShowsTheStillImage) {
    foundation::ManualRunLoop runLoop;
    AnimatedImageView view { runLoop };
    view.setImage(solid(Qt::black));
    view.setAnimationImages({ solid(Qt::red), solid(Qt::green) });
    view.resize(40, 30);
    view.startAnimating();
    view.stopAnimating();
    EXPECT_EQ(view.displayedImage().pixelColor(0, 0), QColor(Qt::black));
    view.setAnimationDuration(1.6);
    view.setAnimationRepeatCount(2);
    view.startAnimating();
    view.startAnimating(); // already running: still one timer
    EXPECT_EQ(runLoop.scheduledCount(), 1u);
    EXPECT_EQ(view.displayedImage().pixelColor(0, 0), QColor(Qt::red));
    runLoop.advance(0.79);
    EXPECT_EQ(view.currentFrameIndex(), 0);
    runLoop.advance(0.02);
    EXPECT_EQ(view.grab().toImage().pixelColor(38, 28), QColor(Qt::green)) << "painted, stretched";
    runLoop.advance(2.4);
    EXPECT_FALSE(view.isAnimating());
    EXPECT_EQ(view.displayedImage().pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
    view.setAnimationImages({});
    view.startAnimating();
    EXPECT_FALSE(view.isAnimating()) << "no frames never start";
    {
        AnimatedImageView other(runLoop);
        other.setAnimationImages({ solid(Qt::red) });
        other.startAnimating();
    }
    EXPECT_EQ(runLoop.scheduledCount(), 0u) << "a view that goes takes its timer";
}

} // namespace
} // namespace sweeplight::uikit
