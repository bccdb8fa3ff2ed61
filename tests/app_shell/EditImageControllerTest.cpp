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
    EXPECT_EQ(chooser.rander(), 14);
    EXPECT_TRUE(shows("poo.png"));
    QTest::keyClick(&chooser, Qt::Key_Right);
    EXPECT_EQ(chooser.rander(), 0);
    QTest::mouseClick(chooser.forwardButton(), Qt::LeftButton);
    EXPECT_TRUE(shows("happy_1.png"));
    QTest::keyClick(&chooser, Qt::Key_Return);
    QTest::keyClick(&chooser, Qt::Key_Escape);
    EXPECT_THAT(delegate.calls, ElementsAre("enableImageMode", "closeImageView", "closeImageView"))
        << "Enter chooses, Escape cancels";
}

TEST_F(EditImageControllerTest, SevenOrElevenTapsChooseTheHiddenPictures) {
    chooser.goForward();
    for (int i = 0; i < 7; ++i)
        chooser.easterEgg();
    chooser.doneClicked();
    EXPECT_TRUE(shows("apple.png"));
    EXPECT_THAT(delegate.calls, ElementsAre("enableImageMode", "closeImageView"));

    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(chooser.easterEggButton(), Qt::LeftButton);
    chooser.doneClicked();
    EXPECT_TRUE(shows("pacman.png")) << "the count goes on after Done";
    EXPECT_EQ(chooser.rander(), 1);

    chooser.easterEgg();
    chooser.displayImage();
    chooser.doneClicked();
    EXPECT_TRUE(shows("happy_1.png")) << "twelve taps choose the picture shown";

    chooser.cancel();
    EXPECT_EQ(chooser.easterEggCount(), 0);
    for (int i = 0; i < 8; ++i)
        chooser.easterEgg();
    chooser.doneClicked();
    EXPECT_TRUE(shows("happy_1.png")) << "eight taps choose the picture shown";
}

TEST_F(EditImageControllerTest, TheRepeatSwitchIsSentAtOnceAndCancelOnlyCloses) {
    chooser.repeatSwitch()->setChecked(true);
    chooser.repeatSwitch()->setChecked(false);
    QTest::mouseClick(chooser.cancelButton(), Qt::LeftButton);
    EXPECT_THAT(delegate.calls, ElementsAre("setRepeatOn", "setRepeatOff", "closeImageView"));
}

} // namespace
} // namespace sweeplight::app
