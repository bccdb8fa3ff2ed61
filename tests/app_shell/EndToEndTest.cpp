// The whole app driven the way a user drives it, through the menu items that show something
// (the intro and Cancel are the delegate test's). Offscreen by default;
// tests/window-systems.sh runs it on X and Wayland, where the window is also checked on screen.
#include "AppTestWorld.h"
#include "TestHttpServer.h"
#include "WidgetTestSupport.h"
#include "app/EAGLView.h"
#include "app/EditMessageController.h"
#include "app/ImageView.h"
#include "app/SweeplightAppDelegate.h"
#include "display/MessageStrip.h"
#include "fernwick/ui/FernwickFeatureController.h"
#include "foundation/PropertyList.h"
#include "motion/SwingSimulator.h"
#include "uikit/ActionSheet.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QTcpSocket>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>
#include <set>

namespace sweeplight::app {
namespace {

// What the window system shows of `window`: on X the server's own pixels; on Wayland, where no
// client may read the screen, and offscreen, the window as Qt composes it.
QImage snapshot(QWidget* window) {
    QApplication::processEvents();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QPixmap shown = window->screen()->grabWindow(window->winId());
        if (!shown.isNull())
            return shown.toImage();
    }
    return window->grab().toImage();
}

// The pixel under a point of the window given in its own (device independent) coordinates.
QRgb pixelAt(const QImage& image, const QWidget* window, QPointF point) {
    const double scale = image.width() / double(window->width());
    return image.pixel(QPointF(point * scale).toPoint());
}

void saveSnapshot(const QImage& image, const char* name) {
    const QByteArray folder = qgetenv("SWEEPLIGHT_SNAPSHOT_DIR");
    if (!folder.isEmpty())
        image.save(QString::fromLocal8Bit(folder) + "/" + QGuiApplication::platformName() + "-" +
                   name + ".png");
}

TEST(EndToEnd, AMessageSweptThenTheHelpPageOverIt) {
    test::AppTestWorld world;        // before the server: it makes the application the socket needs
    fixtures::TestHttpServer server; // the help page
    server.route("/content/e2e", [](const fixtures::TestHttpServer::Request&, QTcpSocket& socket) {
        fixtures::TestHttpServer::respond(socket, 200,
                                          "<body style='background:#ff8000'>Wave the phone.</body>",
                                          { { "Content-Type", "text/html" } });
    });
    world.settingsFile = world.folder.filePath("settings.plist");
    using foundation::PropertyList;
    PropertyList::dictionary({ { "baseurl", PropertyList::string(server.url("").toStdString()) },
                               { "fernwickkey", PropertyList::string("e2e") },
                               { "gamekey", PropertyList::string("e2e-game") },
                               { "secretkey", PropertyList::string("e2e-secret") } })
        .writeFile(world.settingsFile);
    world.preferences.setBool(true, "kHasAppOpenedKey"); // not the first launch
    motion::SwingSimulator swing(world.runLoop, motion::SwingSimulator::Parameters {});
    const auto displayFirst = qScopeGuard([&] { world.delegate.reset(); }); // it reads the swing
    SweeplightAppDelegate& app = world.launch(&swing);
    EAGLView& view = *app.glView();
    QWidget* window = app.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    // Typing needs the keyboard. An X server without a window manager gives it only when asked;
    // a headless compositor has no keyboard to give, so the window is made the active one inside
    // the app.
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
        window->activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(window));
    }
    if (!window->isActiveWindow())
        QApplication::setActiveWindow(window);
    world.run(0.5);
    const auto openMenuAndChoose = [&](const QString& title) {
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(100, 200));
        ASSERT_TRUE(view.infoButton() && view.infoButton()->isVisible());
        QTest::mousePress(view.infoButton(), Qt::LeftButton);
        QTest::mouseRelease(view.infoButton(), Qt::LeftButton);
        ASSERT_TRUE(app.menu() && app.menu()->isVisible());
        QTest::mouseClick(
            app.menu()->buttonAtIndex(SweeplightAppDelegate::menuButtonTitles().indexOf(title)),
            Qt::LeftButton);
        QApplication::processEvents();
    };

    // Set Message: a typed message is swept in the colour picked on the wheel. (A chosen picture
    // is the delegate test's and the display tests'.)
    openMenuAndChoose("Set Message");
    EditMessageController* editor = app.editMessage();
    ASSERT_TRUE(editor && editor->isVisible());
    QTest::mouseClick(editor->messageText(), Qt::LeftButton);
    QTest::keyClicks(editor->messageText(), "Hi 5#");
    QTest::keyClick(editor->messageText(), Qt::Key_Return);
    ASSERT_EQ(editor->messageText()->text(), "Hi 5");
    const QPoint onWheel(20, 46);
    const QColor expected = editor->imgColors()->image().pixelColor(onWheel);
    QTest::mouseClick(editor, Qt::LeftButton, {}, editor->imgColors()->mapTo(editor, onWheel));
    QTest::mouseClick(editor->doneButton(), Qt::LeftButton);
    EXPECT_EQ(view.display().currentMessage(), " h i   5 ");
    EXPECT_EQ(test::rgb(view.display().currentColor()), test::rgb(expected));
    std::set<int> columns; // drawn while the phone swings: all of them
    for (int frame = 0; frame < 240; ++frame) {
        world.run(1.0 / 120.0, 1.0 / 120.0);
        if (view.lastDrawnFrame().content == display::DrawnFrame::Content::Column)
            columns.insert(view.lastDrawnFrame().column);
    }
    EXPECT_EQ(static_cast<int>(columns.size()), view.display().strip().messageLength());
    EXPECT_EQ(world.preferences.stringForKey("kRecentTextKey"), "Hi 5") << "for the next launch";

    // Share • Feedback: the service's page fills the window above the toolbar until it is closed.
    world.client().setHasInternet(true);
    openMenuAndChoose("Share • Feedback");
    QWidget* page = app.helpNav();
    ASSERT_TRUE(page && page->isVisible());
    auto* controller = page->findChild<fernwick::FernwickFeatureController*>();
    ASSERT_NE(controller, nullptr);
    world.run(0.4); // the page is asked for 0.3 s after it was shown
    const QPointF inPage = page->mapTo(window, QPointF(page->width() / 2.0, page->height() / 2.0));
    QImage image;
    const auto pageShown = [&] {
        const QRgb pixel = pixelAt(image = snapshot(window), window, inPage);
        return qRed(pixel) > 230 && qAbs(qGreen(pixel) - 0x80) < 24 && qBlue(pixel) < 24;
    };
    EXPECT_TRUE(QTest::qWaitFor(pageShown, 20000))
        << "asked for " << controller->requestedUrl().toString().toStdString();
    saveSnapshot(image, "help");
    ASSERT_TRUE(controller->toolbar()->isVisible());
    controller->toolbar()->actions().first()->trigger(); // "Close"
    EXPECT_FALSE(page->isVisible());
    EXPECT_TRUE(view.isAnimating());

    // Stopped on its fullest column, the display shows most of its LED bar lit on the screen
    // (where each LED and the mask lie is the display tests').
    world.run(0.1);
    app.setUIColor(QColor::fromRgbF(0, 1, 0));
    app.setMessage("HEY!");
    view.stopAnimation();
    view.display().setMessagePointer(test::fullestColumn(view.display().strip()));
    view.drawView();
    const double scale = std::min(view.width() / 320.0, view.height() / 480.0);
    const QPointF origin =
        view.mapTo(window, QPointF(view.width() - 320 * scale, view.height() - 480 * scale) / 2);
    const auto litRows = [&](double x) {
        int rows = 0;
        for (int y = 0; y < 480; y += 10)
            rows += (pixelAt(image, window, origin + QPointF(x, y) * scale) & 0xFFFFFF) != 0;
        return rows;
    };
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return (image = snapshot(window), litRows(153) > 24); }, 10000))
        << "lit rows on the screen: " << litRows(153) << " of 48";
    saveSnapshot(image, "display");
}

} // namespace
} // namespace sweeplight::app
