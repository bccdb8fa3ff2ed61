#include "uikit/AlertView.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace sweeplight::uikit {
namespace {

class RecordingDelegate final : public AlertViewDelegate {
public:
    void alertView(AlertView& alert, int buttonIndex) override {
        events.push_back("clicked " + std::to_string(buttonIndex));
        wasVisibleWhenClicked = alert.isVisible();
        if (onClicked)
            onClicked();
    }
    void modalView(AlertView& alert, int buttonIndex) override {
        events.push_back("dismissed " + std::to_string(buttonIndex));
        wasVisibleWhenDismissed = alert.isVisible();
        if (onDismissed)
            onDismissed();
    }

    std::vector<std::string> events;
    bool wasVisibleWhenClicked { false };
    bool wasVisibleWhenDismissed { true };
    std::function<void()> onClicked;
    std::function<void()> onDismissed;
};

TEST(AlertView, ButtonsAreIndexedInTheOrderAddedWithCancelFirst) {
    AlertView alert(QStringLiteral("Yowsers"), QStringLiteral("Something"), nullptr,
                    QStringLiteral("OK"), { QStringLiteral("More"), QStringLiteral("Less") });
    EXPECT_EQ(alert.cancelButtonIndex(), 0);
    EXPECT_EQ(alert.buttonTitleAtIndex(2), "Less");
    EXPECT_EQ(alert.addButtonWithTitle(QStringLiteral("Later")), 3);
    EXPECT_TRUE(alert.buttonTitleAtIndex(4).isEmpty());
    EXPECT_TRUE(alert.buttonTitleAtIndex(-1).isEmpty());
    EXPECT_EQ(AlertView(QStringLiteral("T"), QStringLiteral("M")).cancelButtonIndex(), -1);
}

TEST(AlertView, ShowingReturnsAtOnceAndAClickReportsTheIndexThenDismisses) {
    RecordingDelegate delegate;
    AlertView alert(QStringLiteral("News"), QStringLiteral("A new level"), &delegate);
    alert.addButtonWithTitle(QStringLiteral("Open"));
    alert.addButtonWithTitle(QStringLiteral("Cancel"));
    alert.show();
    ASSERT_TRUE(alert.isVisible());
    EXPECT_TRUE(delegate.events.empty());

    ASSERT_NE(alert.buttonAtIndex(1), nullptr);
    EXPECT_EQ(alert.buttonAtIndex(2), nullptr);

    alert.buttonAtIndex(1)->click();
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "clicked 1", "dismissed 1" }));
    EXPECT_TRUE(delegate.wasVisibleWhenClicked);
    EXPECT_FALSE(delegate.wasVisibleWhenDismissed);
    EXPECT_FALSE(alert.isVisible());

    // Dismissed by the program, it tells only that it was dismissed.
    delegate.events.clear();
    alert.show();
    alert.dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(delegate.events, std::vector<std::string> { "dismissed 0" });
    EXPECT_FALSE(alert.isVisible());
}

TEST(AlertView, ShownOverAViewItCoversItAndGoesWithIt) {
    auto window = std::make_unique<QWidget>();
    window->resize(320, 480);
    window->show();
    auto alert = std::make_unique<AlertView>(
        QStringLiteral("No Connection"), QStringLiteral("Sorry"), nullptr, QStringLiteral("OK"));
    alert->show(window.get());
    EXPECT_EQ(alert->view()->geometry(), window->rect());

    // The window takes the alert's widget with it; the alert itself stays safe to use.
    window.reset();
    EXPECT_FALSE(alert->isVisible());
    EXPECT_EQ(alert->buttonAtIndex(0), nullptr);
    alert->dismissWithClickedButtonIndex(0, true);
}

TEST(AlertView, DelegateMayDestroyTheAlertWhileItReports) {
    RecordingDelegate delegate;
    auto alert = std::make_unique<AlertView>(QStringLiteral("T"), QStringLiteral("M"), &delegate,
                                             QStringLiteral("OK"));
    delegate.onClicked = [&] { alert.reset(); };
    alert->show();
    alert->buttonAtIndex(0)->click();
    EXPECT_EQ(delegate.events, std::vector<std::string> { "clicked 0" });
    EXPECT_EQ(alert, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    auto second = std::make_unique<AlertView>(QStringLiteral("T"), QStringLiteral("M"), &delegate,
                                              QStringLiteral("OK"));
    delegate.events.clear();
    delegate.onClicked = nullptr;
    delegate.onDismissed = [&] { second.reset(); };
    second->show();
    second->buttonAtIndex(0)->click();
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "clicked 0", "dismissed 0" }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(AlertView, AWrappedMessageGetsAllTheHeightItNeeds) {
    QWidget window;
    window.resize(320, 480);
    window.show();
    AlertView alert(QStringLiteral("No Connection"),
                    QStringLiteral("Sorry, you need to be connected to a data network to use this "
                                   "feature. And this sentence makes it wrap once more."),
                    nullptr, QStringLiteral("OK"));
    alert.show(&window);
    QCoreApplication::processEvents();
    QLabel* message = alert.view()->findChild<QLabel*>(QStringLiteral("message"));
    ASSERT_NE(message, nullptr);
    EXPECT_GE(message->height(), message->heightForWidth(message->width()));
    EXPECT_GT(message->heightForWidth(message->width()), 3 * message->fontMetrics().height())
        << "the text was meant to wrap";
}

TEST(AlertView, TwoButtonsSitSideBySideOthersStack) {
    AlertView pair(QStringLiteral("T"), QStringLiteral("M"), nullptr, QStringLiteral("A"),
                   { QStringLiteral("B") });
    pair.show();
    pair.view()->adjustSize();
    EXPECT_EQ(pair.buttonAtIndex(0)->y(), pair.buttonAtIndex(1)->y());

    AlertView three(QStringLiteral("T"), QStringLiteral("M"), nullptr, QStringLiteral("A"),
                    { QStringLiteral("B"), QStringLiteral("C") });
    three.show();
    three.view()->adjustSize();
    EXPECT_LT(three.buttonAtIndex(0)->y(), three.buttonAtIndex(1)->y());
    EXPECT_LT(three.buttonAtIndex(1)->y(), three.buttonAtIndex(2)->y());
}

} // namespace
} // namespace sweeplight::uikit
