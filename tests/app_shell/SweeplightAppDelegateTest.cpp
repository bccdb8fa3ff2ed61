#include "app/SweeplightAppDelegate.h"

#include "AppTestWorld.h"
#include "WidgetTestSupport.h"
#include "app/AppKeys.h"
#include "app/EAGLView.h"
#include "app/EditImageController.h"
#include "app/EditMessageController.h"
#include "foundation/NotificationCenter.h"
#include "uikit/ActionSheet.h"
#include "uikit/AlertView.h"
#include "uikit/AnimatedImageView.h"
#include "uikit/ImageButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

using test::rgb;

class AppDelegateTest : public ::testing::Test {
protected:
    EAGLView& view() { return *world.delegate->glView(); }
    const display::WaveDisplay& display() { return world.delegate->glView()->display(); }
    SweeplightAppDelegate& app() { return *world.delegate; }
    foundation::Preferences& preferences() { return world.preferences; }
    void markOpenedBefore() { world.preferences.setBool(true, kHasAppOpenedKey); }
    void launchAgain() {
        markOpenedBefore();
        world.launch();
    }
    int menuIndex(const char* title) {
        return static_cast<int>(SweeplightAppDelegate::menuButtonTitles().indexOf(title));
    }
    void launchActive() {
        world.launch();
        app().window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(app().window()));
    }
    void choose(const char* title) {
        app().displayMenu();
        app().actionSheet(*app().menu(), menuIndex(title));
    }

    // The wave hint appears `delay` seconds from now, not before.
    void expectHintAfter(double delay) {
        world.runLoop.advance(delay - 0.01);
        EXPECT_FALSE(view().isWavePhoneShown()) << "before " << delay << " s";
        world.runLoop.advance(0.02);
        EXPECT_TRUE(view().isWavePhoneShown()) << "after " << delay << " s";
    }

    test::AppTestWorld world;
};

TEST_F(AppDelegateTest, FirstLaunchShowsTheIntroOverTheRunningDisplayAndStoresNothingElse) {
    world.launch();
    EXPECT_TRUE(preferences().boolForKey(kHasAppOpenedKey));
    ASSERT_NE(app().introScreen(), nullptr);
    EXPECT_TRUE(app().introScreen()->isVisible());
    EXPECT_TRUE(app().introScreen()->isAnimating());
    EXPECT_EQ(display().currentMessage(), "hey!") << "the creation message, without spaces";
    for (const char* key : { kRecentTextKey, kRecentColorRKey, kRainbowOnKey })
        EXPECT_FALSE(preferences().hasObjectForKey(key)) << key;
    EXPECT_EQ(view().delegate(), &app());
    EXPECT_TRUE(view().isAnimating()) << "the intro does not stop the display";
    world.runLoop.advance(1.0);
    EXPECT_FALSE(view().isWavePhoneShown()) << "no hint over the intro";
}

TEST_F(AppDelegateTest, ASecondLaunchRestoresTheDefaultsSpacedAndStoresThem) {
    launchAgain();
    EXPECT_EQ(app().introScreen(), nullptr);
    EXPECT_EQ(display().currentMessage(), " h e y ! ");
    EXPECT_EQ(rgb(display().currentColor()), "0.000,1.000,0.000");
    EXPECT_FALSE(display().rainbowMode());
    EXPECT_EQ(preferences().stringForKey(kRecentTextKey), "hey!");
    EXPECT_EQ(preferences().floatForKey(kRecentColorGKey), 1.0f);
    ASSERT_TRUE(preferences().hasObjectForKey(kRainbowOnKey));
    EXPECT_FALSE(preferences().boolForKey(kRainbowOnKey));
    expectHintAfter(0.4);
}

TEST_F(AppDelegateTest, ALaunchWithAStoredColourAndRainbowOnEndsInRainbowMode) {
    markOpenedBefore();
    preferences().setObject("Lets Go!", kRecentTextKey);
    preferences().setFloat(0.2f, kRecentColorRKey);
    preferences().setFloat(0.4f, kRecentColorGKey);
    preferences().setFloat(0.6f, kRecentColorBKey);
    preferences().setBool(true, kRainbowOnKey);
    world.launch();
    EXPECT_EQ(display().currentMessage(), " l e t s   g o ! ");
    EXPECT_EQ(rgb(display().currentColor()), "0.200,0.400,0.600");
    EXPECT_TRUE(display().rainbowMode());
    EXPECT_TRUE(preferences().boolForKey(kRainbowOnKey)) << "restoring does not store false";
}

// Each menu item's screen is opened in the end-to-end test; here what it cannot show.
TEST_F(AppDelegateTest, WithoutNetworkShareAndFeedbackSaysSoOverTheRunningDisplay) {
    launchAgain();
    world.client().setHasInternet(false);
    choose("Share • Feedback");
    ASSERT_NE(app().alert(), nullptr);
    EXPECT_TRUE(app().alert()->isVisible());
    EXPECT_EQ(app().helpNav(), nullptr);
    EXPECT_TRUE(view().isAnimating());
}

