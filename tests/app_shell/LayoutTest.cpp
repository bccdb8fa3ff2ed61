// Every screen of the app on portrait, landscape and the design's own screen size: each visible
// label and button lies inside the window and inside everything that contains it, and shows
// its whole text. The CTest entry "app_shell_layout_2x" runs these again at a scale
// factor of 2.
#include "AppTestWorld.h"
#include "WidgetTestSupport.h"
#include "app/EditImageController.h"
#include "app/EditMessageController.h"
#include "app/SweeplightAppDelegate.h"
#include "uikit/ActionSheet.h"

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

// The text a control shows, and whether all of it fits.
bool showsWholeText(const QWidget* widget, QString& text) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
        if (text.isEmpty())
            return true;
        if (label->wordWrap())
            return label->heightForWidth(label->contentsRect().width()) <= label->height();
        return label->fontMetrics().horizontalAdvance(text) <= label->contentsRect().width();
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
        text = box->text();
        return box->sizeHint().width() <= box->width();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        // A push button's size hint asks for more than its text needs; the text and a little
        // room on both sides is what must fit.
        text = button->text();
        return text.isEmpty() ||
               button->fontMetrics().horizontalAdvance(text) + 4 <= button->width();
    }
    return true;
}

void expectLaidOut(QWidget* window, const std::string& screen) {
    QApplication::processEvents();
    int checked = 0;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget))
            continue;
        // The rows of a list are meant to scroll out of sight.
        bool scrolls = false;
        for (const QWidget* outer = widget->parentWidget(); outer && outer != window;
             outer = outer->parentWidget())
            scrolls = scrolls || qobject_cast<const QAbstractScrollArea*>(outer);
        if (scrolls)
            continue;
        const QString name =
            widget->objectName().isEmpty() ? widget->accessibleName() : widget->objectName();
        const std::string where = screen + ": " + name.toStdString();
        const QRect rect = rectIn(widget, window);
        // Inside the window and inside each container on the way (a container clips).
        for (const QWidget* outer = widget->parentWidget(); outer; outer = outer->parentWidget()) {
            const QRect outerRect = outer == window ? window->rect() : rectIn(outer, window);
            EXPECT_TRUE(outerRect.contains(rect))
                << where << " at " << rect.x() << "," << rect.y() << " " << rect.width() << "x"
                << rect.height() << " leaves " << outer->objectName().toStdString();
            if (outer == window)
                break;
        }
        QString text;
        EXPECT_TRUE(showsWholeText(widget, text))
            << where << " cuts \"" << text.toStdString() << "\" at width " << widget->width();
        ++checked;
    }
    EXPECT_GT(checked, 0) << screen << " shows nothing to check";
}

class Layout : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override {
        world.screenSize = GetParam();
        world.launch(); // the first launch: the intro
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app().window()));
        ASSERT_EQ(app().window()->size(), GetParam());
    }
    SweeplightAppDelegate& app() { return *world.delegate; }
    std::string size() const {
        return std::to_string(GetParam().width()) + "x" + std::to_string(GetParam().height());
    }

    test::AppTestWorld world;
};

TEST_P(Layout, EveryScreenFitsTheWindow) {
    expectLaidOut(app().window(), size() + " intro");
    app().closeIntro(); // the message editor follows
    expectLaidOut(app().window(), size() + " message editor");
    app().editMessage()->presetsClicked();
    expectLaidOut(app().window(), size() + " presets");
    app().editMessage()->cancelPresetClicked();
    app().closeEditing();

    app().displayMenu();
    expectLaidOut(app().window(), size() + " menu");
    app().actionSheet(*app().menu(), 1); // "Set Image"
    expectLaidOut(app().window(), size() + " picture chooser");
    app().closeImageView();

    app().showHelpScreen(); // no network: the alert
    expectLaidOut(app().window(), size() + " no connection");
    world.client().setHasInternet(true);
    app().showHelpScreen();
    expectLaidOut(app().window(), size() + " help page");
}

INSTANTIATE_TEST_SUITE_P(Screens, Layout,
                         ::testing::Values(QSize(360, 720), QSize(720, 360), QSize(320, 480)),
                         [](const ::testing::TestParamInfo<QSize>& info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

} // namespace
} // namespace sweeplight::app
