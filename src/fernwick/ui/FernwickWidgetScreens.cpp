#include "FernwickWidgetScreens.h"

#include "FernwickFeatureController.h"
#include "fernwick/Fernwick.h"
#include "uikit/UrlOpener.h"

#include <QPushButton>
#include <QWidgetAction>

// Resources of a static library must be registered by hand, outside any namespace.
static void initializeFernwickUiResources() {
    Q_INIT_RESOURCE(fernwick_ui);
}

namespace sweeplight::fernwick {

namespace {

QString resourcePath(const char* name) {
    return QStringLiteral(":/") + QLatin1String(name);
}

} // namespace

FernwickWidgetScreens::FernwickWidgetScreens() {
    initializeFernwickUiResources();
}

FernwickWidgetScreens::~FernwickWidgetScreens() {
    if (alert_)
        alert_->setDelegate(nullptr);
}

void FernwickWidgetScreens::presentAlert(const RemoteMessageAlert& alert,
                                         std::function<void(int)> dismissed) {
    // One remote message at a time: a newer one replaces the one still on screen.
    if (alert_)
        alert_->setDelegate(nullptr);
    alert_ = std::make_unique<uikit::AlertView>(alert.title, alert.message,
                                                static_cast<uikit::AlertViewDelegate*>(this));
    for (const QString& caption : alert.buttonTitles)
        alert_->addButtonWithTitle(caption);
    dismissed_ = std::move(dismissed);
    alert_->show();
}

void FernwickWidgetScreens::modalView(uikit::AlertView& alertView, int buttonIndex) {
    if (&alertView != alert_.get())
        return;
    auto dismissed = std::move(dismissed_);
    dismissed_ = nullptr;
    // The alert may be destroyed from inside its own delegate call.
    alert_.reset();
    if (dismissed)
        dismissed(buttonIndex);
}

std::unique_ptr<QWidget>
FernwickWidgetScreens::featureViewController(Fernwick& client, const QString& feature,
                                             const std::optional<QString>& parameters) {
    auto root = parameters
                    ? std::make_unique<FernwickFeatureController>(client, feature, *parameters)
                    : std::make_unique<FernwickFeatureController>(client, feature);
    return FernwickFeatureController::navigationContainer(std::move(root));
}

std::unique_ptr<QAbstractButton> FernwickWidgetScreens::poweredByButton() {
    auto button = std::make_unique<QPushButton>();
    button->setObjectName(QStringLiteral("poweredByButton"));
    button->setFlat(true);
    button->setGeometry(0, 0, 112, 17);
    button->setFixedSize(112, 17);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; border-image: url(%1); }")
                              .arg(resourcePath(kPoweredByImageName)));
    return button;
}

std::unique_ptr<QWidgetAction>
FernwickWidgetScreens::poweredByBarButton(std::function<void()> action) {
    auto button = new QPushButton();
    button->setObjectName(QStringLiteral("poweredByButton"));
    button->setFlat(true);
    button->setGeometry(30, 0, 112, 17);
    button->setFixedSize(112, 17);
    button->setStyleSheet(QStringLiteral("QPushButton, QPushButton:pressed { border: none; "
                                         "border-image: url(%1); }")
                              .arg(resourcePath(kPoweredByImageName)));
    // On touch-down, not on release.
    QObject::connect(button, &QPushButton::pressed, button, [action] {
        if (action)
            action();
    });
    auto item = std::make_unique<QWidgetAction>(nullptr);
    item->setDefaultWidget(button);
    return item;
}

bool FernwickWidgetScreens::openUrl(const QUrl& url) {
    return uikit::UrlOpener::openUrl(url);
}

} // namespace sweeplight::fernwick
