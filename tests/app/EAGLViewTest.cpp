#include "app/EAGLView.h"

#include "AppTestWorld.h"
#include "LogCapture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

using namespace sweeplight;
using app::EAGLView;

namespace {

// 40 columns: long enough that the cursor position counts the frames drawn.
const QString kLongMessage = QStringLiteral("mmmmmmmm");

class EAGLViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(view, nullptr);
        view->resize(320, 480);
    }

    void showView() {
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        QApplication::processEvents(); // the screen takes what the view has to paint
    }
    void advanceTo(double time) { runLoop.advance(time - runLoop.now()); }

    fixtures::LogCapture log; // keeps the view's diagnostics off the console
    app::test::AppTestWorld world;
    foundation::ManualRunLoop& runLoop = world.runLoop;
    std::unique_ptr<EAGLView> view = EAGLView::create(runLoop, world.accelerometer);
};

} // namespace

TEST_F(EAGLViewTest, TheTimerDrawsOneFramePerTickIsNeverDoubledAndRestartsOnANewInterval) {
    view->startAnimation();
    EXPECT_FALSE(view->isAnimating()) << "no interval, no timer";
    view->setAnimationInterval(0.1);
    EXPECT_EQ(runLoop.scheduledCount(), 0u) << "only stored while stopped";
    showView();
    view->setMessage(kLongMessage);
    view->startAnimation();
    view->startAnimation();
    EXPECT_EQ(runLoop.scheduledCount(), 1u);
    world.run(0.25); // frames at 0.1 and 0.2
    ASSERT_EQ(view->display().messagePointer(), 2);
    view->setAnimationInterval(1.0 / 60);
    EXPECT_EQ(runLoop.scheduledCount(), 1u);
    world.run(0.0495); // the old period would fire at 0.3; the new one fires from 0.25 every 1/60 s
    EXPECT_EQ(view->display().messagePointer(), 4);
    view->stopAnimation();
    view->stopAnimation();
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}

TEST_F(EAGLViewTest, AFrameNotYetOnScreenHoldsBackTheNextColumn) {
    showView();
    view->setMessage(kLongMessage);
    std::vector<int> presented;
    view->onFramePresented = [&](const QImage&, const display::DrawnFrame& drawn) {
        presented.push_back(drawn.column);
    };
    view->setAnimationInterval(0.01);
    view->startAnimation();

    // The screen is busy for five ticks: the four after the first draw nothing.
    runLoop.advance(0.05);
    EXPECT_EQ(view->display().messagePointer(), 1);
    EXPECT_TRUE(presented.empty());
    QApplication::processEvents(); // the screen catches up
    world.run(0.02, 0.01);
    // Every column drawn was presented, in order, none skipped.
    EXPECT_EQ(presented, (std::vector<int> { 0, 1, 2 }));
}

TEST_F(EAGLViewTest, TouchHidesTheHintAndShowsTheMenuButtonForThreeSeconds) {
    showView();
    view->showWavePhone();
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(view->isWavePhoneShown());
    ASSERT_NE(view->infoButton(), nullptr);
    advanceTo(2);
    view->touchesBegan();
    advanceTo(4.99);
    EXPECT_TRUE(view->infoButton()->isVisible()) << "three seconds from the last touch";
    advanceTo(5.01);
    EXPECT_FALSE(view->infoButton()->isVisible());
    view->touchesBegan();
    // Without a delegate there is no one to ask for the menu (the end-to-end test opens it).
    QTest::mouseClick(view->infoButton(), Qt::LeftButton);

    // When the hint shows on its own or goes at a jolt is the tracker's rule; a brief showing
    // is the view's.
    view->brieflyShowWave();
    advanceTo(runLoop.now() + 2.29);
    EXPECT_TRUE(view->isWavePhoneShown());
    advanceTo(runLoop.now() + 0.02);
    EXPECT_FALSE(view->isWavePhoneShown());
}

TEST_F(EAGLViewTest, ListensToTheAccelerometerUntilTeardownWhichStopsEveryTimer) {
    EXPECT_EQ(world.accelerometer.delegate(), view.get());
    view->setAnimationInterval(0.1);
    view->startAnimation();
    view->brieflyShowWave();
    view->touchesBegan();
    view.reset();
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
    EXPECT_EQ(world.accelerometer.delegate(), nullptr);
    runLoop.advance(5);
}
