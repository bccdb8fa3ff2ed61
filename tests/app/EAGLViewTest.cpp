#include "app/EAGLView.h"

#include "LogCapture.h"
#include "ScriptedAccelerometer.h"
#include "app/EAGLViewDelegate.h"
#include "foundation/ManualRunLoop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

using namespace sweeplight;
using app::EAGLView;

namespace {

using fixtures::ScriptedAccelerometer;

class MenuDelegate final : public app::EAGLViewDelegate {
public:
    void displayMenu() override { ++menus; }
    int menus { 0 };
};

// 40 columns: long enough that the cursor position counts the frames drawn.
const QString kLongMessage = QStringLiteral("mmmmmmmm");

class EAGLViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view = EAGLView::create(runLoop, accelerometer);
        ASSERT_NE(view, nullptr);
        view->resize(320, 480);
    }
    void TearDown() override { view.reset(); }

    // Lets the window system take what the view has to paint, as the screen would.
    static void letScreenCatchUp() { QApplication::processEvents(); }

    void showView() {
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        letScreenCatchUp();
    }

    // Advances virtual time in small steps, the screen keeping up after every step.
    void run(double seconds, double step = 0.001) {
        const double end = runLoop.now() + seconds;
        while (runLoop.now() + step <= end + 1e-9) {
            runLoop.advance(step);
            letScreenCatchUp();
        }
    }

    void advanceTo(double time) { runLoop.advance(time - runLoop.now()); }

    QPoint infoButtonOrigin() const { return view->infoButton()->geometry().topLeft(); }

    fixtures::LogCapture log; // the view's diagnostics stay off the console
    foundation::ManualRunLoop runLoop;
    ScriptedAccelerometer accelerometer;
    std::unique_ptr<EAGLView> view;
};

} // namespace

TEST_F(EAGLViewTest, StartsInItsCreationState) {
    const display::WaveDisplay& display = view->display();
    EXPECT_EQ(display.currentMessage(), QString("hey!"));
    EXPECT_EQ(display.currentColor(), QColor(Qt::red));
    EXPECT_FALSE(display.rainbowMode() || display.inImageMode() || display.drawWholeLetterMode());
    EXPECT_TRUE(display.isGoingForwards());
    EXPECT_EQ(display.messagePointer(), 0);
    EXPECT_DOUBLE_EQ(accelerometer.interval, 1.0 / 70.0);
    EXPECT_EQ(accelerometer.delegate(), view.get());
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(view->animationInterval(), 0);
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
    EXPECT_EQ(view->infoButton(), nullptr);
    EXPECT_FALSE(view->isWavePhoneShown());
}

TEST_F(EAGLViewTest, TimerDrawsOneFramePerTick) {
    showView();
    view->setMessage(kLongMessage);
    view->setAnimationInterval(0.1);
    view->startAnimation();
    run(0.35);
    EXPECT_EQ(view->display().messagePointer(), 3);
    view->stopAnimation();
    run(0.5);
    EXPECT_EQ(view->display().messagePointer(), 3);
}

TEST_F(EAGLViewTest, NewIntervalWhileRunningRestartsTheTimer) {
    showView();
    view->setMessage(kLongMessage);
    view->setAnimationInterval(0.1);
    view->startAnimation();
    run(0.25); // frames at 0.1 and 0.2
    ASSERT_EQ(view->display().messagePointer(), 2);
    view->setAnimationInterval(1.0 / 60);
    EXPECT_EQ(runLoop.scheduledCount(), 1u);
    // The old period would fire at 0.3; the new one fires from 0.25 every 1/60 s.
    run(0.05 - 0.0005);
    EXPECT_EQ(view->display().messagePointer(), 4);
    run(0.001);
    EXPECT_EQ(view->display().messagePointer(), 5);
}

TEST_F(EAGLViewTest, NewIntervalWhileStoppedOnlyStoresIt) {
    view->setAnimationInterval(1.0 / 60);
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
    view->startAnimation();
    EXPECT_DOUBLE_EQ(runLoop.nextDueTime(), 1.0 / 60);
}

