#include "uikit/AlertView.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace sweeplight::uikit {
namespace {

using Events = std::vector<std::string>;

class RecordingDelegate final : public AlertViewDelegate {
public:
    void alertView(AlertView& alert, int buttonIndex) override {
        events.push_back("clicked " + std::to_string(buttonIndex) + shown(alert));
        if (onClicked)
            onClicked();
    }
    void modalView(AlertView& alert, int buttonIndex) override {
        events.push_back("dismissed " + std::to_string(buttonIndex) + shown(alert));
        if (onDismissed)
            onDismissed();
    }
    static std::string shown(const AlertView& alert) { return alert.isVisible() ? " shown" : ""; }

    Events events;
    std::function<void()> onClicked;
    std::function<void()> onDismissed;
};

TEST(AlertView, ButtonsCountFromCancelAndAClickReportsTheIndexThenDismisses) {
    RecordingDelegate delegate;
    AlertView alert("News", "A new level", &delegate, "Cancel", { "Open" });
    EXPECT_EQ(alert.cancelButtonIndex(), 0);
    EXPECT_EQ(alert.addButtonWithTitle("Later"), 2);
    EXPECT_TRUE(alert.buttonTitleAtIndex(3).isEmpty());
    EXPECT_EQ(AlertView("T", "M").cancelButtonIndex(), -1);
    alert.show();
    ASSERT_TRUE(alert.isVisible());
    EXPECT_EQ(alert.buttonAtIndex(3), nullptr);
    alert.buttonAtIndex(1)->click();
    EXPECT_FALSE(alert.isVisible());
    // Dismissed by the program, it tells only that it was dismissed.
    alert.show();
    alert.dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(delegate.events, (Events { "clicked 1 shown", "dismissed 1", "dismissed 0" }));
    EXPECT_FALSE(alert.isVisible());
}

TEST(AlertView, ShownOverAViewItCoversItAndGoesWithIt) {
    auto window = std::make_unique<QWidget>();
    window->resize(320, 480);
    window->show();
    auto alert = std::make_unique<AlertView>("No Connection", "Sorry", nullptr, "OK");
    alert->show(window.get());
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
        const Events clickedOnly { "clicked 0 shown" }, both { "clicked 0 shown", "dismissed 0" };
        EXPECT_EQ(delegate.events, whenClicked ? clickedOnly : both);
        EXPECT_EQ(alert, nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
} // namespace sweeplight::uikit
