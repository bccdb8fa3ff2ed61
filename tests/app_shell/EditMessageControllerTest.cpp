#include "app/EditMessageController.h"

#include "AppTestWorld.h"
#include "WidgetTestSupport.h"
#include "app/AppKeys.h"
#include "app/EditMessageDelegate.h"
#include "app/ImageView.h"
#include "app/TouchView.h"
#include "uikit/AlertView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

namespace sweeplight::app {
namespace {

using test::rgb;
using ::testing::ElementsAre;

class RecordingDelegate final : public EditMessageDelegate {
public:
    void setUIColor(const QColor& color) override { calls.push_back("setUIColor " + rgb(color)); }
    void setRainbowOn() override { calls.push_back("setRainbowOn"); }
    void setRainbowOff() override { calls.push_back("setRainbowOff"); }
    void setMessage(const QString& s) override { calls.push_back("message " + s.toStdString()); }
    void doneEditing() override { calls.push_back("doneEditing"); }
    void closeEditing() override { calls.push_back("closeEditing"); }
    void setSteadyLetters(bool on) override { calls.push_back(on ? "steady" : "unsteady"); }
    std::vector<std::string> calls;
};

class EditMessageControllerTest : public ::testing::Test {
protected:
    EditMessageControllerTest() {
        editor.setDelegate(&delegate);
        editor.show();
    }

