#include "reachability/Reachability.h"

#include "FakeReachabilitySource.h"
#include "foundation/ManualRunLoop.h"
#include "foundation/NotificationCenter.h"
#include "reachability/ReachabilityQuery.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace sweeplight::reachability {
namespace {

using fixtures::FakeReachabilitySource;

constexpr ReachabilityFlags kTransient = kReachabilityFlagsTransientConnection;
constexpr ReachabilityFlags kReachable = kReachabilityFlagsReachable;
constexpr ReachabilityFlags kRequired = kReachabilityFlagsConnectionRequired;
constexpr ReachabilityFlags kDirect = kReachabilityFlagsIsDirect;
constexpr ReachabilityFlags kCellular = kReachabilityFlagsIsWWAN;

class ReachabilityTest : public ::testing::Test {
protected:
    ReachabilityTest() {
        auto owned = std::make_unique<FakeReachabilitySource>();
        source = owned.get();
        monitor = std::make_unique<Reachability>(std::move(owned), runLoop);
        observer = foundation::NotificationCenter::defaultCenter().addObserver(
            this, kNetworkReachabilityChangedNotification, [this] { ++notifications; });
    }
    ~ReachabilityTest() override {
        foundation::NotificationCenter::defaultCenter().removeObserver(observer);
    }

    FakeReachabilitySource::Handle* onlyHandleFor(const std::string& target) {
        auto handles = source->handlesFor(target);
        return handles.size() == 1 ? handles.front() : nullptr;
    }

