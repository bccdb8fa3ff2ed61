#include "fernwick/ui/FernwickFeatureController.h"

#include "FernwickTestSupport.h"
#include "WidgetApplication.h"
#include "fernwick/ui/FernwickWidgetScreens.h"
#include "foundation/NotificationCenter.h"

#include <QAction>
#include <QToolBar>
#include <QWidgetAction>
#include <gtest/gtest.h>

using namespace fernwick_test;
using sweeplight::fernwick::FeatureNavigationType;
using sweeplight::fernwick::Fernwick;
using sweeplight::fernwick::FernwickFeatureController;

namespace {

struct PageWorld : ClientWorld {
    PageWorld() {
        sweeplight::fixtures::widgetApplication();
        screens = std::make_shared<sweeplight::fernwick::FernwickWidgetScreens>();
        startClient();
    }
};

FernwickFeatureController* controllerOf(QWidget* container) {
    return container->findChild<FernwickFeatureController*>();
}

} // namespace

TEST(FernwickFeaturePage, HelpPageLoadsItsUrlOnlyAfterThreeTenthsOfASecond) {
    PageWorld world;
    auto container = Fernwick::getFeatureViewController("help", *world.client);
    FernwickFeatureController* page = controllerOf(container.get());
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->shouldHideNav());
    EXPECT_FALSE(page->isViewLoaded()) << "the web engine starts only when the page is built";
    page->loadView();
    ASSERT_TRUE(page->webView());
    world.loop.advance(0.29);
    EXPECT_TRUE(page->requestedUrl().isEmpty());
    world.loop.advance(0.01);
    EXPECT_EQ(page->requestedUrl().toString(), world.client->getUrlForFeature("help"));
}

TEST(FernwickFeaturePage, ScorePageAppendsItsParametersAndOtherFeaturesStayOnThePlaceholder) {
    PageWorld world;
    FernwickFeatureController scores(*world.client, "scores",
                                     QString("&sig_device_id=") + kDeviceId);
    scores.loadView();
    FernwickFeatureController sms(*world.client, "sms");
    sms.loadView();
    world.loop.advance(0.3);
    EXPECT_EQ(scores.requestedUrl().toString(),
              world.client->getUrlForFeature("scores") + "&sig_device_id=" + kDeviceId);
    EXPECT_TRUE(sms.requestedUrl().isEmpty());
}

TEST(FernwickFeaturePage, TappedLinksGoToTheBrowserAndEverythingElseLoadsInPlace) {
    PageWorld world;
    FernwickFeatureController page(*world.client, "help");
    EXPECT_FALSE(page.webView(QUrl("http://elsewhere.test/"), FeatureNavigationType::LinkClicked));
    ASSERT_EQ(world.opened.size(), 1u);
    EXPECT_EQ(world.opened[0].toString(), "http://elsewhere.test/");
    EXPECT_TRUE(
        page.webView(QUrl("http://service.test/form"), FeatureNavigationType::FormSubmitted));
    EXPECT_TRUE(page.webView(QUrl("http://service.test/"), FeatureNavigationType::Reload));
    EXPECT_TRUE(page.webView(QUrl("http://service.test/"), FeatureNavigationType::Typed));
    // Mail, telephone and text-message links go to the system too; a tapped link of another
    // scheme is refused and not opened either.
    const char* opened[] = { "mailto:feedback@service.test?subject=Hi", "tel:+1-555-0100",
                             "sms:12345", "sms:?body=Try%20Sweeplight" };
    const char* refused[] = { "file:///etc/passwd", "javascript:alert(1)",
                              "tel:", "sms:", "sweeplight:open" };
    for (const char* link : opened)
        EXPECT_FALSE(page.webView(QUrl(link), FeatureNavigationType::LinkClicked)) << link;
    for (const char* link : refused)
        EXPECT_FALSE(page.webView(QUrl(link), FeatureNavigationType::LinkClicked)) << link;
    ASSERT_EQ(world.opened.size(), 1u + std::size(opened));
    for (std::size_t index = 0; index < std::size(opened); ++index)
        EXPECT_EQ(world.opened[index + 1], QUrl(opened[index]));
}

// Close posts its notification even with nothing to dismiss; the branding button acts on
// touch-down and opens the service's site.
TEST(FernwickFeaturePage, CloseNotifiesOnceAndTheBrandingOpensTheSite) {
    PageWorld world;
    FernwickFeatureController page(*world.client, "help");
    page.loadView();
    ASSERT_TRUE(page.toolbar());
    const auto actions = page.toolbar()->actions();
    ASSERT_EQ(actions.size(), 3);
    int closed = 0;
    auto& center = sweeplight::foundation::NotificationCenter::defaultCenter();
    const int owner = 0;
    center.addObserver(&owner, sweeplight::fernwick::kFernwickClosedNotification,
                       [&] { ++closed; });
    actions[0]->trigger();
    EXPECT_EQ(closed, 1);
    center.removeObserver(&owner);

    auto* branding = qobject_cast<QWidgetAction*>(actions[2]);
    ASSERT_TRUE(branding && branding->defaultWidget());
    QMetaObject::invokeMethod(branding->defaultWidget(), "pressed");
    EXPECT_EQ(world.opened, std::vector<QUrl> { QUrl(sweeplight::fernwick::kFernwickSiteUrl) });
}
