// Every screen of the app at three window sizes (the CTest entry "app_shell_layout_2x" runs this
// again at twice the scale): each visible label and button is wholly on screen, overlaps none
// beside it and shows its whole text. The rows of a list are meant to scroll out of sight.
#include "AppTestWorld.h"
#include "app/EAGLView.h"
#include "app/EditMessageController.h"
#include "app/PhoneScreen.h"
#include "app/SweeplightAppDelegate.h"
#include "uikit/AlertView.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

QRect rectIn(const QWidget* widget, const QWidget* window) {
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

bool cutsText(const QWidget* widget) {
    if (widget->property("text").toString().isEmpty())
        return false;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        const int width = label->contentsRect().width();
        return label->wordWrap() ? label->heightForWidth(width) > label->height()
                                 : label->fontMetrics().horizontalAdvance(label->text()) > width;
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(widget))
        return box->sizeHint().width() > box->width();
    // A push button's size hint asks for more than its text and a little room on both sides.
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return button->fontMetrics().horizontalAdvance(button->text()) + 4 > button->width();
}

void expectLaidOut(QWidget* window, const std::string& screen) {
    QApplication::processEvents();
    std::vector<const QWidget*> checked;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible() ||
            (!qobject_cast<const QLabel*>(widget) && !qobject_cast<const QAbstractButton*>(widget)))
            continue;
        const QRect rect = rectIn(widget, window);
        QRect shown = rect & window->rect();
        bool scrolls = false;
        for (const QWidget* outer = widget->parentWidget(); outer != window;
             outer = outer->parentWidget()) {
            shown &= rectIn(outer, window); // a container clips
            scrolls = scrolls || qobject_cast<const QAbstractScrollArea*>(outer);
        }
        if (scrolls)
            continue;
        const std::string where = screen + ": " + widget->objectName().toStdString() + " \"" +
                                  widget->property("text").toString().toStdString() + "\"";
        EXPECT_EQ(shown, rect) << where << " is partly out of sight";
        EXPECT_FALSE(cutsText(widget)) << where << " cuts its text";
        // Text over text; a textless button is a tap area over a picture, and rounding while
        // scaling may let neighbours share a pixel's edge.
        const QRect inner = rect.adjusted(1, 1, -1, -1);
        for (const QWidget* other : checked)
            EXPECT_FALSE(other->parentWidget() == widget->parentWidget() &&
                         !widget->property("text").toString().isEmpty() &&
                         !other->property("text").toString().isEmpty() &&
                         rectIn(other, window).intersects(inner))
                << where << " overlaps " << other->objectName().toStdString();
        checked.push_back(widget);
    }
    EXPECT_FALSE(checked.empty()) << screen << " shows nothing to check";
}

TEST(Layout, EveryScreenFitsTheWindowAtEachSize) {
    for (const QSize size : { QSize(360, 720), QSize(720, 360), QSize(320, 480) }) {
        test::AppTestWorld world;
        world.screenSize = size;
        SweeplightAppDelegate& app = world.launch(); // the first launch: the intro
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app.window()));
        const auto expectFits = [&](const char* screen) {
            expectLaidOut(app.window(), std::to_string(size.width()) + "x" +
                                            std::to_string(size.height()) + " " + screen);
        };
        expectFits("intro");
        app.closeIntro(); // the message editor follows
        expectFits("message editor");
        app.editMessage()->presetsClicked();
        expectFits("presets");
        app.editMessage()->cancelPresetClicked();
        app.closeEditing();
        app.displayMenu();
        expectFits("menu");
        app.actionSheet(*app.menu(), 1); // "Set Image"
        expectFits("picture chooser");
        app.closeImageView();
        app.showHelpScreen();
        ASSERT_TRUE(app.alert() && app.alert()->isVisible() && !app.helpNav());
        EXPECT_TRUE(app.glView()->isAnimating()) << "no network: an alert over the display";
        expectFits("no connection");
        world.client().setHasInternet(true);
        app.showHelpScreen();
        expectFits("help page");
    }
}

TEST(PhoneScreen, TheWindowIsTheDesignWhereItFitsAndTheOnlookerOnlyWhereThereIsRoom) {
    for (const QSize small : { QSize(720, 360), QSize(300, 700) }) {
        EXPECT_EQ(PhoneScreen::windowSize(small), small);
        EXPECT_FALSE(PhoneScreen::hasRoomForOnlooker(small + QSize(200, 0)));
    }
    EXPECT_EQ(PhoneScreen::windowSize({ 1280, 1024 }), QSize(320, 480));
    EXPECT_TRUE(PhoneScreen::hasRoomForOnlooker({ 1280, 1024 }));
}

} // namespace
} // namespace sweeplight::app
