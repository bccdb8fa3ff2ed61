#include "FernwickTestSupport.h"
#include "foundation/NotificationCenter.h"
#include "reachability/ReachabilityQuery.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace fernwick_test;
using sweeplight::fernwick::Fernwick;
using sweeplight::foundation::PropertyList;
namespace reachability = sweeplight::reachability;

namespace {

std::int64_t storedLaunchCount(const ClientWorld& world) {
    auto data = world.storedData();
    if (!data || !data->find("appopened"))
        return -1;
    return *data->find("appopened")->asInteger();
}

} // namespace

TEST(FernwickSetup, EachStartReadsTheSettingsAndCountsALaunchSavedTwoSecondsLater) {
    ClientWorld world;
    world.writeDefaultSettings();
    {
        auto first = world.start();
        ASSERT_TRUE(QFile::exists(world.dataFile()));
        EXPECT_EQ(first->appOpened(), 1);
        EXPECT_EQ(first->baseUrl(), kBaseUrl);
        EXPECT_EQ(first->appId(), kAppKey);
        EXPECT_EQ(first->gameKey(), kGameKey);
        EXPECT_EQ(first->secretKey(), kSecret);
        EXPECT_EQ(first->deviceId(), kDeviceId);
        // The copy is the template as shipped; setup itself writes nothing.
        EXPECT_EQ(storedLaunchCount(world), 0);
        EXPECT_TRUE(first->isSavePending());
        world.loop.advance(1.99);
        EXPECT_EQ(storedLaunchCount(world), 0);
        world.loop.advance(0.01);
        EXPECT_EQ(storedLaunchCount(world), 1);
        EXPECT_FALSE(first->isSavePending());
        first->saveHighScore(77);
    }
    world.resetReachability();
    auto second = world.start();
    EXPECT_EQ(second->appOpened(), 2);
    EXPECT_EQ(second->getHighScore(), 77);
    world.loop.advance(2.0);
    EXPECT_EQ(storedLaunchCount(world), 2);
    EXPECT_TRUE(world.fatalErrors.empty());
}

TEST(FernwickSetup, WithoutABaseUrlTheBuiltInHttpsServiceIsUsed) {
    ClientWorld world;
    world.writeDefaultSettings(/*withBaseUrl=*/false);
    auto client = world.start();
    EXPECT_EQ(client->baseUrl(), sweeplight::fernwick::kDefaultBaseUrl);
    EXPECT_TRUE(client->baseUrl().startsWith("https://"));
    EXPECT_TRUE(client->getUrlForFeature("site").startsWith("https://"));
}

TEST(FernwickSetup, ShippedSettingsAreUsedWhenNoFileIsGiven) {
    ClientWorld world;
    auto environment = world.environment();
    environment.settingsFile.clear();
    qunsetenv(sweeplight::fernwick::kSettingsFileVariable);
    auto client = Fernwick::createUnshared(environment);
    ASSERT_NE(client->settingsDictionary(), nullptr);
    EXPECT_TRUE(client->baseUrl().startsWith("https://"));
    EXPECT_FALSE(client->appId().isEmpty());
    EXPECT_FALSE(client->secretKey().isEmpty());
}

