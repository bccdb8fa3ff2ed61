// The client against the reference service on 127.0.0.1, over the real Qt transport.
#include "FernwickService.h"
#include "FernwickTestSupport.h"
#include "WaitUntil.h"
#include "WidgetApplication.h"
#include "fernwick/ui/FernwickFeatureController.h"
#include "fernwick/ui/FernwickWidgetScreens.h"
#include "foundation/QtRunLoop.h"

#include <QApplication>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

using namespace fernwick_test;
using sweeplight::fernwick::Fernwick;
using sweeplight::fernwick::FernwickFeatureController;

namespace {

using sweeplight::fixtures::waitUntil;

// The client world over Qt's loop and transport, with the service on the same loop.
struct LiveWorld : ClientWorld {
    sweeplight::foundation::QtRunLoop qtLoop;
    FernwickService service;

    LiveWorld() {
        sweeplight::fixtures::widgetApplication();
        fetchers = std::make_shared<sweeplight::fetcher::FetcherEnvironment>();
        fetchers->setRunLoop(&qtLoop);
        reachability = std::make_unique<sweeplight::reachability::Reachability>(
            std::make_unique<FakeReachabilitySource>(), qtLoop);
        FernwickService::Options options;
        options.secretKey = kSecret;
        options.databasePath = folder.filePath("service.sqlite");
        QString error;
        EXPECT_TRUE(service.start(options, &error)) << error.toStdString();
        writeDefaultSettings(service.baseUrl().toUtf8().constData());
        screens = std::make_shared<sweeplight::fernwick::FernwickWidgetScreens>();
        client = start();
    }
    ~LiveWorld() {
        client.reset();
        reachability.reset();
        fetchers.reset();
        sweeplight::fixtures::settle(0.05);
    }
};

} // namespace

// The page's links meet the client's policy inside the real web engine (the policy itself: the
// feature page's test).
TEST(FernwickLive, HelpPageLoadsAndATappedLinkGoesToTheSystemBrowser) {
    LiveWorld world;
    auto container = Fernwick::getFeatureViewController("help", *world.client);
    auto* page = container->findChild<FernwickFeatureController*>();
    ASSERT_TRUE(page);
    container->show();
    // The browser comes from the web view plugin.
    auto* view = qobject_cast<QWebEngineView*>(page->webView());
    ASSERT_TRUE(view);
    // Polled rather than taken from a load signal: the placeholder's own load may finish
    // after the page's request has started.
    const QString title = QString("Help for ") + kAppKey;
    ASSERT_TRUE(waitUntil([&] { return view->title() == title; }, 120))
        << "the help page did not load";
    EXPECT_EQ(view->url().toString(), world.client->getUrlForFeature("help"));

    view->page()->runJavaScript("document.getElementById('site').click();");
    ASSERT_TRUE(waitUntil([&] { return !world.opened.empty(); }, 20));
    EXPECT_EQ(world.opened[0].toString(), "https://www.fernwick.example.com/about");
    EXPECT_TRUE(view->url().path().startsWith("/content/")) << "the page stays";

    // A link that asks for a window of its own meets the same policy.
    const QString elsewhere = world.service.baseUrl() + "/elsewhere";
    view->page()->runJavaScript(
        QString("const a = document.createElement('a'); a.href = '%1'; a.target = '_blank';"
                "document.body.appendChild(a); a.click();")
            .arg(elsewhere));
    ASSERT_TRUE(waitUntil([&] { return world.opened.size() == 2; }, 20));
    EXPECT_EQ(world.opened[1], QUrl(elsewhere));

    // A form submitted inside the page loads in place.
    view->page()->runJavaScript("document.getElementById('feedback').submit();");
    ASSERT_TRUE(waitUntil([&] { return view->url().query().contains("sent=1"); }, 60));
    EXPECT_EQ(world.opened.size(), 2u);
}