    void beginEditing() {
        // Offscreen, activateWindow() gives a window that was hidden no keyboard back.
        QApplication::setActiveWindow(&editor);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
        editor.messageText()->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    // Touches in the colour wheel's own coordinates, as the editor's view sees them.
    std::vector<QPointF> wheelPoint(double x, double y) const {
        return { editor.imgColors()->mapTo(&editor, QPointF(x, y)) };
    }
    std::string field() const { return rgb(editor.messageText()->palette().color(QPalette::Text)); }

    test::AppTestWorld world; // the application before any widget
    foundation::Preferences& preferences = world.preferences;
    RecordingDelegate delegate;
    EditMessageController editor { world.runLoop, preferences };
};

// The field takes one allowed character at a time, by whatever route (see
// MessageEntryValidatorTest); the end-to-end test types through it.
TEST_F(EditMessageControllerTest, TheEntryRuleTakesOneAllowedCharacterAtATime) {
    QLineEdit* field = editor.messageText();
    EXPECT_TRUE(editor.textField(field, 0, 3, "")) << "a deletion";
    for (const char* allowed : { "z", "Z", "0", "9", "!" })
        EXPECT_TRUE(editor.textField(field, 0, 0, allowed)) << allowed;
    for (const char* refused : { "#", "é", "ab" })
        EXPECT_FALSE(editor.textField(field, 0, 0, QString::fromUtf8(refused))) << refused;
}

// Cancelling restores the stored text (a tap beside the field and Esc do so too; the return key
// keeps the typed text: the end-to-end test types a message).
TEST_F(EditMessageControllerTest, BeginningToEditClearsTheFieldAndCancellingRestoresIt) {
    preferences.setObject("stored", kRecentTextKey);
    editor.viewWillAppear(false);
    beginEditing();
    EXPECT_EQ(editor.messageText()->text(), "");
    EXPECT_TRUE(editor.fadeView()->isVisible());
    QTest::keyClicks(editor.messageText(), "abc");
    QTest::mouseClick(editor.cancelEditingButton(), Qt::LeftButton);
    EXPECT_EQ(editor.messageText()->text(), "stored");
    EXPECT_FALSE(editor.cancelEditingButton()->isVisible());
    EXPECT_TRUE(delegate.calls.empty()) << "leaving is not Done";
}

// Done with an empty field shows an alert that takes the keyboard; Esc closes only it.
TEST_F(EditMessageControllerTest, DoneAndAQuickMessageSendColourThenRainbowThenMessageThenDone) {
    editor.setFocus();
    QTest::keyClick(&editor, Qt::Key_Return);
    ASSERT_NE(editor.alert(), nullptr);
    QWidget* ok = editor.alert()->view()->focusWidget();
    ASSERT_EQ(ok, editor.alert()->buttonAtIndex(0));
    QTest::keyClick(ok, Qt::Key_Escape);
    EXPECT_FALSE(editor.alert()->isVisible());
    EXPECT_TRUE(editor.isVisible());

    editor.changeBgColor(QColor::fromRgbF(0, 0, 1));
    editor.messageText()->setText("Hey");
    editor.rainbowSwitch()->setChecked(true);
    editor.setFocus();
    QTest::keyClick(&editor, Qt::Key_Return); // Enter is Done
    editor.hey();
    EXPECT_THAT(delegate.calls,
                ElementsAre("setUIColor 0.000,0.000,1.000", "setRainbowOn", "message Hey",
                            "doneEditing", "setUIColor 0.000,1.000,1.000",
                            "setUIColor 0.000,1.000,1.000", "setRainbowOn", "message HEY!",
                            "doneEditing"));
}

// The current time is the one preset made as it is chosen; the editor closes a few tenths later.
TEST_F(EditMessageControllerTest, APresetIsSentThenClosesAndCancelFirstClosesTheList) {
    editor.presetsClicked();
    editor.myPickerView()->setCurrentRow(-1);
    editor.selectPresetClicked();
    editor.presetsClicked();
    editor.cancel();
    EXPECT_FALSE(editor.isPickerShowing());
    EXPECT_TRUE(delegate.calls.empty()) << "no row chosen, a cancelled list";
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    editor.currentTime = [] { return QTime(14, 5); };
    editor.presetsClicked();
    editor.myPickerView()->setCurrentRow(1);
    QTest::mouseClick(editor.selectPresetButton(), Qt::LeftButton);
    QLocale::setDefault(previous);
    EXPECT_FALSE(editor.isPickerShowing());
    EXPECT_EQ(delegate.calls.size(), 2u) << "not closed yet";
    world.runLoop.advance(1);
    EXPECT_THAT(delegate.calls,
                ElementsAre("message 2:05 PM", "setUIColor 0.333,0.667,1.000", "closeEditing"));
}

TEST_F(EditMessageControllerTest, RestoresTextColourAndRainbowFromThePreferences) {
    editor.changeBgColor(Qt::white);
    preferences.setFloat(0.2f, kRecentColorRKey);
    editor.viewWillAppear(false);
    EXPECT_EQ(field(), "1.000,1.000,1.000") << "only the green key decides";

    preferences.setObject("Over Here", kRecentTextKey);
    preferences.setFloat(0.4f, kRecentColorGKey);
    preferences.setFloat(0.6f, kRecentColorBKey);
    preferences.setBool(true, kRainbowOnKey);
    editor.viewWillAppear(false);
    EXPECT_EQ(editor.messageText()->text(), "Over Here");
    EXPECT_EQ(field(), "0.200,0.400,0.600");
    EXPECT_TRUE(editor.rainbowSwitch()->isChecked());
}

TEST_F(EditMessageControllerTest, TheSteadyLettersSwitchIsStoredAndAppliedAtOnce) {
    editor.steadySwitch()->click();
    EXPECT_TRUE(preferences.boolForKey(kSteadyLettersKey)) << "stored without Done";
    editor.cancel();
    EditMessageController again { world.runLoop, preferences };
    again.setDelegate(&delegate);
    again.show();
    EXPECT_TRUE(again.steadySwitch()->isChecked()) << "restored when the editor appears";
    EXPECT_THAT(delegate.calls, ElementsAre("steady", "closeEditing"))
        << "restoring is no new choice";
}

// Closing while typing once left the typing aids up and the field's next pick not beginning.
TEST_F(EditMessageControllerTest, ClosingWhileTypingLeavesTheNextPresentationIdle) {
    for (QAbstractButton* closing : { editor.heyButton(), editor.cancelButton() }) {
        beginEditing();
        QTest::mouseClick(closing, Qt::LeftButton);
        editor.hide();
        editor.show();
        EXPECT_FALSE(editor.fadeView()->isVisible()) << closing->objectName().toStdString();
        editor.messageText()->setText("kept");
        beginEditing();
        EXPECT_TRUE(editor.messageText()->text().isEmpty()) << closing->objectName().toStdString();
    }
}

TEST_F(EditMessageControllerTest, TheWheelGivesThePixelUnderOneFingerInsideItOnly) {
    // A wheel whose far corner and a transparent pixel stand out.
    QImage wheel(282, 92, QImage::Format_ARGB32);
    wheel.fill(Qt::gray);
    wheel.setPixelColor(281, 91, QColor(200, 100, 50));
    wheel.setPixelColor(0, 0, QColor(0, 0, 0, 0));
    editor.imgColors()->setImage(wheel);
    editor.rainbowSwitch()->setChecked(true);
    editor.touchesBegan(wheelPoint(281, 91), 2);
    EXPECT_EQ(field(), "1.000,1.000,1.000") << "two fingers pick nothing";
    editor.touchesBegan(wheelPoint(281, 91), 1);
    EXPECT_EQ(field(), rgb(QColor(200, 100, 50)));
    EXPECT_FALSE(editor.rainbowSwitch()->isChecked()) << "picking turns the rainbow off";
    for (QPointF outside : { QPointF(281.01, 50), QPointF(-0.5, 10) }) {
        editor.touchesMoved(wheelPoint(outside.x(), outside.y()), 1);
        EXPECT_EQ(field(), rgb(QColor(200, 100, 50))) << outside.x() << "," << outside.y();
    }
    editor.touchesMoved(wheelPoint(0, 0), 1);
    EXPECT_EQ(field(), "0.000,0.000,0.000") << "transparent gives opaque black";
    EXPECT_TRUE(delegate.calls.empty()) << "a pick is only handed over on Done";

    // On a touch screen a touch on the wheel picks a colour, and a tap on a control is a click.
    const std::unique_ptr<QPointingDevice> touchScreen(QTest::createTouchDevice());
    const auto tap = [&](QPoint point) {
        QTest::touchEvent(&editor, touchScreen.get()).press(0, point, &editor);
        QTest::touchEvent(&editor, touchScreen.get()).release(0, point, &editor);
    };
    tap(editor.imgColors()->mapTo(&editor, QPoint(281, 91)));
    EXPECT_EQ(field(), rgb(QColor(200, 100, 50)));
    editor.messageText()->setText("Hi");
    tap(editor.doneButton()->geometry().center());
    EXPECT_THAT(delegate.calls, ::testing::Contains("doneEditing"));
}

} // namespace
} // namespace sweeplight::app
