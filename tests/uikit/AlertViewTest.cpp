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
    AlertView alert("Yowsers", "Something", nullptr, "OK", { "More", "Less" });
    EXPECT_EQ(alert.cancelButtonIndex(), 0);
    EXPECT_EQ(alert.buttonTitleAtIndex(2), "Less");
    EXPECT_EQ(alert.addButtonWithTitle("Later"), 3);
    EXPECT_TRUE(alert.buttonTitleAtIndex(4).isEmpty());
    EXPECT_TRUE(alert.buttonTitleAtIndex(-1).isEmpty());
    EXPECT_EQ(AlertView("T", "M").cancelButtonIndex(), -1);
}

TEST(AlertView, ShowingReturnsAtOnceAndAClickReportsTheIndexThenDismisses) {
    RecordingDelegate delegate;
    AlertView alert("News", "A new level", &delegate);
    alert.addButtonWithTitle("Open");
    alert.addButtonWithTitle("Cancel");
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
    auto alert = std::make_unique<AlertView>("No Connection", "Sorry", nullptr, "OK");
    alert->show(window.get());
    EXPECT_EQ(alert->view()->geometry(), window->rect());

    // The window takes the alert's widget with it; the alert itself stays safe to use.
    window.reset();
    EXPECT_FALSE(alert->isVisible());
    EXPECT_EQ(alert->buttonAtIndex(0), nullptr);
    alert->dismissWithClickedButtonIndex(0, true);
}

TEST(AlertView, DelegateMayDestroyTheAlertWhileItReports) {
    for (const bool whenClicked : { true, false }) {
        RecordingDelegate delegate;
        auto alert = std::make_unique<AlertView>("T", "M", &delegate, "OK");
        (whenClicked ? delegate.onClicked : delegate.onDismissed) = [&] { alert.reset(); };
        alert->show();
        alert->buttonAtIndex(0)->click();
        const std::vector<std::string> clickedOnly { "clicked 0" };
        const std::vector<std::string> both { "clicked 0", "dismissed 0" };
        EXPECT_EQ(delegate.events, whenClicked ? clickedOnly : both);
        EXPECT_EQ(alert, nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(AlertView, AWrappedMessageGetsAllTheHeightItNeeds) {
    QWidget window;
    window.resize(320, 480);
    window.show();
    AlertView alert("No Connection",
                    QStringLiteral("Sorry, you need to be connected to a data network to use this "
                                   "feature. And this sentence makes it wrap once more."),
                    nullptr, "OK");
    alert.show(&window);
    QCoreApplication::processEvents();
    QLabel* message = alert.view()->findChild<QLabel*>("message");
    ASSERT_NE(message, nullptr);
    EXPECT_GE(message->height(), message->heightForWidth(message->width()));
    EXPECT_GT(message->heightForWidth(message->width()), 3 * message->fontMetrics().height())
        << "the text was meant to wrap";
}

TEST(AlertView, TwoButtonsSitSideBySideOthersStack) {
    const auto buttonTops = [](const QStringList& others) {
        AlertView alert("T", "M", nullptr, "A", others);
        alert.show();
        alert.view()->adjustSize();
        std::vector<int> tops;
        for (int i = 0; i <= others.size(); ++i)
            tops.push_back(alert.buttonAtIndex(i)->y());
        return tops;
    };
    const std::vector<int> pair = buttonTops({ "B" }), three = buttonTops({ "B", "C" });
    EXPECT_EQ(pair[0], pair[1]);
    EXPECT_LT(three[0], three[1]);
    EXPECT_LT(three[1], three[2]);
}

} // namespace
} // namespace sweeplight::uikit