TEST_F(EAGLViewTest, NeverMoreThanOneTimer) {
    view->setAnimationInterval(0.1);
    view->startAnimation();
    view->startAnimation();
    EXPECT_EQ(runLoop.scheduledCount(), 1u);
    view->stopAnimation();
    view->stopAnimation();
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
    EXPECT_FALSE(view->isAnimating());
}

TEST_F(EAGLViewTest, StartingWithoutAnIntervalStartsNothing) {
    view->startAnimation();
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}

TEST_F(EAGLViewTest, AFrameNotYetOnScreenHoldsBackTheNextColumn) {
    showView();
    view->setMessage(kLongMessage);
    std::vector<int> presented;
    view->onFramePresented = [&](const QImage& frame, const display::DrawnFrame& drawn) {
        EXPECT_EQ(frame.size(), QSize(320, 480));
        presented.push_back(drawn.column);
    };
    view->setAnimationInterval(0.01);
    view->startAnimation();

    runLoop.advance(0.01);
    EXPECT_EQ(view->display().messagePointer(), 1);
    EXPECT_TRUE(view->isFrameWaitingForScreen());
    // The screen is busy for four more ticks: they draw nothing and the cursor stays.
    runLoop.advance(0.04);
    EXPECT_EQ(view->display().messagePointer(), 1);
    EXPECT_TRUE(presented.empty());

    letScreenCatchUp();
    EXPECT_FALSE(view->isFrameWaitingForScreen());
    EXPECT_EQ(presented, std::vector<int> { 0 });
    runLoop.advance(0.01);
    letScreenCatchUp();
    runLoop.advance(0.01);
    letScreenCatchUp();
    // Every column drawn was presented, in order, none skipped.
    EXPECT_EQ(presented, (std::vector<int> { 0, 1, 2 }));
}

TEST_F(EAGLViewTest, PaintsTheFramebufferScaledToTheView) {
    showView();
    view->setMessage(QStringLiteral("a"));
    view->display().setMessagePointer(1); // rows 1 and 4: bars at x 145 to 162
    view->drawView();
    letScreenCatchUp();
    QImage shot = view->grab().toImage();
    EXPECT_EQ(shot.pixelColor(150, 30), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(150, 100), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(140, 30), QColor(Qt::black));

    view->resize(640, 960);
    letScreenCatchUp();
    view->display().setMessagePointer(1);
    view->drawView();
    letScreenCatchUp();
    shot = view->grab().toImage();
    EXPECT_EQ(shot.pixelColor(300, 60), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(280, 60), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(300, 200), QColor(Qt::black));
}

TEST_F(EAGLViewTest, LayoutRebuildsTheFramebufferAndDrawsAFrame) {
    view->setMessage(kLongMessage);
    view->layoutSubviews();
    EXPECT_EQ(view->display().messagePointer(), 1);
    EXPECT_EQ(view->display().backingWidth(), 320);
    EXPECT_EQ(view->display().backingHeight(), 480);
}

TEST_F(EAGLViewTest, TouchHidesTheHintAndShowsTheInfoButtonNearTheBottomRight) {
    showView();
    view->showWavePhone();
    ASSERT_TRUE(view->isWavePhoneShown());
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(view->isWavePhoneShown());
    ASSERT_NE(view->infoButton(), nullptr);
    EXPECT_TRUE(view->infoButton()->isVisible());
    EXPECT_EQ(infoButtonOrigin(), QPoint(285, 445));
    EXPECT_LE(view->infoButton()->geometry().right(), 319);
    EXPECT_LE(view->infoButton()->geometry().bottom(), 479);
}

