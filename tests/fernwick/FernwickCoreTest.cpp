#include "FernwickTestSupport.h"
#include "foundation/NotificationCenter.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace fernwick_test;
using sweeplight::fernwick::Fernwick;
using sweeplight::foundation::PropertyList;
namespace reachability = sweeplight::reachability;

namespace {

std::int64_t storedLaunchCount(const ClientWorld& world) {
    auto data = world.storedData();
    return data && data->find("appopened") ? *data->find("appopened")->asInteger() : -1;
}

} // namespace

TEST(FernwickSetup, EachStartCountsALaunchSavedTwoSecondsLater) {
    ClientWorld world(ClientWorld::Started);
    EXPECT_EQ(world.client->appOpened(), 1);
    // The copy is the template as shipped; setup itself writes nothing.
    EXPECT_EQ(storedLaunchCount(world), 0);
    world.loop.advance(1.99);
    EXPECT_EQ(storedLaunchCount(world), 0);
    world.loop.advance(0.01);
    EXPECT_EQ(storedLaunchCount(world), 1);
    world.restart();
    EXPECT_EQ(world.client->appOpened(), 2);
    world.loop.advance(2.0);
    EXPECT_EQ(storedLaunchCount(world), 2);
    EXPECT_TRUE(world.fatalErrors.empty());
}

// Without a base URL, or without readable settings (a NUL in a text), the built-in https service
// is used; the shipped settings when none are named.
TEST(FernwickSetup, SettingsFallBackToTheBuiltInHttpsService) {
    auto check = [](const Fernwick::Environment& environment, bool hasKeys, const char* name) {
        auto client = Fernwick::createUnshared(environment);
        EXPECT_TRUE(client->baseUrl().startsWith("https://")) << name;
        EXPECT_EQ(!client->appId().isEmpty() && !client->secretKey().isEmpty(), hasKeys) << name;
        EXPECT_EQ(client->appOpened(), 1) << name;
    };
    ClientWorld noUrl, noneNamed, nul;
    noUrl.writeDefaultSettings(nullptr);
    check(noUrl.environment(), true, "no base URL");
    auto environment = noneNamed.environment();
    environment.settingsFile.clear();
    qunsetenv(sweeplight::fernwick::kSettingsFileVariable);
    check(environment, true, "none named");
    writeRaw(
        nul.settingsFile(),
        QByteArray("<plist><dict><key>fernwickkey</key><string>a\0</string></dict></plist>", 69));
    check(nul.environment(), false, "NUL");
}

// Host, default route and link-local are watched from the start: every reported change runs one
// full update. Transient links count as there; a direct default route is an ad-hoc network, with
// local Wi-Fi but no Internet.
TEST(FernwickNetwork, EveryReportedChangeUpdatesTheThreeFlags) {
    namespace r = reachability;
    const auto up = r::kReachabilityFlagsReachable, direct = up | r::kReachabilityFlagsIsDirect;
    const std::tuple<const char*, r::ReachabilityFlags, const char*> rows[] = {
        { "0.0.0.0", up, "internet" },
        { "probe.test", up | r::kReachabilityFlagsTransientConnection, "host internet" },
        { "0.0.0.0", direct, "host" },
        { "169.254.0.0", direct, "host wifi" },
    };
    ClientWorld world(ClientWorld::Started);
    const Fernwick& client = *world.client;
    int notifications = 0;
    auto& center = sweeplight::foundation::NotificationCenter::defaultCenter();
    center.addObserver(&notifications, r::kNetworkReachabilityChangedNotification,
                       [&] { ++notifications; });
    for (const auto& [target, flags, expected] : rows) {
        world.source->change(target, flags);
        world.loop.runPending();
        const std::string has = std::string(client.hasHost() ? "host " : "") +
                                (client.hasInternet() ? "internet " : "") +
                                (client.hasWifi() ? "wifi " : "");
        EXPECT_EQ(has, expected + std::string(" ")) << target << " " << flags;
    }
    EXPECT_EQ(notifications, 4);
    center.removeObserver(&notifications);
}

