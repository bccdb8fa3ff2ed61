#include "app/EditImageController.h"

#include "WidgetTestSupport.h"
#include "app/EditImageDelegate.h"
#include "app/ImageView.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

using ::testing::ElementsAre;

class RecordingDelegate final : public EditImageDelegate {
public:
    void setRepeatOn() override { calls.push_back("setRepeatOn"); }
    void setRepeatOff() override { calls.push_back("setRepeatOff"); }
    void enableImageMode() override { calls.push_back("enableImageMode"); }
    void closeImageView() override { calls.push_back("closeImageView"); }
    std::vector<std::string> calls;
};

class EditImageControllerTest : public ::testing::Test {
protected:
    EditImageControllerTest() { chooser.setDelegate(&delegate); }

    bool shows(const char* name) const {
        return chooser.imageView()->image() ==
               QImage(QString(":/") + name).convertToFormat(chooser.imageView()->image().format());
    }

    QApplication& application = sweeplight::fixtures::widgetApplication(); // before any widget
    RecordingDelegate delegate;
    EditImageController chooser;
};

TEST_F(EditImageControllerTest, PagingWrapsAroundBothEndsByButtonOrArrowKey) {
    chooser.show();
    EXPECT_TRUE(shows("heart.png"));
    QTest::keyClick(&chooser, Qt::Key_Left);
    EXPECT_TRUE(shows("poo.png"));
    QTest::keyClick(&chooser, Qt::Key_Right);
    EXPECT_TRUE(shows("heart.png"));
    QTest::mouseClick(chooser.forwardButton(), Qt::LeftButton);
    EXPECT_TRUE(shows("happy_1.png"));
    QTest::keyClick(&chooser, Qt::Key_Return);
    QTest::keyClick(&chooser, Qt::Key_Escape);
    EXPECT_THAT(delegate.calls, ElementsAre("enableImageMode", "closeImageView", "closeImageView"))
        << "Enter chooses, Escape cancels";
}

// The count goes on after Done and starts again on Cancel.
TEST_F(EditImageControllerTest, SevenOrElevenTapsChooseTheHiddenPictures) {
    const auto tapAndChoose = [&](int taps, const char* chosen) {
        for (int i = 0; i < taps; ++i)
            QTest::mouseClick(chooser.easterEggButton(), Qt::LeftButton);
        chooser.displayImage();
        chooser.doneClicked();
        EXPECT_TRUE(shows(chosen)) << taps;
    };
    tapAndChoose(7, "apple.png");
    tapAndChoose(4, "pacman.png");
    tapAndChoose(1, "heart.png"); // twelve: the picture shown
    chooser.cancel();
    tapAndChoose(7, "apple.png");
}

TEST_F(EditImageControllerTest, TheRepeatSwitchIsSentAtOnceAndCancelOnlyCloses) {
    chooser.repeatSwitch()->setChecked(true);
    chooser.repeatSwitch()->setChecked(false);
    QTest::mouseClick(chooser.cancelButton(), Qt::LeftButton);
    EXPECT_THAT(delegate.calls, ElementsAre("setRepeatOn", "setRepeatOff", "closeImageView"));
}

} // namespace
} // namespace sweeplight::app
