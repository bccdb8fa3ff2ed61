// Pictures of the app's screens as a user sees them on a 360 x 720 phone, for the README. The app
// runs offscreen on a virtual clock, so the pictures are the same on every machine; they are
// written to the folder named on the command line. Built with the tests (it drives the app
// through their world), run by docs/make-screenshots.sh.
#include "AppTestWorld.h"
#include "WidgetApplication.h"
#include "WidgetTestSupport.h"
#include "app/EAGLView.h"
#include "app/EditImageController.h"
#include "app/EditMessageController.h"
#include "app/SweeplightAppDelegate.h"
#include "display/MessageStrip.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <cstdio>
#include <functional>

using namespace sweeplight::app;

namespace {

constexpr QSize kScreen { 360, 720 };

// One launch of the app; `firstLaunch` shows the intro.
struct Phone {
    explicit Phone(bool firstLaunch) {
        world.screenSize = kScreen;
        if (!firstLaunch)
            world.preferences.setBool(true, "kHasAppOpenedKey");
        world.launch();
        static_cast<void>(QTest::qWaitForWindowExposed(app().window()));
    }
    SweeplightAppDelegate& app() { return *world.delegate; }

    // Stops the frame timer on the column with the most LEDs lit (the stem of the h).
    void showFullestColumn() {
        EAGLView& view = *app().glView();
        view.stopAnimation();
        view.display().setMessagePointer(test::fullestColumn(view.display().strip()));
        view.drawView();
    }

    // Saves the screen; false when it cannot be written or shows only one flat colour.
    bool shoot(const QString& folder, const char* name) {
        QApplication::processEvents();
        const QImage image = app().window()->grab().toImage();
        bool varied = false;
        for (int y = 0; y < image.height() && !varied; y += 4)
            for (int x = 0; x < image.width() && !varied; x += 4)
                varied = image.pixel(x, y) != image.pixel(0, 0);
        const bool saved = varied && image.deviceIndependentSize().toSize() == kScreen &&
                           image.save(folder + "/" + name + ".png");
        std::printf("%s %s.png\n", saved ? "wrote" : "FAILED", name);
        return saved;
    }

    test::AppTestWorld world;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    sweeplight::fixtures::widgetApplication();
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    bool ok = true;
    {
        Phone phone(true);
        phone.world.run(0.9); // the intro's second frame
        ok &= phone.shoot(folder, "intro");
    }
    {
        Phone phone(false);
        phone.app().setUIColor(QColor::fromRgbF(0, 1, 0));
        phone.app().setMessage("HEY!");
        phone.showFullestColumn();
        ok &= phone.shoot(folder, "display");
    }
    {
        Phone phone(false);
        phone.showFullestColumn();
        phone.app().displayMenu();
        ok &= phone.shoot(folder, "menu");
    }
    {
        Phone phone(false);
        phone.app().showEditView();
        EditMessageController* editor = phone.app().editMessage();
        editor->messageText()->setText("I LOVE YOU!");
        editor->changeBgColor(QColor(0xFF, 0x66, 0xFF));
        ok &= phone.shoot(folder, "message_editor");
        editor->presetsClicked();
        editor->myPickerView()->setCurrentRow(2);
        ok &= phone.shoot(folder, "message_editor_presets");
    }
    {
        Phone phone(false);
        phone.app().showImageView();
        phone.app().editImage()->goForward();
        ok &= phone.shoot(folder, "picture_chooser");
    }
    return ok ? 0 : 1;
}
