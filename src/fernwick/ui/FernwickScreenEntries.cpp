// The client's operations that hand out widgets. They are built here, with the screens, rather
// than with the client: a headless host never calls them and so links no widget library.
#include "fernwick/Fernwick.h"
#include "fernwick/FernwickScreens.h"
#include "foundation/Log.h"

#include <QAbstractButton>
#include <QWidget>
#include <QWidgetAction>

namespace sweeplight::fernwick {

std::unique_ptr<QAbstractButton> Fernwick::getPoweredByButton() const {
    return screens() ? screens()->poweredByButton() : nullptr;
}

std::unique_ptr<QWidgetAction>
Fernwick::getPoweredByBarButtonWithTarget(std::function<void()> action) const {
    return screens() ? screens()->poweredByBarButton(std::move(action)) : nullptr;
}

std::unique_ptr<QWidget> Fernwick::getFeatureViewController(const QString& feature,
                                                            Fernwick& client) {
    if (!client.screens()) {
        foundation::logLine("Fernwick: no screens to show the page \"" + feature.toStdString() +
                            "\" on");
        return nullptr;
    }
    return client.screens()->featureViewController(client, feature, std::nullopt);
}

std::unique_ptr<QWidget> Fernwick::submitScoreAndGetScoreView(std::int32_t score) {
    // Without a page to show, the score would be marked as submitted while it never went.
    if (!screens()) {
        foundation::logLine("Fernwick: no screens to show the score list on");
        return nullptr;
    }
    const QString parameters = takeScorePageParameters(score);
    return screens()->featureViewController(*this, QString(kFeatureScores), parameters);
}

} // namespace sweeplight::fernwick