TEST_F(AppDelegateTest, TheEditorStopsTheDisplayAndDoneBringsItBackWithAHint) {
    launchAgain();
    world.runLoop.advance(3); // the launch hint has come and gone
    app().showEditView();
    EditMessageController* editor = app().editMessage();
    editor->messageText()->setText("Hi There");
    editor->changeBgColor(QColor::fromRgbF(0, 0, 1));
    editor->rainbowSwitch()->setChecked(false);
    editor->doneClicked();

    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(view().isAnimating());
    EXPECT_EQ(display().currentMessage(), " h i   t h e r e ");
    EXPECT_EQ(rgb(display().currentColor()), "0.000,0.000,1.000");
    EXPECT_EQ(preferences().stringForKey(kRecentTextKey), "Hi There");
    expectHintAfter(0.3);

    app().showEditView();
    EXPECT_EQ(app().editMessage(), editor) << "the editor is made once";
    editor->rainbowSwitch()->setChecked(true);
    editor->doneClicked();
    EXPECT_TRUE(display().rainbowMode());
    EXPECT_TRUE(preferences().boolForKey(kRainbowOnKey));

    app().showEditView();
    editor->cancel();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(view().isWavePhoneShown()) << "closeEditing hides the hint";
    EXPECT_TRUE(view().isAnimating());
}

TEST_F(AppDelegateTest, SettingAColourStoresRainbowOffOnlyWhileTheRainbowIsOn) {
    launchAgain();
    preferences().removeObjectForKey(kRainbowOnKey);
    app().setUIColor(Qt::blue);
    EXPECT_FALSE(preferences().hasObjectForKey(kRainbowOnKey));

    app().setRainbowOn();
    EXPECT_TRUE(preferences().boolForKey(kRainbowOnKey));
    app().setUIColor(Qt::yellow);
    EXPECT_TRUE(preferences().hasObjectForKey(kRainbowOnKey));
    EXPECT_FALSE(preferences().boolForKey(kRainbowOnKey));
    EXPECT_FALSE(display().rainbowMode());
    EXPECT_EQ(preferences().floatForKey(kRecentColorBKey), 0.0f);
    EXPECT_EQ(preferences().floatForKey(kRecentColorGKey), 1.0f);
}

TEST_F(AppDelegateTest, AChosenPictureIsSweptAndAMessageTakesItsPlaceAgain) {
    launchAgain();
    choose("Set Image");
    EditImageController* chooser = app().editImage();
    chooser->repeatSwitch()->setChecked(true);
    EXPECT_TRUE(display().inRepeatMode());
    chooser->goBack(); // "poo.png", 16 x 16
    chooser->doneClicked();
    EXPECT_TRUE(display().inImageMode());
    EXPECT_EQ(display().picture().imageWidth(), 16);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_TRUE(view().isAnimating());
    expectHintAfter(0.1);

    chooser->repeatSwitch()->setChecked(false);
    EXPECT_FALSE(display().inRepeatMode());
    app().setMessage("back");
    EXPECT_FALSE(display().inImageMode());
}

TEST_F(AppDelegateTest, TheFramePeriodIsSlowWhileInactiveAndSixtyAfterReactivation) {
    launchAgain();
    EXPECT_DOUBLE_EQ(view().animationInterval(), 1.0 / 120.0);
    app().applicationWillResignActive();
    EXPECT_DOUBLE_EQ(view().animationInterval(), 0.2);
    EXPECT_TRUE(view().isAnimating());
    app().applicationDidBecomeActive();
    EXPECT_DOUBLE_EQ(view().animationInterval(), 1.0 / 60.0);
    EXPECT_TRUE(view().isAnimating());
}

// Which of the web engine's libraries (with the QML and Quick ones under it) are mapped now.
QStringList mappedWebLibraries() {
    QFile maps("/proc/self/maps");
    if (!maps.open(QIODevice::ReadOnly))
        return { "/proc/self/maps cannot be read" };
    QStringList found;
    for (const QByteArray& line : maps.readAll().split('\n'))
        if (line.contains("libQt6WebEngine") || line.contains("libQt6Quick") ||
            line.contains("libQt6Qml"))
            found << QString::fromUtf8(line.mid(line.indexOf('/')));
    found.removeDuplicates();
    return found;
}

TEST_F(AppDelegateTest, TheWebEngineIsLoadedOnlyWhenTheHelpPageIsFirstShown) {
    if (!mappedWebLibraries().isEmpty())
        GTEST_SKIP() << "an earlier test in this process has shown a web page";
    launchAgain();
    world.run(0.5);
    EXPECT_EQ(mappedWebLibraries(), QStringList {}) << "nothing at start";
    world.client().setHasInternet(true);
    app().showHelpScreen();
    EXPECT_THAT(mappedWebLibraries().join(' ').toStdString(),
                ::testing::HasSubstr("libQt6WebEngineCore"));
}

TEST_F(AppDelegateTest, EnterStartsFromTheIntroAndF10OpensTheMenu) {
    launchActive();
    QTest::keyClick(app().window(), Qt::Key_F10);
    EXPECT_EQ(app().menu(), nullptr) << "no menu over the intro";
    QTest::keyClick(app().introScreen(), Qt::Key_Return);
    EXPECT_EQ(app().introScreen(), nullptr);
    ASSERT_NE(app().editMessage(), nullptr);
    QTest::keyClick(app().editMessage(), Qt::Key_Escape);
    EXPECT_FALSE(app().editMessage()->isVisible());
    QTest::keyClick(app().window(), Qt::Key_F10);
    ASSERT_NE(app().menu(), nullptr);
    EXPECT_TRUE(app().menu()->isVisible());
}

TEST_F(AppDelegateTest, F10WorksRightAfterALaterLaunchAndEscapeClosesTheMenu) {
    markOpenedBefore();
    launchActive();
    QTest::keyClick(app().window(), Qt::Key_F10);
    ASSERT_NE(app().menu(), nullptr);
    uikit::ActionSheet& menu = *app().menu();
    ASSERT_TRUE(menu.isVisible());
    QTest::keyClick(app().window(), Qt::Key_F10);
    EXPECT_EQ(app().menu(), &menu) << "no second menu over the first";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(app().editMessage(), nullptr) << "Esc is Cancel";
}

} // namespace
} // namespace sweeplight::app
