// The kernel source against the real kernel, inside a network namespace of the test's own:
// routes and links are changed with iproute2 and the monitor must see every change through its
// netlink socket. Needs root and network namespaces; skips cleanly without them.

#include "reachability/LinuxReachabilitySource.h"

#include "CoreApplication.h"
#include "WaitUntil.h"
#include "foundation/NotificationCenter.h"
#include "foundation/QtRunLoop.h"
#include "reachability/Reachability.h"

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <unistd.h>

namespace sweeplight::reachability {
namespace {

using fixtures::waitUntil;
constexpr const char* kHost = "198.51.100.7"; // beyond the namespace's own subnet
constexpr int R = StatusReachable, U = StatusUnreachable;

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class LinuxReachabilityNamespaceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fixtures::ensureCoreApplication(); }

    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to make a network namespace";
        namespaceName = "sweeplight-reach-" + std::to_string(::getpid());
        run("ip netns del " + namespaceName); // left over from a crashed run
        if (!run("ip netns add " + namespaceName))
            GTEST_SKIP() << "network namespaces are not available";
        created = true;
        if (!ip("link set lo up") || !ip("link add p0 type veth peer name p1") ||
            !ip("link set p0 up") || !ip("link set p1 up") || !ip("addr add 10.9.0.1/24 dev p0"))
            GTEST_SKIP() << "cannot make a veth pair in the namespace";

        // Sockets belong to the namespace they were made in: make the source's there.
        std::unique_ptr<LinuxReachabilitySource> made;
        if (!insideNamespace([&] { made = std::make_unique<LinuxReachabilitySource>(); }))
            GTEST_SKIP() << "cannot enter the namespace";
        ASSERT_TRUE(made->isWatching());
        source = made.get();
        monitor = std::make_unique<Reachability>(std::move(made), runLoop);
        observer = foundation::NotificationCenter::defaultCenter().addObserver(
            this, kNetworkReachabilityChangedNotification, [this] { ++notifications; });
    }

    void TearDown() override {
        foundation::NotificationCenter::defaultCenter().removeObserver(this);
        monitor.reset();
        if (created)
            run("ip netns del " + namespaceName);
    }

    // Runs `work` with this thread inside the test namespace, then returns it to where it was.
    bool insideNamespace(const std::function<void()>& work) {
        const int home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target = ::open(("/run/netns/" + namespaceName).c_str(), O_RDONLY | O_CLOEXEC);
        const bool entered = home >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
        if (entered) {
            work();
            if (::setns(home, CLONE_NEWNET) != 0)
                std::abort(); // the rest of the program would run in the wrong namespace
        }
        if (home >= 0)
            ::close(home);
        if (target >= 0)
            ::close(target);
        return entered;
    }

    bool ip(const std::string& arguments) {
        return run("ip -n " + namespaceName + " " + arguments);
    }

    void expectStatuses(int host, int internet, int wifi) {
        EXPECT_EQ(monitor->remoteHostStatus(), host);
        EXPECT_EQ(monitor->internetConnectionStatus(), internet);
        EXPECT_EQ(monitor->localWiFiConnectionStatus(), wifi);
    }

    // Changes the namespace's network with `ip ARGUMENTS`, waits for the notification the change
    // brings, then for the statuses to settle on the expected ones.
    void change(const std::string& arguments, int host, int internet, int wifi) {
        const int before = notifications;
        ASSERT_TRUE(ip(arguments)) << arguments;
        EXPECT_TRUE(waitUntil([&] { return notifications > before; })) << "no notification";
        waitUntil([&] {
            return monitor->remoteHostStatus() == host &&
                   monitor->internetConnectionStatus() == internet &&
                   monitor->localWiFiConnectionStatus() == wifi;
        });
        expectStatuses(host, internet, wifi);
    }

    std::string namespaceName;
    bool created { false };
    foundation::QtRunLoop runLoop;
    LinuxReachabilitySource* source { nullptr };
    std::unique_ptr<Reachability> monitor;
    foundation::NotificationCenter::ObserverId observer { 0 };
    int notifications { 0 };
};

// Routes drive the statuses (a default route through a gateway is no ad-hoc network), a link that
// loses its carrier takes its routes with it, an IPv6 default route alone reaches the internet
// and IPv6 hosts, and a change still pending dies with the monitor.
TEST_F(LinuxReachabilityNamespaceTest, RoutesDriveTheStatusesAndNotify) {
    monitor->setHostName(kHost);
    monitor->setNetworkStatusNotificationsEnabled(true); // the reads below register the targets
    expectStatuses(U, U, U);
    change("route add default via 10.9.0.254 dev p0", R, R, U);
    change("link set p1 down", U, U, U); // the peer: p0 loses its carrier but stays up
    change("link set p1 up", R, R, U);
    change("route add 169.254.0.0/16 dev p0", R, R, R);
    change("route del 169.254.0.0/16 dev p0", R, R, U);
    change("route del default", U, U, U);

    if (ip("-6 addr add 2001:db8:9::1/64 dev p0 nodad")) {
        monitor->setHostName("2001:db8:100::7"); // beyond the namespace's own prefix
        expectStatuses(U, U, U);
        change("-6 route add default via 2001:db8:9::fe dev p0", R, R, U);
        change("-6 route del default", U, U, U);
    }

    ASSERT_TRUE(ip("route add default via 10.9.0.254 dev p0"));
    // Read the kernel's events now: the callbacks are then due on the run loop, not yet run.
    source->readKernelEvents();
    const int before = notifications;
    monitor.reset();
    fixtures::settle(0.3);
    EXPECT_EQ(notifications, before);
}

TEST_F(LinuxReachabilityNamespaceTest, HostNamesResolveWithoutBlockingAndThenCallBack) {
    std::unique_ptr<ReachabilityHandle> handle = source->createWithName("localhost");
    ASSERT_NE(handle, nullptr);
    ReachabilityFlags flags = 0xFFFF;
    ASSERT_TRUE(handle->getFlags(flags));
    EXPECT_EQ(flags, 0u) << "reachable before the name was resolved";

    int calls = 0;
    ReachabilityFlags reported = 0;
    handle->setCallback([&](ReachabilityHandle&, ReachabilityFlags newFlags) {
        ++calls;
        reported = newFlags;
    });
    ASSERT_TRUE(handle->scheduleWithRunLoop(runLoop));
    ASSERT_TRUE(waitUntil([&] { return calls > 0; })) << "no callback once resolved";
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reported, kReachabilityFlagsReachable | kReachabilityFlagsIsDirect);
    ASSERT_TRUE(handle->getFlags(flags));
    EXPECT_EQ(flags, reported);

    // Unscheduled, it stays quiet whatever the kernel does.
    handle->unscheduleFromRunLoop(runLoop);
    ASSERT_TRUE(ip("link set lo down"));
    fixtures::settle(0.5); // lets the kernel's events arrive and be read
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace sweeplight::reachability