TEST(FernwickSetup, UnreadableSettingsLeaveTheKeysEmptyWithoutStopping) {
    const QByteArray broken[] = {
        "<plist><dict><key>baseurl</key>",
        QByteArray("<plist><dict><key>fernwickkey</key><string>app\0</string></dict></plist>", 71),
    };
    for (const QByteArray& contents : broken) {
        ClientWorld world;
        QFile file(world.settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        auto client = world.start();
        EXPECT_EQ(client->settingsDictionary(), nullptr);
        EXPECT_EQ(client->baseUrl(), sweeplight::fernwick::kDefaultBaseUrl);
        EXPECT_TRUE(client->appId().isEmpty());
        EXPECT_EQ(client->appOpened(), 1);
    }
}

TEST(FernwickSetup, NetworkMonitorIsWatchedBeforeItsQueriesExist) {
    ClientWorld world;
    world.writeDefaultSettings();
    world.source->setFlags("probe.test", reachability::kReachabilityFlagsReachable);
    world.source->setFlags("0.0.0.0", reachability::kReachabilityFlagsReachable);
    auto client = world.start();

    EXPECT_EQ(world.reachability->hostName(), "probe.test");
    EXPECT_TRUE(world.reachability->networkStatusNotificationsEnabled());
    // Host, default route and link-local queries exist, each registered on the main loop.
    ASSERT_EQ(world.reachability->reachabilityQueries().size(), 3u);
    for (const auto& [target, query] : world.reachability->reachabilityQueries())
        EXPECT_TRUE(query->isScheduledOnRunLoop(&world.loop)) << target;
    EXPECT_TRUE(client->hasHost());
    EXPECT_TRUE(client->hasInternet());
    EXPECT_FALSE(client->hasWifi());
}

TEST(FernwickNetwork, StatusesMapToTheThreeFlags) {
    ClientWorld world;
    world.writeDefaultSettings();
    auto client = world.start();
    EXPECT_FALSE(client->hasHost());
    EXPECT_FALSE(client->hasInternet());
    EXPECT_FALSE(client->hasWifi());

    // Transient links count as there.
    world.source->setFlags("probe.test", reachability::kReachabilityFlagsReachable |
                                             reachability::kReachabilityFlagsTransientConnection);
    world.source->setFlags("0.0.0.0", reachability::kReachabilityFlagsReachable |
                                          reachability::kReachabilityFlagsTransientConnection);
    client->updateNetworkStatus();
    EXPECT_TRUE(client->hasHost());
    EXPECT_TRUE(client->hasInternet());

    // A direct default route is an ad-hoc network: no Internet, but local Wi-Fi.
    world.source->setFlags("0.0.0.0", reachability::kReachabilityFlagsReachable |
                                          reachability::kReachabilityFlagsIsDirect);
    world.source->setFlags("169.254.0.0", reachability::kReachabilityFlagsReachable |
                                              reachability::kReachabilityFlagsIsDirect);
    client->updateNetworkStatus();
    EXPECT_FALSE(client->hasInternet());
    EXPECT_TRUE(client->hasWifi());
}

TEST(FernwickNetwork, EveryReportedChangeRunsOneFullUpdate) {
    ClientWorld world;
    world.writeDefaultSettings();
    auto client = world.start();
    int notifications = 0;
    auto& center = sweeplight::foundation::NotificationCenter::defaultCenter();
    const int owner = 0;
    center.addObserver(&owner, reachability::kNetworkReachabilityChangedNotification,
                       [&] { ++notifications; });

    world.source->change("0.0.0.0", reachability::kReachabilityFlagsReachable);
    world.loop.runPending();
    EXPECT_EQ(notifications, 1);
    EXPECT_TRUE(client->hasInternet());
    EXPECT_FALSE(client->hasHost());

    world.source->change("probe.test", reachability::kReachabilityFlagsReachable);
    world.loop.runPending();
    EXPECT_EQ(notifications, 2);
    EXPECT_TRUE(client->hasHost());
    center.removeObserver(&owner);
}

TEST(FernwickUrls, TableRowsAreJoinedWithoutEscaping) {
    ClientWorld world;
    world.writeDefaultSettings();
    auto client = world.start();
    const QString base = kBaseUrl;
    const std::pair<const char*, QString> rows[] = {
        { "help", base + "/content/sweeplight?sig_device_id=D3V1CE" },
        { "usage", base + "/stat/add?sig_device_id=D3V1CE&app=sweeplight" },
        { "sms", base + "/content/sweeplight/sendsms" },
        { "site", sweeplight::fernwick::kFernwickSiteUrl },
        { "scores", base + "/game/list?game_key=game42" },
        { "loglocation", base + "/loc/add?app=sweeplight" },
        { "getlocations", base + "/loc/data?app=sweeplight" },
        // Names are compared exactly; anything else is the plain content page.
        { "Help", base + "/content/sweeplight" },
        { "whatever", base + "/content/sweeplight" },
    };
    for (const auto& [feature, url] : rows)
        EXPECT_EQ(client->getUrlForFeature(feature), url) << feature;
}

TEST(FernwickUrls, BaseUrlEndingInASlashGivesADoubleSlash) {
    ClientWorld world;
    world.writeSettings(PropertyList::dictionary({
        { "baseurl", PropertyList::string("http://service.test/") },
        { "fernwickkey", PropertyList::string("k") },
        { "gamekey", PropertyList::string("g") },
        { "secretkey", PropertyList::string("s") },
    }));
    auto client = world.start();
    EXPECT_EQ(client->getUrlForFeature("usage"),
              "http://service.test//stat/add?sig_device_id=D3V1CE&app=k");
}

TEST(FernwickReports, UsageReportIsOneGetOfTheUsageUrl) {
    ClientWorld world;
    world.writeDefaultSettings();
    auto client = world.start();
    client->logAppUsage();
    ASSERT_EQ(world.transport->count(), 1u);
    EXPECT_EQ(world.transport->urlAt(0), client->getUrlForFeature("usage"));
    EXPECT_EQ(world.transport->at(0)->request.HTTPMethod(), "GET");
    world.transport->at(0)->respond(500, "ignored");
    world.loop.runPending();
    EXPECT_EQ(client->liveConnectionCount(), 0u);
    EXPECT_EQ(world.transport->count(), 1u) << "no retry";
}

TEST(FernwickReports, LocationIsSignedWithDeviceAndSecretAndPrintsFloatDigits) {
    ClientWorld world;
    world.writeDefaultSettings();
    auto client = world.start();
    client->logLocationWithLat(1.5f, 0.1f);
    ASSERT_EQ(world.transport->count(), 1u);
    const std::string hash = upperMd5(std::string(kDeviceId) + kSecret);
    // 0.1 as a float is 0.100000001490116...; 1.5 is exact.
    EXPECT_EQ(world.transport->urlAt(0).toStdString(),
              std::string(kBaseUrl) +
                  "/loc/add?app=sweeplight&sig_device_id=D3V1CE"
                  "&lat=1.500000000000&lng=0.100000001490&hash=" +
                  hash);
    client->logLocationWithLat(-33.8688f, 151.2093f);
    EXPECT_TRUE(world.transport->urlAt(1).contains("&lat=-33.868801116943&lng=151.209304809570&"));
}

TEST(FernwickReports, UrlsThatDoNotParseGoNowhere) {
    ClientWorld world;
    world.writeSettings(PropertyList::dictionary({
        { "baseurl", PropertyList::string("http://service.test") },
        { "fernwickkey", PropertyList::string("has space") },
        { "gamekey", PropertyList::string("g") },
        { "secretkey", PropertyList::string("s") },
    }));
    auto client = world.start();
    client->logAppUsage();
    EXPECT_EQ(world.transport->count(), 0u);
}

TEST(FernwickSite, OnlyWebLinksAreOpened) {
    ClientWorld world;
    world.writeDefaultSettings();
    auto client = world.start();
    client->launchFernwickSite();
    ASSERT_EQ(world.opened.size(), 1u);
    EXPECT_EQ(world.opened[0].toString(), sweeplight::fernwick::kFernwickSiteUrl);
    EXPECT_FALSE(client->openExternalUrl(QUrl("file:///etc/passwd")));
    EXPECT_FALSE(client->openExternalUrl(QUrl("javascript:alert(1)")));
    EXPECT_FALSE(client->openExternalUrl(QUrl("sms:12345")));
    EXPECT_TRUE(client->openExternalUrl(QUrl("HTTPS://example.org/x")));
    EXPECT_EQ(world.opened.size(), 2u);
}

TEST(FernwickInstance, SharedClientIsMadeOnceAndDirectCreationThenYieldsNothing) {
    // The shared client is never destroyed, so its world must outlive the test too.
    static ClientWorld& world = *new ClientWorld;
    world.writeDefaultSettings();
    ASSERT_TRUE(Fernwick::setEnvironment(world.environment()));
    Fernwick& first = Fernwick::instance();
    Fernwick& second = Fernwick::instance();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(first.appOpened(), 1) << "setup ran once";
    EXPECT_EQ(Fernwick::allocWithZone(), nullptr);
    EXPECT_FALSE(Fernwick::setEnvironment(world.environment()));
    std::vector<std::string> arguments { "--settings", "x" };
    EXPECT_FALSE(Fernwick::takeCommandLineOptions(arguments));
    world.loop.advance(2.0);
}

// Tools and hosts without a screen use the client: it brings no toolkit, web engine or QML.
TEST(FernwickCore, MapsNoGuiWidgetWebOrQmlLibrary) {
    QFile maps("/proc/self/maps");
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    ASSERT_TRUE(mapped.contains("libQt6Core")) << "the check reads the right map";
    for (const char* library :
         { "libQt6Gui", "libQt6Widgets", "libQt6WebEngine", "libQt6Quick", "libQt6Qml" })
        EXPECT_FALSE(mapped.contains(library)) << library;
}
