#include "app/SweeplightAppDelegate.h"

#include "AppTestWorld.h"
#include "WidgetTestSupport.h"
#include "app/AppKeys.h"
#include "app/EAGLView.h"
#include "app/EditImageController.h"
#include "app/EditMessageController.h"
#include "uikit/ActionSheet.h"
#include "uikit/AlertView.h"
#include "uikit/AnimatedImageView.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

namespace sweeplight::app {
namespace {

using test::rgb;

// Each menu item's screen is opened in the end-to-end test; here what the delegate decides.
class AppDelegateTest : public ::testing::Test {
protected:
    EAGLView& view() { return *world.delegate->glView(); }
    const display::WaveDisplay& display() { return world.delegate->glView()->display(); }
    SweeplightAppDelegate& app() { return *world.delegate; }
    void launchAgain() {
        world.preferences.setBool(true, kHasAppOpenedKey);
        world.launch();
    }

    test::AppTestWorld world;
};

TEST_F(AppDelegateTest, FirstLaunchShowsTheIntroOverTheRunningDisplayAndStoresNothingElse) {
    world.launch();
    EXPECT_TRUE(world.preferences.boolForKey(kHasAppOpenedKey));
    ASSERT_NE(app().introScreen(), nullptr);
    EXPECT_TRUE(app().introScreen()->isVisible());
    EXPECT_EQ(display().currentMessage(), "hey!") << "the creation message, without spaces";
    EXPECT_FALSE(world.preferences.hasObjectForKey(kRecentTextKey));
    EXPECT_TRUE(view().isAnimating()) << "the intro does not stop the display";
    const double active = view().animationInterval();
    app().applicationWillResignActive();
    EXPECT_GT(view().animationInterval(), 5 * active) << "slow while inactive";
}

TEST(AppDelegateLaunch, ALaterLaunchRestoresWhatWasStoredOrStoresTheDefaults) {
    // Whether a message was stored; the message, colour and rainbow then shown.
    using Row = std::tuple<bool, const char*, const char*, bool>;
    for (const auto& [stored, message, colour, rainbow] :
         { Row { false, " h e y ! ", "0.000,1.000,0.000", false },
           Row { true, " l e t s   g o ! ", "0.200,0.400,0.600", true } }) {
        test::AppTestWorld world;
        foundation::Preferences& preferences = world.preferences;
        preferences.setBool(true, kHasAppOpenedKey);
        if (stored) {
            preferences.setObject("Lets Go!", kRecentTextKey);
            preferences.setFloat(0.2f, kRecentColorRKey);
            preferences.setFloat(0.4f, kRecentColorGKey);
            preferences.setFloat(0.6f, kRecentColorBKey);
            preferences.setBool(true, kRainbowOnKey);
        }
        const display::WaveDisplay& display = world.launch().glView()->display();
        EXPECT_EQ(world.delegate->introScreen(), nullptr);
        EXPECT_EQ(display.currentMessage(), message);
        EXPECT_EQ(rgb(display.currentColor()), colour);
        EXPECT_EQ(display.rainbowMode(), rainbow);
        EXPECT_EQ(preferences.stringForKey(kRecentTextKey), stored ? "Lets Go!" : "hey!");
        EXPECT_EQ(preferences.floatForKey(kRecentColorGKey), stored ? 0.4f : 1.0f);
        EXPECT_TRUE(preferences.hasObjectForKey(kRainbowOnKey));
        EXPECT_EQ(preferences.boolForKey(kRainbowOnKey), rainbow) << "restoring stores no change";
    }
}

// What the editor hands over on Done is the end-to-end test's; the rainbow stored, the test below.
TEST_F(AppDelegateTest, TheEditorStopsTheDisplayAndDoneBringsItBackWithAHint) {
    launchAgain();
    world.runLoop.advance(3); // the launch hint has come and gone
    app().showEditView();
    EXPECT_FALSE(view().isAnimating());
    EditMessageController* editor = app().editMessage();
    editor->messageText()->setText("Hi There");
    editor->doneClicked();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(view().isAnimating());
    world.runLoop.advance(1);
    EXPECT_TRUE(view().isWavePhoneShown());

    app().showEditView();
    EXPECT_EQ(app().editMessage(), editor) << "the editor is made once";
    editor->cancel();
    EXPECT_FALSE(view().isWavePhoneShown()) << "closeEditing hides the hint";
    EXPECT_TRUE(view().isAnimating());
}

TEST_F(AppDelegateTest, SettingAColourStoresRainbowOffOnlyWhileTheRainbowIsOn) {
    launchAgain();
    world.preferences.removeObjectForKey(kRainbowOnKey);
    app().setUIColor(Qt::blue);
    EXPECT_FALSE(world.preferences.hasObjectForKey(kRainbowOnKey));
    app().setRainbowOn();
    EXPECT_TRUE(world.preferences.boolForKey(kRainbowOnKey) && display().rainbowMode());
    app().setUIColor(Qt::yellow);
    EXPECT_TRUE(world.preferences.hasObjectForKey(kRainbowOnKey));
    EXPECT_FALSE(world.preferences.boolForKey(kRainbowOnKey));
    EXPECT_FALSE(display().rainbowMode());
    EXPECT_EQ(world.preferences.floatForKey(kRecentColorBKey), 0.0f);
}

TEST_F(AppDelegateTest, AChosenPictureIsSweptAndAMessageTakesItsPlaceAgain) {
    launchAgain();
    app().showImageView();
    EditImageController* chooser = app().editImage();
    chooser->repeatSwitch()->setChecked(true);
    EXPECT_TRUE(display().inRepeatMode());
    chooser->goBack(); // "poo.png", 16 x 16
    chooser->doneClicked();
    EXPECT_TRUE(display().inImageMode());
    EXPECT_EQ(display().picture().imageWidth(), 16);
    EXPECT_TRUE(view().isAnimating());
    app().setMessage("back");
    EXPECT_FALSE(display().inImageMode());
}

TEST_F(AppDelegateTest, TheWebEngineIsLoadedOnlyWhenTheHelpPageIsFirstShown) {
    const auto webLibrariesMapped = [] { // the web engine, or the QML and Quick under it
        QFile maps("/proc/self/maps");
        const QByteArray text = maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
        return text.contains("libQt6WebEngine") || text.contains("libQt6Qml");
    };
    if (webLibrariesMapped())
        GTEST_SKIP() << "an earlier test in this process has shown a web page";
    launchAgain();
    world.run(0.5);
    EXPECT_FALSE(webLibrariesMapped()) << "nothing at start";
    world.client().setHasInternet(true);
    app().showHelpScreen();
    EXPECT_TRUE(webLibrariesMapped());
    EXPECT_FALSE(view().isAnimating()) << "the page stops the display";
}

// F10 opens the menu from the whole window, once, but not over the intro; Esc is its Cancel.
TEST_F(AppDelegateTest, TheKeyboardLeavesTheIntroAndOpensAndCancelsTheMenu) {
    world.launch();
    app().window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app().window()));
    QTest::keyClick(app().window(), Qt::Key_F10);
    EXPECT_EQ(app().menu(), nullptr) << "no menu over the intro";
    QTest::keyClick(app().introScreen(), Qt::Key_Return);
    EXPECT_EQ(app().introScreen(), nullptr);
    ASSERT_NE(app().editMessage(), nullptr) << "Enter starts from the intro";
    QTest::keyClick(app().editMessage(), Qt::Key_Escape);
    QTest::keyClick(app().window(), Qt::Key_F10);
    ASSERT_NE(app().menu(), nullptr);
    uikit::ActionSheet& menu = *app().menu();
    EXPECT_TRUE(menu.isVisible());
    QTest::keyClick(app().window(), Qt::Key_F10);
    EXPECT_EQ(app().menu(), &menu) << "no second menu over the first";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_FALSE(app().editMessage()->isVisible()) << "Esc is Cancel";
    app().displayMenu();
    app().actionSheet(*app().menu(),
                      SweeplightAppDelegate::menuButtonTitles().indexOf("Instructions"));
    ASSERT_NE(app().introScreen(), nullptr);
    EXPECT_TRUE(app().introScreen()->isVisible());
}

} // namespace
} // namespace sweeplight::app
