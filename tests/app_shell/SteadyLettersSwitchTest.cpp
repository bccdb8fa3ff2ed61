#include "WidgetTestSupport.h"
#include "app/AppKeys.h"
#include "app/EditMessageController.h"
#include "app/EditMessageDelegate.h"
#include "foundation/ManualRunLoop.h"
#include "foundation/Preferences.h"

#include <QApplication>
#include <QCheckBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace sweeplight::app {
namespace {

class SteadyDelegate final : public EditMessageDelegate {
public:
    void setUIColor(const QColor&) override {}
    void setRainbowOn() override {}
    void setRainbowOff() override {}
    void setMessage(const QString&) override {}
    void doneEditing() override {}
    void closeEditing() override {}
    void setSteadyLetters(bool on) override { calls.push_back(on); }
    std::vector<bool> calls;
};

} // namespace

TEST(SteadyLettersSwitch, IsOffUntilTurnedOnAndIsStoredAndAppliedAtOnce) {
    QApplication& application = sweeplight::fixtures::widgetApplication();
    (void)application;
    QTemporaryDir dir;
    foundation::Preferences preferences { dir.filePath("preferences.ini").toStdString() };
    foundation::ManualRunLoop runLoop;
    SteadyDelegate delegate;
    {
        EditMessageController editor { runLoop, preferences };
        editor.setDelegate(&delegate);
        editor.show();
        EXPECT_FALSE(editor.steadySwitch()->isChecked());
        editor.steadySwitch()->click();
        EXPECT_TRUE(preferences.boolForKey(kSteadyLettersKey)) << "stored without Done";
        EXPECT_EQ(delegate.calls, std::vector<bool> { true });
        editor.cancel();
    }
    EditMessageController again { runLoop, preferences };
    again.show();
    EXPECT_TRUE(again.steadySwitch()->isChecked()) << "restored when the editor appears";
    EXPECT_EQ(delegate.calls.size(), 1u) << "restoring is no new choice";
}

} // namespace sweeplight::app
