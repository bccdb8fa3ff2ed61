// Pictures of the app's screens as a user sees them on a 360 x 720 phone, for the README. They are
// written to $SWEEPLIGHT_SCREENSHOT_DIR when it is set (docs/screenshots for the README),
// else next to the test binary.
#include "AppTestWorld.h"
#include "WidgetTestSupport.h"
#include "app/EAGLView.h"
#include "app/EditImageController.h"
#include "app/EditMessageController.h"
#include "app/SweeplightAppDelegate.h"
#include "display/MessageStrip.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

class Screenshots : public ::testing::Test {
protected:
    static QString folder() {
        QByteArray chosen = qgetenv("SWEEPLIGHT_SCREENSHOT_DIR");
        QString path = chosen.isEmpty() ? QDir::currentPath() + "/screenshots"
                                        : QString::fromLocal8Bit(chosen);
        QDir().mkpath(path);
        return path;
    }

    // Saves the phone's screen and checks that it shows something besides one flat colour.
    void shoot(const char* name) {
        QApplication::processEvents();
        QImage image = world.delegate->window()->grab().toImage();
        ASSERT_EQ(image.deviceIndependentSize().toSize(), kScreen);
        int distinctColours = 0;
        QRgb first = image.pixel(0, 0);
        for (int y = 0; y < image.height() && distinctColours < 1; y += 4)
            for (int x = 0; x < image.width() && distinctColours < 1; x += 4)
                distinctColours += image.pixel(x, y) != first;
        EXPECT_GT(distinctColours, 0) << name << " is blank";
        EXPECT_TRUE(image.save(folder() + "/" + name + ".png")) << name;
    }

    void SetUp() override { world.screenSize = kScreen; }

    void launchAgain() {
        world.preferences.setBool(true, "kHasAppOpenedKey");
        world.launch();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(world.delegate->window()));
    }

    // Stops the frame timer on the column with the most LEDs lit (the stem of the h).
    void showFullestColumn() {
        EAGLView& view = *world.delegate->glView();
        view.stopAnimation();
        const display::MessageStrip& strip = view.display().strip();
        const int fullest = test::fullestColumn(strip);
        view.display().setMessagePointer(fullest);
        view.drawView();
    }

    static constexpr QSize kScreen { 360, 720 };
    test::AppTestWorld world;
};

TEST_F(Screenshots, Intro) {
    world.launch();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(world.delegate->window()));
    world.run(0.9); // the second frame
    shoot("intro");
}

TEST_F(Screenshots, DisplayShowingAColumnOfTheMessage) {
    launchAgain();
    world.delegate->setUIColor(QColor::fromRgbF(0, 1, 0));
    world.delegate->setMessage("HEY!");
    showFullestColumn();
    shoot("display");
}

TEST_F(Screenshots, Menu) {
    launchAgain();
    showFullestColumn();
    world.delegate->displayMenu();
    shoot("menu");
}

TEST_F(Screenshots, MessageEditorAndItsPresets) {
    launchAgain();
    world.delegate->showEditView();
    EditMessageController* editor = world.delegate->editMessage();
    editor->messageText()->setText("I LOVE YOU!");
    editor->changeBgColor(QColor(0xFF, 0x66, 0xFF));
    shoot("message_editor");
    editor->presetsClicked();
    editor->myPickerView()->setCurrentRow(2);
    shoot("message_editor_presets");
}

TEST_F(Screenshots, PictureChooser) {
    launchAgain();
    world.delegate->showImageView();
    world.delegate->editImage()->goForward();
    shoot("picture_chooser");
}

} // namespace
} // namespace sweeplight::app
