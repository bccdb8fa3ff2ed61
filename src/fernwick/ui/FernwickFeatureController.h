#pragma once

#include "fernwick/ui/FeatureWebView.h"

#include <QString>
#include <QUrl>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

class QToolBar;

namespace sweeplight::fernwick {

class Fernwick;

// The screen that shows one of the service's web "feature" pages (the help page, the score
// list): a grey "Loading..." placeholder at once, the page 0.3 s after the screen is built,
// links the user taps sent to the system browser, and a bottom toolbar with "Close" and the
// powered-by button. The web engine is only loaded (from its plugin) and started when the screen
// is first built, so an app that never shows a page does not pay for it.
class FernwickFeatureController final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 460;
    static constexpr int kToolbarHeight = 42;
    static constexpr double kLoadDelay = 0.3;

    // initWithFeature: and initWithFeature:andParams:.
    FernwickFeatureController(Fernwick& client, QString feature, QWidget* parent = nullptr);
    FernwickFeatureController(Fernwick& client, QString feature, QString featureParameters,
                              QWidget* parent = nullptr);
    ~FernwickFeatureController() override;

    // The navigation container the client hands out: it holds `root`, and hides its bar when
    // the root asks it to.
    static std::unique_ptr<QWidget>
    navigationContainer(std::unique_ptr<FernwickFeatureController> root);

    // Null until the screen is built. Without the web view plugin, a text that says so stands
    // in for the page.
    QWidget* webView() const { return webView_; }
    const QString& myFeature() const { return myFeature_; }
    void setMyFeature(QString feature) { myFeature_ = std::move(feature); }
    const std::optional<QString>& featureParameters() const { return featureParameters_; }
    void setFeatureParameters(std::optional<QString> parameters) {
        featureParameters_ = std::move(parameters);
    }
    bool shouldHideNav() const { return shouldHideNav_; }
    void setShouldHideNav(bool hide) { shouldHideNav_ = hide; }
    QToolBar* toolbar() const { return toolbar_; }
    // The page the controller asked the web view for (empty before the delayed load).
    const QUrl& requestedUrl() const { return requestedUrl_; }
    bool isViewLoaded() const { return webView_ != nullptr; }

    // Builds the screen, then runs viewDidLoad. Runs by itself the first time the screen is
    // shown; later calls do nothing.
    void loadView();
    void viewDidLoad();
    void loadHtmlFeaturesFromWeb();
    // The link policy: whether the web view may load `request` itself.
    bool webView(const QUrl& shouldStartLoadWithRequest, FeatureNavigationType navigationType);
    void launchFernwickSite();
    void closeClicked();
    void closeThisWindow();
    static bool shouldAutorotateToInterfaceOrientation(Qt::ScreenOrientation orientation);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();

    Fernwick& client_;
    QWidget* webView_ { nullptr };
    // The browser behind webView_; null while the plugin is missing.
    FeatureWebView* page_ { nullptr };
    QString myFeature_;
    std::optional<QString> featureParameters_;
    bool shouldHideNav_ { true };
    QToolBar* toolbar_ { nullptr };
    QUrl requestedUrl_;
    std::uint64_t loadTimer_ { 0 };
};

} // namespace sweeplight::fernwick
