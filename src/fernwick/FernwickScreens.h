#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;
class QUrl;
class QWidget;
class QWidgetAction;

namespace sweeplight::fernwick {

class Fernwick;
struct RemoteMessageAlert;

// What the client shows, made by whoever has a screen: the app installs the widget screens
// (the fernwick_ui library); a headless host installs none, and the client then shows nothing.
// The client's own operations (getFeatureViewController, getPoweredByButton, ...) stay the
// callers' entry points and come here.
class FernwickScreens {
public:
    virtual ~FernwickScreens() = default;

    // Shows the remote message; `dismissed` gets the index of the button pressed.
    virtual void presentAlert(const RemoteMessageAlert& alert,
                              std::function<void(int)> dismissed) = 0;
    // A navigation container whose root page shows `feature`; `parameters` is the query text
    // appended for the score list.
    virtual std::unique_ptr<QWidget>
    featureViewController(Fernwick& client, const QString& feature,
                          const std::optional<QString>& parameters) = 0;
    // A branding button of 112 x 17 with no action.
    virtual std::unique_ptr<QAbstractButton> poweredByButton() = 0;
    // A toolbar item holding a branding button that calls `action` on touch-down.
    virtual std::unique_ptr<QWidgetAction> poweredByBarButton(std::function<void()> action) = 0;
    // Opens `url` outside the app (the system browser, the mail program); whether it went.
    virtual bool openUrl(const QUrl& url) = 0;
};

} // namespace sweeplight::fernwick
