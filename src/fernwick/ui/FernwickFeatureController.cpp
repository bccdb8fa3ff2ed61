#include "FernwickFeatureController.h"

#include "FeatureWebViewLoader.h"
#include "fernwick/Fernwick.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace sweeplight::fernwick {

namespace {

constexpr char kPlaceholderHtml[] =
    "<html><br><br><br><center><font size=+2 color='#888'>Loading...</font></center></html>";
constexpr char kTitle[] = "Help";
constexpr char kCloseTitle[] = "Close";

} // namespace

FernwickFeatureController::FernwickFeatureController(Fernwick& client, QString feature,
                                                     QWidget* parent)
    : QWidget(parent)
    , client_(client)
    , myFeature_(std::move(feature)) {
    setWindowTitle(QString(kTitle));
    resize(kWidth, kHeight);
}

FernwickFeatureController::FernwickFeatureController(Fernwick& client, QString feature,
                                                     QString featureParameters, QWidget* parent)
    : FernwickFeatureController(client, std::move(feature), parent) {
    featureParameters_ = std::move(featureParameters);
}

FernwickFeatureController::~FernwickFeatureController() {
    if (loadTimer_ != foundation::RunLoop::kNoTimer)
        client_.runLoop().cancel(loadTimer_);
}

std::unique_ptr<QWidget>
FernwickFeatureController::navigationContainer(std::unique_ptr<FernwickFeatureController> root) {
    auto container = std::make_unique<QWidget>();
    container->setObjectName(QStringLiteral("fernwickNavigationContainer"));
    container->setWindowTitle(QString(kTitle));
    // There is no navigation bar to show here; the flag is kept for whoever styles one.
    container->setProperty("navigationBarHidden", root->shouldHideNav());
    auto layout = new QVBoxLayout(container.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(root.release());
    container->resize(kWidth, kHeight);
    return container;
}

void FernwickFeatureController::showEvent(QShowEvent* event) {
    loadView();
    QWidget::showEvent(event);
}

void FernwickFeatureController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void FernwickFeatureController::layoutChildren() {
    if (webView_)
        webView_->setGeometry(0, 0, width(), height());
    if (toolbar_) {
        // The strip cut from the bottom edge: full width, fixed height, kept to the bottom.
        toolbar_->setGeometry(0, height() - kToolbarHeight, width(), kToolbarHeight);
        toolbar_->raise();
    }
}

void FernwickFeatureController::loadView() {
    if (webView_)
        return;
    QString missing;
    if (FeatureWebViewPlugin* engine = FeatureWebViewLoader::shared(&missing)) {
        page_ = engine->createWebView(this, [this](const QUrl& url, FeatureNavigationType type) {
            return webView(url, type);
        });
        webView_ = page_->widget();
    } else {
        auto* label = new QLabel(QStringLiteral("This page cannot be shown: ") + missing, this);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        webView_ = label;
    }
    webView_->setObjectName(QStringLiteral("fernwickWebView"));
    webView_->setGeometry(0, 0, kWidth, kHeight);
    if (page_)
        page_->setHtml(QString(kPlaceholderHtml));

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("fernwickToolbar"));
    QAction* close = toolbar_->addAction(QString(kCloseTitle));
    close->setObjectName(QStringLiteral("closeAction"));
    // The emphasised ("done") style.
    QFont bold = toolbar_->font();
    bold.setBold(true);
    close->setFont(bold);
    connect(close, &QAction::triggered, this, [this] { closeClicked(); });
    auto spacer = new QWidget(toolbar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar_->addWidget(spacer);
    if (auto poweredBy =
            client_.getPoweredByBarButtonWithTarget([this] { launchFernwickSite(); })) {
        poweredBy->setParent(toolbar_);
        toolbar_->addAction(poweredBy.release());
    }
    layoutChildren();
    // Built from the first show event, after Qt has shown the children it knew of: children
    // made now stay hidden unless shown.
    webView_->show();
    toolbar_->show();
    viewDidLoad();
}

void FernwickFeatureController::viewDidLoad() {
    if (loadTimer_ != foundation::RunLoop::kNoTimer)
        client_.runLoop().cancel(loadTimer_);
    loadTimer_ = client_.runLoop().scheduleOnce(kLoadDelay, [this] {
        loadTimer_ = foundation::RunLoop::kNoTimer;
        loadHtmlFeaturesFromWeb();
    });
}

void FernwickFeatureController::loadHtmlFeaturesFromWeb() {
    QString url;
    if (myFeature_ == QLatin1String(kFeatureHelp))
        url = client_.getUrlForFeature(QString(kFeatureHelp));
    else if (myFeature_ == QLatin1String(kFeatureScores))
        url = client_.getUrlForFeature(QString(kFeatureScores)) +
              featureParameters_.value_or(QString());
    else
        return;
    requestedUrl_ = QUrl(url, QUrl::StrictMode);
    // A URL that does not parse leaves the placeholder, as a page that fails to load does.
    if (page_ && requestedUrl_.isValid())
        page_->load(requestedUrl_);
}

bool FernwickFeatureController::webView(const QUrl& shouldStartLoadWithRequest,
                                        FeatureNavigationType navigationType) {
    if (navigationType != FeatureNavigationType::LinkClicked)
        return true;
    client_.openExternalUrl(shouldStartLoadWithRequest, Fernwick::LinkSchemes::WebAndContact);
    return false;
}

void FernwickFeatureController::launchFernwickSite() {
    client_.launchFernwickSite();
}

void FernwickFeatureController::closeClicked() {
    closeThisWindow();
    foundation::NotificationCenter::defaultCenter().postNotificationName(
        kFernwickClosedNotification);
}

void FernwickFeatureController::closeThisWindow() {
    // Only a page presented modally is dismissed; one placed straight into a window stays
    // until the host removes it.
    QWidget* container = window();
    if (container && container->isModal())
        container->close();
}

bool FernwickFeatureController::shouldAutorotateToInterfaceOrientation(
    Qt::ScreenOrientation orientation) {
    return orientation == Qt::PortraitOrientation;
}

} // namespace sweeplight::fernwick
