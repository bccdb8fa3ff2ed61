#pragma once

#include "fernwick/FernwickScreens.h"
#include "uikit/AlertView.h"

#include <memory>

namespace sweeplight::fernwick {

// The client's screens as Qt widgets: the toolkit's alert, the feature page controller in its
// navigation container, the powered-by buttons and the system browser. The app installs one in
// the client's environment.
class FernwickWidgetScreens final : public FernwickScreens, private uikit::AlertViewDelegate {
public:
    FernwickWidgetScreens();
    ~FernwickWidgetScreens() override;

    void presentAlert(const RemoteMessageAlert& alert, std::function<void(int)> dismissed) override;
    std::unique_ptr<QWidget>
    featureViewController(Fernwick& client, const QString& feature,
                          const std::optional<QString>& parameters) override;
    std::unique_ptr<QAbstractButton> poweredByButton() override;
    std::unique_ptr<QWidgetAction> poweredByBarButton(std::function<void()> action) override;
    bool openUrl(const QUrl& url) override;

    // The alert on screen; null when none is.
    uikit::AlertView* alert() const { return alert_.get(); }

private:
    void modalView(uikit::AlertView& alertView, int buttonIndex) override;

    std::unique_ptr<uikit::AlertView> alert_;
    std::function<void(int)> dismissed_;
};

} // namespace sweeplight::fernwick
