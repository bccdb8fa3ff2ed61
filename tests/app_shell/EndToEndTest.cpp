// The whole app, offscreen, driven the way a user drives it: taps, the menu, typing, the
// colour wheel, Done; then the display sweeping what was chosen while the phone swings.
#include "AppTestWorld.h"
#include "WidgetTestSupport.h"
#include "app/EAGLView.h"
#include "app/EditImageController.h"
#include "app/EditMessageController.h"
#include "app/ImageView.h"
#include "app/SweeplightAppDelegate.h"
#include "display/MessageStrip.h"
#include "motion/SwingSimulator.h"
#include "uikit/ActionSheet.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

namespace sweeplight::app {
namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        world.preferences.setBool(true, kHasAppOpenedKeyForTest); // not the first launch
        swing = std::make_unique<motion::SwingSimulator>(world.runLoop,
                                                         motion::SwingSimulator::Parameters {});
        world.launch(swing.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app().window()));
        world.run(0.5);
    }

    // The display reads the swing to its end, so it goes first.
    void TearDown() override { world.delegate.reset(); }

    SweeplightAppDelegate& app() { return *world.delegate; }
    EAGLView& view() { return *world.delegate->glView(); }

    void openMenuAndChoose(const QString& title) {
        QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(100, 200));
        ASSERT_NE(view().infoButton(), nullptr);
        ASSERT_TRUE(view().infoButton()->isVisible());
        QTest::mousePress(view().infoButton(), Qt::LeftButton);
        QTest::mouseRelease(view().infoButton(), Qt::LeftButton);
        ASSERT_NE(app().menu(), nullptr);
        ASSERT_TRUE(app().menu()->isVisible());
        int index = -1;
        for (int i = 0; i < app().menu()->numberOfButtons(); ++i) {
            if (app().menu()->buttonTitleAtIndex(i) == title)
                index = i;
        }
        ASSERT_GE(index, 0);
        QTest::mouseClick(app().menu()->buttonAtIndex(index), Qt::LeftButton);
        QApplication::processEvents();
    }

    // The strip columns (or picture columns) drawn while the phone swings for `seconds`.
    std::set<int> columnsDrawn(double seconds, display::DrawnFrame::Content content) {
        std::set<int> columns;
        const double end = world.runLoop.now() + seconds;
        while (world.runLoop.now() < end) {
            world.run(1.0 / 120.0, 1.0 / 120.0);
            const display::DrawnFrame& frame = view().lastDrawnFrame();
            if (frame.content == content)
                columns.insert(frame.column);
        }
        return columns;
    }

    static constexpr const char* kHasAppOpenedKeyForTest = "kHasAppOpenedKey";
    test::AppTestWorld world;
    std::unique_ptr<motion::SwingSimulator> swing;
};

TEST_F(EndToEnd, AMessageTypedInTheEditorIsSweptInThePickedColour) {
    openMenuAndChoose("Set Message");
    EditMessageController* editor = app().editMessage();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_FALSE(view().isAnimating());

    QTest::mouseClick(editor->messageText(), Qt::LeftButton);
    QTest::keyClicks(editor->messageText(), "Hi 5#");
    QTest::keyClick(editor->messageText(), Qt::Key_Return);
    ASSERT_EQ(editor->messageText()->text(), "Hi 5");

    // The wheel's pixel under the finger becomes the colour.
    const QPoint onWheel(20, 46);
    const QColor expected = editor->imgColors()->image().pixelColor(onWheel);
    QTest::mouseClick(editor, Qt::LeftButton, {}, editor->imgColors()->mapTo(editor, onWheel));
    QTest::mouseClick(editor->doneButton(), Qt::LeftButton);

    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(view().isAnimating());
    EXPECT_EQ(view().display().currentMessage(), " h i   5 ");
    display::MessageStrip strip;
    strip.setupLetters(" h i   5 ");
    EXPECT_EQ(view().display().strip().bytes(), strip.bytes());
    EXPECT_EQ(test::rgb(view().display().currentColor()), test::rgb(expected));

    std::set<int> columns = columnsDrawn(2.0, display::DrawnFrame::Content::Column);
    EXPECT_EQ(static_cast<int>(columns.size()), strip.messageLength())
        << "every column of the strip is shown during the swing";

    // The next launch starts where the user left off.
    EXPECT_EQ(world.preferences.stringForKey("kRecentTextKey"), "Hi 5");
}

TEST_F(EndToEnd, AChosenPictureIsSweptColumnByColumn) {
    openMenuAndChoose("Set Image");
    EditImageController* chooser = app().editImage();
    ASSERT_NE(chooser, nullptr);
    QTest::mouseClick(chooser->forwardButton(), Qt::LeftButton);
    QTest::mouseClick(chooser->forwardButton(), Qt::LeftButton); // "devil2.png"
    QTest::mouseClick(chooser->doneButton(), Qt::LeftButton);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_TRUE(view().display().inImageMode());

    const QImage devil(":/devil2.png");
    EXPECT_EQ(view().display().picture().imageWidth(), devil.width());
    std::set<int> columns = columnsDrawn(2.0, display::DrawnFrame::Content::Picture);
    EXPECT_EQ(static_cast<int>(columns.size()), devil.width());
    EXPECT_EQ(*columns.begin(), 0);
    EXPECT_EQ(*columns.rbegin(), devil.width() - 1);
}

} // namespace
} // namespace sweeplight::app
