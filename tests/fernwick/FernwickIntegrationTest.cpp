// The client against the reference service on 127.0.0.1, over the real Qt transport.
#include "FernwickService.h"
#include "FernwickTestSupport.h"
#include "WidgetApplication.h"
#include "fernwick/ui/FernwickFeatureController.h"
#include "fernwick/ui/FernwickWidgetScreens.h"
#include "foundation/QtRunLoop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

using namespace fernwick_test;
using sweeplight::fernwick::Fernwick;
using sweeplight::fernwick::FernwickFeatureController;
using sweeplight::foundation::PropertyList;

namespace {

// Runs the Qt loop until `done` holds or `seconds` pass; the service answers on this same loop.
bool waitFor(const std::function<bool()>& done, double seconds = 20) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

struct LiveWorld {
    QTemporaryDir folder;
    sweeplight::foundation::QtRunLoop loop;
    // The client's transport: a Qt one of the test's own over `loop`, torn down with it.
    std::shared_ptr<sweeplight::fetcher::FetcherEnvironment> fetchers =
        std::make_shared<sweeplight::fetcher::FetcherEnvironment>();
    std::unique_ptr<sweeplight::reachability::Reachability> reachability;
    FernwickService service;
    std::unique_ptr<Fernwick> client;
    std::vector<QUrl> opened;

    LiveWorld() {
        sweeplight::fixtures::widgetApplication();
        fetchers->setRunLoop(&loop);
        reachability = std::make_unique<sweeplight::reachability::Reachability>(
            std::make_unique<FakeReachabilitySource>(), loop);

        FernwickService::Options options;
        options.secretKey = kSecret;
        options.databasePath = folder.filePath("service.sqlite");
        QString error;
        EXPECT_TRUE(service.start(options, &error)) << error.toStdString();

        PropertyList::dictionary(
            {
                { "baseurl", PropertyList::string(service.baseUrl().toStdString()) },
                { "fernwickkey", PropertyList::string(kAppKey) },
                { "gamekey", PropertyList::string(kGameKey) },
                { "secretkey", PropertyList::string(kSecret) },
            })
            .writeFile(folder.filePath("settings.plist"));

        Fernwick::Environment environment;
        environment.fetchers = fetchers;
        environment.screens = std::make_shared<sweeplight::fernwick::FernwickWidgetScreens>();
        environment.reachability = reachability.get();
        environment.openUrl = [this](const QUrl& url) { opened.push_back(url); };
        environment.dataDirectory = folder.filePath("data");
        environment.settingsFile = folder.filePath("settings.plist");
        environment.deviceId = kDeviceId;
        environment.probeHostName = "probe.test";
        client = Fernwick::createUnshared(environment);
    }
    ~LiveWorld() {
        client.reset();
        waitFor([] { return false; }, 0.05);
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
    ASSERT_TRUE(waitFor([&] { return view->title() == title; }, 120))
        << "the help page did not load";
    EXPECT_EQ(view->url().toString(), world.client->getUrlForFeature("help"));

    view->page()->runJavaScript("document.getElementById('site').click();");
    ASSERT_TRUE(waitFor([&] { return !world.opened.empty(); }));
    EXPECT_EQ(world.opened[0].toString(), "https://www.fernwick.example.com/about");
    EXPECT_TRUE(view->url().path().startsWith("/content/")) << "the page stays";

    // A link that asks for a window of its own meets the same policy.
    const QString elsewhere = world.service.baseUrl() + "/elsewhere";
    view->page()->runJavaScript(
        QString("const a = document.createElement('a'); a.href = '%1'; a.target = '_blank';"
                "document.body.appendChild(a); a.click();")
            .arg(elsewhere));
    ASSERT_TRUE(waitFor([&] { return world.opened.size() == 2; }));
    EXPECT_EQ(world.opened[1], QUrl(elsewhere));

    // A form submitted inside the page loads in place.
    view->page()->runJavaScript("document.getElementById('feedback').submit();");
    ASSERT_TRUE(waitFor([&] { return view->url().query().contains("sent=1"); }, 60));
    EXPECT_EQ(world.opened.size(), 2u);
}
