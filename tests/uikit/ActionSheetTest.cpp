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

class RecordingDelegate final : public ActionSheetDelegate {
public:
    void actionSheet(ActionSheet& sheet, int buttonIndex) override {
        chosen.push_back(buttonIndex);
        sheetVisible = sheet.isVisible();
        owner.reset(); // the delegate may destroy the sheet
    }
    std::vector<int> chosen;
    bool sheetVisible { true };
    std::unique_ptr<ActionSheet> owner;
};

// A parent that counts the keys that reach it.
class KeyCountingView final : public QWidget {
public:
    int keys { 0 };

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

const QStringList kTitles { "Set Message", "Set Image", "Cancel" };

// Callers pick by index: the destructive button first, the others, Cancel last.
TEST(ActionSheet, OrdersDestructiveThenOthersThenCancel) {
    ActionSheet sheet("Sure?", nullptr, "Keep", "Delete", { "Copy", "Move" });
    EXPECT_EQ(sheet.destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet.buttonTitleAtIndex(1), "Copy");
    EXPECT_EQ(sheet.cancelButtonIndex(), 3);
    EXPECT_EQ(sheet.buttonTitleAtIndex(3), "Keep");
}

TEST(ActionSheet, AClickHidesTheSheetThenReportsTheIndexAlsoInALaterView) {
    RecordingDelegate delegate;
    ActionSheet menu(QString(), &delegate, QString(), QString(), kTitles);
    auto first = std::make_unique<QWidget>();
    menu.showInView(first.get());
    menu.buttonAtIndex(1)->click();
    EXPECT_FALSE(delegate.sheetVisible);

    // Shown again after its view was destroyed, its buttons are the new ones.
    menu.showInView(first.get());
    first.reset();
    EXPECT_EQ(menu.buttonAtIndex(0), nullptr);
    QWidget second;
    menu.showInView(&second);
    ASSERT_NE(menu.buttonAtIndex(2), nullptr);
    menu.buttonAtIndex(2)->click();
    EXPECT_EQ(delegate.chosen, (std::vector<int> { 1, 2 }));

    // The delegate may destroy the sheet that reports to it.
    delegate.owner =
        std::make_unique<ActionSheet>(QString(), &delegate, QString(), QString(), kTitles);
    delegate.owner->showInView(&second);
    delegate.owner->buttonAtIndex(0)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(delegate.chosen.back(), 0);
    EXPECT_EQ(second.findChildren<QAbstractButton*>().size(), 3) << "only the first sheet's";
}

TEST(ActionSheet, TheKeyboardMovesBetweenButtonsPicksWithEnterAndCancelsWithEscape) {
    RecordingDelegate delegate;
    KeyCountingView parent;
    parent.resize(320, 480);
    parent.show();
    ActionSheet sheet(QString(), &delegate, QString(), QString(), kTitles);
    sheet.setCancelButtonIndex(2);
    sheet.showInView(&parent);
    const auto key = [&](Qt::Key key) { QTest::keyClick(sheet.view()->focusWidget(), key); };
    ASSERT_EQ(sheet.view()->focusWidget(), sheet.buttonAtIndex(0));
    key(Qt::Key_X);
    key(Qt::Key_Up);
    EXPECT_EQ(sheet.view()->focusWidget(), sheet.buttonAtIndex(2)) << "wraps round";
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(delegate.chosen, std::vector<int> { 1 }); // Esc for Cancel: the app delegate test
    EXPECT_EQ(parent.keys, 0) << "keys stop at the sheet";
}

} // namespace
} // namespace sweeplight::uikit
