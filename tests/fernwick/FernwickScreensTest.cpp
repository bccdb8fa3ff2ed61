// The client's screens as widgets (the feature page, the alert, the branding), and the client
// without any.
#include "FernwickTestSupport.h"
#include "WidgetApplication.h"
#include "fernwick/ui/FeatureWebViewLoader.h"
#include "fernwick/ui/FernwickFeatureController.h"
#include "fernwick/ui/FernwickWidgetScreens.h"
#include "foundation/NotificationCenter.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QWidget>
#include <QWidgetAction>
#include <gtest/gtest.h>

using namespace fernwick_test;
using sweeplight::fernwick::FeatureNavigationType;
using sweeplight::fernwick::FeatureWebViewLoader;
using sweeplight::fernwick::Fernwick;
using sweeplight::fernwick::FernwickFeatureController;
using sweeplight::fernwick::FernwickWidgetScreens;

namespace {

struct ScreensWorld : ClientWorld {
    explicit ScreensWorld(bool withScreens = true) {
        sweeplight::fixtures::widgetApplication();
        if (withScreens)
            screens = std::make_shared<FernwickWidgetScreens>();
        startClient();
    }
};

FernwickFeatureController* featureController(QWidget* container) {
    return container ? container->findChild<FernwickFeatureController*>() : nullptr;
}

} // namespace

// The score page asks for the signed submission while the score is marked, for the device's
// scores after that; it loads its URL 0.3 s after it is built.
TEST(FernwickScreens, ScorePageSubmitsOnlyWhileTheScoreIsMarked) {
    ScreensWorld world;
    world.client->saveHighScore(10);
    const QString base = world.client->getUrlForFeature("scores");
    for (const QString& url :
         { world.client->getScoreSubmitUrlForScore(12), base + "&sig_device_id=" + kDeviceId }) {
        auto container = world.client->submitScoreAndGetScoreView(12);
        FernwickFeatureController* page = featureController(container.get());
        ASSERT_TRUE(page);
        EXPECT_FALSE(world.storedShouldSubmit());
        EXPECT_TRUE(world.client->hasLastScoreSubmitted());
        page->loadView();
        world.loop.advance(0.29);
        EXPECT_TRUE(page->requestedUrl().isEmpty());
        world.loop.advance(0.01);
        EXPECT_EQ(page->requestedUrl().toString(), url);
    }
}

TEST(FernwickScreens, WithoutScreensNothingIsShownAndTheScoreStaysMarked) {
    ScreensWorld world(false);
    world.client->saveHighScore(10);
    EXPECT_EQ(world.client->submitScoreAndGetScoreView(12), nullptr);
    EXPECT_TRUE(world.storedShouldSubmit()) << "no page went, so no score went";
    EXPECT_EQ(Fernwick::getFeatureViewController("help", *world.client), nullptr);
    EXPECT_EQ(world.client->getPoweredByButton(), nullptr);

    auto environment = world.environment();
    environment.openUrl = nullptr;
    EXPECT_FALSE(Fernwick::createUnshared(environment)->openExternalUrl(QUrl("http://a.test/")));
}

TEST(FernwickScreens, ThePlatformAlertShowsTheButtonsAndReportsThePressedOne) {
    ScreensWorld world;
    auto environment = world.environment();
    environment.presentAlert = nullptr; // the screens' own alert
    world.client = Fernwick::createUnshared(environment);
    world.checkMessage(
        messageJson("2010-01-01 00:00:00 +0000", { { "Visit", "http://a.test/page", "2" } }));

    auto* screens = static_cast<FernwickWidgetScreens*>(world.screens.get());
    ASSERT_TRUE(screens->alert() && screens->alert()->isVisible());
    ASSERT_EQ(screens->alert()->numberOfButtons(), 2);
    screens->alert()->buttonAtIndex(0)->click();
    world.loop.runPending();
    EXPECT_EQ(screens->alert(), nullptr);
    EXPECT_EQ(world.opened, std::vector<QUrl> { QUrl("http://a.test/page") });
}

TEST(FernwickScreens, WithoutThePluginThePageSaysWhyAndStillCloses) {
    if (FeatureWebViewLoader::isLoaded())
        GTEST_SKIP() << "an earlier test in this process has loaded the plugin";
    ScreensWorld world;
    QTemporaryDir empty;
    qputenv(FeatureWebViewLoader::kPluginDirectoryVariable, empty.path().toUtf8());
    FernwickFeatureController page(*world.client, "help");
    page.loadView();
    qunsetenv(FeatureWebViewLoader::kPluginDirectoryVariable);
    auto* text = qobject_cast<QLabel*>(page.webView());
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->text().contains(empty.path())) << text->text().toStdString();
    ASSERT_TRUE(page.toolbar());
    world.loop.advance(0.3);
    EXPECT_EQ(page.requestedUrl().toString(), world.client->getUrlForFeature("help"));
}

// The help page's browser comes from the plugin and starts only when the page is built; features
// without a page stay on the placeholder. Tapped links meet the policy that lets contact links
// through (its table: the client's test); everything else loads in place. Close posts its
// notification even with nothing to dismiss; the branding acts on touch-down and opens the site.
TEST(FernwickFeaturePage, LoadsItsUrlSendsTappedLinksOutClosesAndBrands) {
    ScreensWorld world;
    auto container = Fernwick::getFeatureViewController("help", *world.client);
    FernwickFeatureController* page = featureController(container.get());
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->isViewLoaded());
    page->loadView();
    EXPECT_TRUE(page->webView() && !qobject_cast<QLabel*>(page->webView())) << "not the plugin's";
    FernwickFeatureController sms(*world.client, "sms");
    sms.loadView();
    world.loop.advance(0.3);
    EXPECT_EQ(page->requestedUrl().toString(), world.client->getUrlForFeature("help"));
    EXPECT_TRUE(sms.requestedUrl().isEmpty());

    EXPECT_FALSE(page->webView(QUrl("tel:+1-555-0100"), FeatureNavigationType::LinkClicked));
    EXPECT_EQ(world.opened, std::vector<QUrl> { QUrl("tel:+1-555-0100") });
    EXPECT_TRUE(page->webView(QUrl("http://a.test/"), FeatureNavigationType::FormSubmitted));

    const auto actions = page->toolbar()->actions();
    ASSERT_EQ(actions.size(), 3);
    int closed = 0;
    auto& center = sweeplight::foundation::NotificationCenter::defaultCenter();
    center.addObserver(&closed, sweeplight::fernwick::kFernwickClosedNotification,
                       [&] { ++closed; });
    actions[0]->trigger();
    EXPECT_EQ(closed, 1);
    center.removeObserver(&closed);
    auto* branding = qobject_cast<QWidgetAction*>(actions[2]);
    ASSERT_TRUE(branding && branding->defaultWidget());
    QMetaObject::invokeMethod(branding->defaultWidget(), "pressed");
    EXPECT_EQ(world.opened.back(), QUrl(sweeplight::fernwick::kFernwickSiteUrl));
}