    foundation::ManualRunLoop runLoop;
    FakeReachabilitySource* source { nullptr };
    std::unique_ptr<Reachability> monitor;
    foundation::NotificationCenter::ObserverId observer { 0 };
    int notifications { 0 };
};

TEST(ReachabilityUsability, NeedsReachableAndNoConnectionFirstUnlessCellular) {
    const auto usable = &Reachability::isReachableWithoutRequiringConnection;
    EXPECT_TRUE(usable(kReachable));
    EXPECT_FALSE(usable(kReachable | kRequired));
    EXPECT_TRUE(usable(kReachable | kRequired | kCellular));
    EXPECT_FALSE(usable(kCellular | kTransient));
}

// The remote host is the host name if set, else the address.
TEST_F(ReachabilityTest, RemoteHostStatusDistinguishesTransientFromReachable) {
    monitor->setAddress("10.20.30.40");
    source->setFlags("10.20.30.40", kReachable);
    EXPECT_EQ(monitor->remoteHostStatus(), StatusReachable);
    EXPECT_EQ(source->nameHandlesCreated, 0);

    monitor->setHostName("service.example");
    const auto statusWith = [&](ReachabilityFlags flags) {
        source->setFlags("service.example", flags);
        return monitor->remoteHostStatus();
    };
    EXPECT_EQ(statusWith(kReachable | kRequired), StatusUnreachable);
    EXPECT_EQ(statusWith(kReachable | kTransient), StatusTransient);
    EXPECT_EQ(statusWith(kReachable), StatusReachable);
    source->target("service.example").readable = false;
    EXPECT_EQ(monitor->remoteHostStatus(), StatusUnreachable);
    EXPECT_EQ(source->nameHandlesCreated, 1);
}

TEST_F(ReachabilityTest, DirectDefaultRouteIsNoInternetButADirectLinkLocalRouteIsWifi) {
    const struct {
        ReachabilityFlags route, linkLocal;
        ReachabilityStatus internet, wifi;
    } rows[] = {
        { kReachable | kDirect, kReachable | kDirect, StatusUnreachable, StatusReachable },
        { kReachable | kTransient, kReachable, StatusTransient, StatusUnreachable },
        { kReachable, kReachable | kDirect | kRequired, StatusReachable, StatusUnreachable },
    };
    for (const auto& row : rows) {
        source->setFlags(kDefaultRouteKey, row.route);
        source->setFlags(kLinkLocalAddressKey, row.linkLocal);
        EXPECT_EQ(monitor->internetConnectionStatus(), row.internet) << row.route;
        EXPECT_EQ(monitor->localWiFiConnectionStatus(), row.wifi) << row.linkLocal;
    }
}

TEST_F(ReachabilityTest, FixedTargetReadsFillTheFlagWordOnlyWhenFlagsCouldBeRead) {
    ReachabilityFlags word = 0xDEAD;
    source->target(kDefaultRouteKey).readable = false;
    EXPECT_FALSE(monitor->isNetworkAvailableFlags(&word));
    EXPECT_EQ(word, 0xDEADu);
    EXPECT_EQ(monitor->internetConnectionStatus(), StatusUnreachable);

    source->setFlags(kLinkLocalAddressKey, kReachable | kRequired);
    EXPECT_FALSE(monitor->isAdHocWiFiNetworkAvailableFlags(&word));
    EXPECT_EQ(word, kReachable | kRequired);
    EXPECT_FALSE(monitor->isAdHocWiFiNetworkAvailableFlags(nullptr));
}

// Each reported change posts exactly one notification, until listening stops; the queries are
// then kept, only unregistered. A fixed target read while notifications were off stays
// unregistered until the next read once they are on.
TEST_F(ReachabilityTest, RepeatedRequestsShareOneQueryRegisteredOnceThatNotifiesOncePerChange) {
    monitor->internetConnectionStatus();
    EXPECT_TRUE(monitor->reachabilityQueries().at(kDefaultRouteKey)->runLoops().empty());
    monitor->setNetworkStatusNotificationsEnabled(true);
    monitor->setHostName("service.example");
    for (int i = 0; i < 3; ++i) {
        monitor->remoteHostStatus();
        monitor->internetConnectionStatus();
        monitor->localWiFiConnectionStatus();
    }
    EXPECT_EQ(source->nameHandlesCreated, 1);
    EXPECT_EQ(source->addressHandlesCreated, 2);
    ASSERT_EQ(monitor->reachabilityQueries().size(), 3u);
    int expected = 0;
    for (const char* target : { "service.example", kDefaultRouteKey, kLinkLocalAddressKey }) {
        ASSERT_NE(onlyHandleFor(target), nullptr) << target;
        EXPECT_EQ(onlyHandleFor(target)->scheduleCalls, 1) << target;
        EXPECT_EQ(monitor->reachabilityQueries().at(target)->runLoops(),
                  std::vector<foundation::RunLoop*> { &runLoop });
        onlyHandleFor(target)->reportChange();
        EXPECT_EQ(notifications, ++expected) << target;
    }

    monitor->stopListeningForReachabilityChanges();
    for (const auto& [key, query] : monitor->reachabilityQueries()) {
        EXPECT_TRUE(query->runLoops().empty()) << key;
        EXPECT_EQ(onlyHandleFor(key)->unscheduleCalls, 1) << key;
        onlyHandleFor(key)->reportChange();
    }
    EXPECT_EQ(notifications, expected);
    EXPECT_EQ(monitor->reachabilityQueries().size(), 3u);
}

TEST_F(ReachabilityTest, OneOffHostCheckAndEmptyTargetsKeepNothing) {
    EXPECT_FALSE(monitor->isHostReachable(""));
    EXPECT_EQ(monitor->reachabilityRefForHostName(""), nullptr);
    EXPECT_EQ(monitor->reachabilityRefForAddress(""), nullptr);
    source->setFlags("service.example", kReachable);
    EXPECT_TRUE(monitor->isHostReachable("service.example"));
    source->target("service.example").readable = false;
    EXPECT_FALSE(monitor->isHostReachable("service.example"));
    EXPECT_EQ(source->nameHandlesCreated, 2);
    EXPECT_EQ(source->liveHandles(), 0u);
    EXPECT_TRUE(monitor->reachabilityQueries().empty());
}

// Addresses are read as inet_aton reads them, but never only up to an embedded zero.
TEST(ReachabilityAddress, FollowsInetAtonRules) {
    sockaddr_in address {};
    address.sin_port = 1234;
    ASSERT_TRUE(Reachability::addressFromString("10.1", &address));
    EXPECT_EQ(address.sin_family, AF_INET);
    EXPECT_EQ(address.sin_port, 0);
    EXPECT_EQ(address.sin_addr.s_addr, htonl(0x0A000001));
    for (const std::string& text :
         { std::string(), std::string("256.1.1.1"), std::string("10.0.0.1\0junk", 13) })
        EXPECT_FALSE(Reachability::addressFromString(text, &address)) << text;
    EXPECT_FALSE(Reachability::addressFromString("10.0.0.1", nullptr));
}

using ReachabilityDeathTest = ReachabilityTest;

// Programming errors stop the program: no target, an address that is none, a source that
// cannot make handles.
TEST_F(ReachabilityDeathTest, ProgrammingErrorsStop) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(monitor->remoteHostStatus(), "No hostName or address");
    EXPECT_DEATH(monitor->reachabilityRefForAddress("not.an.address"), "not\\.an\\.address");
    source->refuseCreation = true;
    EXPECT_DEATH(monitor->reachabilityRefForHostName("service.example"), "service\\.example");
    EXPECT_DEATH(monitor->reachabilityRefForAddress("10.0.0.1"), "10\\.0\\.0\\.1");
}

} // namespace
} // namespace sweeplight::reachability