TEST_F(EAGLViewTest, InfoButtonStaysThreeSecondsAfterTheLastTouch) {
    showView();
    view->touchesBegan();
    advanceTo(2);
    view->touchesBegan();
    advanceTo(4.99);
    EXPECT_TRUE(view->infoButton()->isVisible());
    advanceTo(5.01);
    EXPECT_FALSE(view->infoButton()->isVisible());
    // The button is made once and shown again on the next touch.
    QAbstractButton* button = view->infoButton();
    view->touchesBegan();
    EXPECT_EQ(view->infoButton(), button);
    EXPECT_TRUE(button->isVisible());
}

TEST_F(EAGLViewTest, InfoButtonAsksTheDelegateForTheMenu) {
    showView();
    view->touchesBegan();
    // Without a delegate a tap does nothing.
    QTest::mousePress(view->infoButton(), Qt::LeftButton);
    QTest::mouseRelease(view->infoButton(), Qt::LeftButton);

    MenuDelegate delegate;
    view->setDelegate(&delegate);
    QTest::mousePress(view->infoButton(), Qt::LeftButton);
    EXPECT_EQ(delegate.menus, 1); // on touch-down
    QTest::mouseRelease(view->infoButton(), Qt::LeftButton);
    EXPECT_EQ(delegate.menus, 1);
}

TEST_F(EAGLViewTest, BriefHintHidesAfterTwoPointThreeSeconds) {
    showView();
    for (int sample = 0; sample < 10; ++sample)
        accelerometer.send(0, -1, 0); // the motion filter settles on gravity
    view->brieflyShowWave();
    EXPECT_TRUE(view->isWavePhoneShown());
    EXPECT_FLOAT_EQ(view->display().noMotionRating(), 100);
    // Held still, the samples keep asking for the hint; it stays until the delay ends.
    for (int sample = 0; sample < 160; ++sample) {
        advanceTo(sample / 70.0);
        accelerometer.send(0, -1, 0);
    }
    EXPECT_TRUE(view->isWavePhoneShown());
    advanceTo(2.29);
    EXPECT_TRUE(view->isWavePhoneShown());
    advanceTo(2.31);
    EXPECT_FALSE(view->isWavePhoneShown());
    EXPECT_FLOAT_EQ(view->display().noMotionRating(), 0);
}

TEST_F(EAGLViewTest, StrongMotionHidesTheBriefHintAtOnce) {
    showView();
    view->brieflyShowWave();
    accelerometer.send(0, -1, 0); // the first sample after rest: filtered y = -0.9
    advanceTo(1);
    EXPECT_FALSE(view->isWavePhoneShown());
    view->brieflyShowWave();
    advanceTo(1.5);
    accelerometer.send(0, 0, 3); // a jolt
    EXPECT_FALSE(view->isWavePhoneShown());
    // The pending hides find the hint hidden and change nothing more.
    advanceTo(4);
    EXPECT_FALSE(view->isWavePhoneShown());
}

TEST_F(EAGLViewTest, StillnessShowsTheHint) {
    showView();
    for (int sample = 0; sample < 600; ++sample)
        accelerometer.send(0, -1, 0);
    EXPECT_TRUE(view->isWavePhoneShown());
    // The hint is the picture "wavePhone.png", at its own size in the top-left corner.
    const QLabel* hint = view->findChild<QLabel*>();
    const QPixmap picture(QStringLiteral(":/wavePhone.png"));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(hint->geometry(), QRect(QPoint(0, 0), picture.size()));
}

TEST_F(EAGLViewTest, SamplesTurnTheSweep) {
    view->setMessage(kLongMessage);
    for (double x : { 0.3, 0.5, 0.45 })
        accelerometer.send(x, -1, 0);
    EXPECT_FALSE(view->display().isGoingForwards());
    EXPECT_EQ(view->display().messagePointer(), view->display().strip().messageLength() - 1);
}

TEST_F(EAGLViewTest, TeardownStopsTimersAndLeavesTheAccelerometer) {
    view->setAnimationInterval(0.1);
    view->startAnimation();
    view->brieflyShowWave();
    view->touchesBegan();
    view.reset();
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
    EXPECT_EQ(accelerometer.delegate(), nullptr);
    runLoop.advance(5);
}
