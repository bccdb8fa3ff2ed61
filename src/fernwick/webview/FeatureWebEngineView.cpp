// The web view plugin: the feature page's browser on Qt WebEngine. Only this module links the
// web engine, so the app maps it (and the QML and Quick libraries it needs) when the first page
// is shown, not at start.
#include "fernwick/ui/FeatureWebView.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace sweeplight::fernwick {

namespace {

// The page a link with a target of its own (target=_blank) asks for. Such a link never passes
// the navigation policy of the page it was tapped on, so its first navigation is handed to the
// link policy here, as the tapped link it is; nothing is ever shown in it.
class NewWindowPage final : public QWebEnginePage {
public:
    NewWindowPage(const FeatureWebView::LinkPolicy& policy, QObject* parent)
        : QWebEnginePage(parent)
        , policy_(policy) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        if (!handled_ && policy_)
            policy_(url, FeatureNavigationType::LinkClicked);
        handled_ = true;
        deleteLater();
        return false;
    }

private:
    FeatureWebView::LinkPolicy policy_;
    bool handled_ { false };
};

// Hands every navigation to the link policy.
class FeaturePage final : public QWebEnginePage {
public:
    FeaturePage(FeatureWebView::LinkPolicy policy, QObject* parent)
        : QWebEnginePage(parent)
        , policy_(std::move(policy)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (!isMainFrame && type != NavigationTypeLinkClicked)
            return true;
        return !policy_ || policy_(url, static_cast<FeatureNavigationType>(type));
    }
    QWebEnginePage* createWindow(WebWindowType) override {
        return new NewWindowPage(policy_, this);
    }

private:
    FeatureWebView::LinkPolicy policy_;
};

class FeatureWebEngineView final : public QWebEngineView, public FeatureWebView {
public:
    FeatureWebEngineView(QWidget* parent, LinkPolicy policy)
        : QWebEngineView(parent) {
        setPage(new FeaturePage(std::move(policy), this));
    }

    QWidget* widget() override { return this; }
    void setHtml(const QString& html) override { QWebEngineView::setHtml(html); }
    void load(const QUrl& url) override { QWebEngineView::load(url); }
};

} // namespace

class FeatureWebEnginePlugin final : public QObject, public FeatureWebViewPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID SweeplightFeatureWebViewPlugin_iid)
    Q_INTERFACES(sweeplight::fernwick::FeatureWebViewPlugin)
public:
    FeatureWebView* createWebView(QWidget* parent, FeatureWebView::LinkPolicy policy) override {
        return new FeatureWebEngineView(parent, std::move(policy));
    }
};

} // namespace sweeplight::fernwick

#include "FeatureWebEngineView.moc"
