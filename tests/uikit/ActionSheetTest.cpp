#include "uikit/ActionSheet.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace sweeplight::uikit {
namespace {

// Dispatches by the title of the chosen button, as the app's menu does.
class MenuDelegate final : public ActionSheetDelegate {
public:
    void actionSheet(ActionSheet& sheet, int buttonIndex) override {
        sheetVisible = sheet.isVisible();
        const QString title = sheet.buttonTitleAtIndex(buttonIndex);
        if (title.contains("Message"))
            chosen.push_back("message");
        else if (title.contains("Image"))
            chosen.push_back("image");
        else
            chosen.push_back("nothing");
        if (destroyOnChoice)
            owner.reset();
    }
    std::vector<std::string> chosen;
    bool sheetVisible { true };
    bool destroyOnChoice { false };
    std::unique_ptr<ActionSheet> owner;
};

QStringList menuTitles() {
    return { QStringLiteral("Set Message"), QStringLiteral("Set Image"), QStringLiteral("Cancel") };
}

TEST(ActionSheet, OrdersDestructiveThenOthersThenCancel) {
    ActionSheet sheet(QStringLiteral("Sure?"), nullptr, QStringLiteral("Keep"),
                      QStringLiteral("Delete"), { QStringLiteral("Copy"), QStringLiteral("Move") });
    EXPECT_EQ(sheet.numberOfButtons(), 4);
    EXPECT_EQ(sheet.destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet.buttonTitleAtIndex(0), "Delete");
    EXPECT_EQ(sheet.buttonTitleAtIndex(1), "Copy");
    EXPECT_EQ(sheet.cancelButtonIndex(), 3);
    EXPECT_EQ(sheet.buttonTitleAtIndex(3), "Keep");

    ActionSheet menu(QString(), nullptr, QString(), QString(), menuTitles());
    EXPECT_EQ(menu.destructiveButtonIndex(), -1);
    EXPECT_EQ(menu.cancelButtonIndex(), -1);
    EXPECT_EQ(menu.numberOfButtons(), 3);
}

TEST(ActionSheet, LastButtonMarkedDestructiveIsDrawnInTheWarningStyle) {
    QWidget window;
    window.resize(320, 480);
    window.show();
    ActionSheet menu(QString(), nullptr, QString(), QString(), menuTitles());
    menu.setDestructiveButtonIndex(menu.numberOfButtons() - 1);
    menu.showInView(&window);
    ASSERT_TRUE(menu.isVisible());
    const QImage drawn = menu.buttonAtIndex(2)->grab().toImage();
    const QColor fill = drawn.pixelColor(10, drawn.height() / 2);
    EXPECT_GT(fill.red(), 150);
    EXPECT_LT(fill.green(), 90) << "warning red";
    EXPECT_FALSE(menu.buttonAtIndex(0)->property("destructive").toBool());

    // Changing the destructive button after showing restyles the sheet in place.
    menu.setDestructiveButtonIndex(0);
    EXPECT_TRUE(menu.buttonAtIndex(0)->property("destructive").toBool());
    EXPECT_FALSE(menu.buttonAtIndex(2)->property("destructive").toBool());
}

TEST(ActionSheet, AClickHidesTheSheetAndReportsTheIndexForTitleDispatch) {
    QWidget window;
    window.resize(320, 480);
    MenuDelegate delegate;
    ActionSheet menu(QString(), &delegate, QString(), QString(), menuTitles());
    menu.showInView(&window);
    menu.buttonAtIndex(1)->click();
    EXPECT_EQ(delegate.chosen, std::vector<std::string> { "image" });
    EXPECT_FALSE(delegate.sheetVisible);
    EXPECT_FALSE(menu.isVisible());

    menu.showInView(&window);
    menu.buttonAtIndex(2)->click();
    menu.showInView(&window);
    menu.dismissWithClickedButtonIndex(0, true);
    EXPECT_EQ(delegate.chosen, (std::vector<std::string> { "image", "nothing", "message" }));
}

TEST(ActionSheet, DelegateMayDestroyTheSheet) {
    QWidget window;
    MenuDelegate delegate;
    delegate.destroyOnChoice = true;
    delegate.owner =
        std::make_unique<ActionSheet>(QString(), &delegate, QString(), QString(), menuTitles());
    delegate.owner->showInView(&window);
    delegate.owner->buttonAtIndex(0)->click();
    EXPECT_EQ(delegate.owner, nullptr);
    EXPECT_EQ(delegate.chosen, std::vector<std::string> { "message" });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.findChildren<QAbstractButton*>().isEmpty());
}

TEST(ActionSheet, ShownAgainAfterItsViewWasDestroyedItsButtonsAreTheNewOnes) {
    MenuDelegate delegate;
    ActionSheet menu(QString(), &delegate, QString(), QString(), menuTitles());
    auto first = std::make_unique<QWidget>();
    menu.showInView(first.get());
    first.reset();
    EXPECT_EQ(menu.view(), nullptr);
    EXPECT_EQ(menu.buttonAtIndex(0), nullptr);

    QWidget second;
    menu.showInView(&second);
    ASSERT_NE(menu.buttonAtIndex(0), nullptr);
    EXPECT_EQ(menu.buttonAtIndex(0)->window(), &second);
    menu.buttonAtIndex(0)->click();
    EXPECT_EQ(delegate.chosen, std::vector<std::string> { "message" });
}

// A parent that counts the keys that reach it.
class KeyCountingView final : public QWidget {
public:
    int keys { 0 };

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

TEST(ActionSheet, TheKeyboardMovesBetweenButtonsPicksWithEnterAndCancelsWithEscape) {
    MenuDelegate delegate;
    KeyCountingView parent;
    parent.resize(320, 480);
    parent.show();
    ActionSheet sheet(QString(), &delegate, QString(), QString(), menuTitles());
    sheet.setCancelButtonIndex(2);
    sheet.showInView(&parent);
    QWidget* focused = sheet.view()->focusWidget();
    ASSERT_EQ(focused, sheet.buttonAtIndex(0));

    QTest::keyClick(focused, Qt::Key_X);
    EXPECT_EQ(parent.keys, 0) << "keys stop at the sheet";
    QTest::keyClick(focused, Qt::Key_Up);
    EXPECT_EQ(sheet.view()->focusWidget(), sheet.buttonAtIndex(2)) << "wraps round";
    QTest::keyClick(sheet.view()->focusWidget(), Qt::Key_Down);
    QTest::keyClick(sheet.view()->focusWidget(), Qt::Key_Down);
    QTest::keyClick(sheet.view()->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(delegate.chosen, std::vector<std::string>({ "image" }));
    EXPECT_FALSE(sheet.isVisible());

    sheet.showInView(&parent);
    QTest::keyClick(sheet.view()->focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(delegate.chosen, std::vector<std::string>({ "image", "nothing" }));
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(parent.keys, 0);
}

} // namespace
} // namespace sweeplight::uikit