TEST(FernwickUrls, TableRowsAreJoinedWithoutEscaping) {
    ClientWorld world(ClientWorld::Started);
    Fernwick& client = *world.client;
    const QString base = kBaseUrl;
    // The score and location URLs are checked where they are signed.
    const std::pair<const char*, QString> rows[] = {
        { "help", base + "/content/sweeplight?sig_device_id=D3V1CE" },
        { "usage", base + "/stat/add?sig_device_id=D3V1CE&app=sweeplight" },
        { "sms", base + "/content/sweeplight/sendsms" },
        { "site", sweeplight::fernwick::kFernwickSiteUrl },
        { "getlocations", base + "/loc/data?app=sweeplight" },
        { "Help", base + "/content/sweeplight" }, // names are exact; others: the content page
    };
    for (const auto& [feature, url] : rows)
        EXPECT_EQ(client.getUrlForFeature(feature), url) << feature;

    // A base URL ending in a slash gives a double slash; a URL that does not parse goes nowhere.
    world.writeDefaultSettings("http://service.test/", "has space");
    world.restart();
    EXPECT_EQ(world.client->getUrlForFeature("usage"),
              "http://service.test//stat/add?sig_device_id=D3V1CE&app=has space");
    world.client->logAppUsage();
    EXPECT_EQ(world.transport->count(), 0u);
}

TEST(FernwickReports, UsageIsOneGetAndLocationIsSignedWithDeviceAndSecret) {
    ClientWorld world(ClientWorld::Started);
    Fernwick& client = *world.client;
    client.logAppUsage();
    ASSERT_EQ(world.transport->count(), 1u);
    EXPECT_EQ(world.transport->urlAt(0), client.getUrlForFeature("usage"));
    EXPECT_EQ(world.transport->at(0)->request.HTTPMethod(), "GET");
    world.transport->at(0)->respond(500, "ignored");
    world.loop.runPending();
    EXPECT_EQ(client.liveConnectionCount(), 0u);
    EXPECT_EQ(world.transport->count(), 1u) << "no retry";

    client.logLocationWithLat(1.5f, 0.1f);
    // 0.1 as a float is 0.100000001490116...; 1.5 is exact.
    EXPECT_EQ(world.transport->urlAt(1).toStdString(),
              std::string(kBaseUrl) +
                  "/loc/add?app=sweeplight&sig_device_id=D3V1CE&lat=1.500000000000" +
                  "&lng=0.100000001490&hash=" + upperMd5(std::string(kDeviceId) + kSecret));
}

// Remote messages open web links only; the feature page's taps also mail, telephone and text
// links that say to whom or what.
TEST(FernwickLinks, OnlyWebLinksOrWithTheFeaturePageContactLinksAreOpened) {
    ClientWorld world(ClientWorld::Started);
    Fernwick& client = *world.client;
    using Schemes = Fernwick::LinkSchemes;
    // Links opened by neither form, by the one with contact links only, and by both.
    const std::vector<const char*> byLevel[] = {
        { "http:/no-host", "file:///etc/passwd", "javascript:alert(1)", "tel:", "sms:" },
        { "mailto:a@b.test", "sms:?body=Try%20it", "tel:+1-555-0100" },
        { "HTTPS://example.org/x" },
    };
    for (int level = 0; level < 3; ++level) {
        for (const char* url : byLevel[level]) {
            for (Schemes schemes : { Schemes::WebOnly, Schemes::WebAndContact }) {
                const bool opens = level > (schemes == Schemes::WebOnly ? 1 : 0);
                world.opened.clear();
                EXPECT_EQ(client.openExternalUrl(QUrl(url), schemes), opens) << url;
                EXPECT_EQ(world.opened.size(), opens ? 1u : 0u) << url;
            }
        }
    }
    client.launchFernwickSite();
    EXPECT_EQ(world.opened.back(), QUrl(sweeplight::fernwick::kFernwickSiteUrl));
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
