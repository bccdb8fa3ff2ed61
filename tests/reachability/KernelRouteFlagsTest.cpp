#include "reachability/KernelRouteFlags.h"

#include <QHostAddress>
#include <gtest/gtest.h>
#include <net/if.h>
#include <net/if_arp.h>

namespace sweeplight::reachability::detail {
namespace {

constexpr unsigned int kUpAndRunning = IFF_UP | IFF_RUNNING;

KernelLink ethernet(unsigned int flags = kUpAndRunning) {
    KernelLink link;
    link.flags = flags;
    link.type = ARPHRD_ETHER;
    return link;
}

TEST(KernelRouteFlags, ALinkMustBeUpAndHaveACarrier) {
    const KernelRoute viaGateway { 2, true };
    EXPECT_EQ(flagsForKernelRoute(viaGateway, ethernet(0)), 0u);
    EXPECT_EQ(flagsForKernelRoute(viaGateway, ethernet(IFF_UP)), 0u) << "no carrier";
    EXPECT_EQ(flagsForKernelRoute(viaGateway, ethernet(IFF_RUNNING)), 0u) << "down";
    EXPECT_EQ(flagsForKernelRoute(viaGateway, ethernet()), kReachabilityFlagsReachable);
}

TEST(KernelRouteFlags, OnlyARouteWithoutGatewayOnABroadcastLinkIsDirect) {
    EXPECT_EQ(flagsForKernelRoute({ 2, false }, ethernet()),
              kReachabilityFlagsReachable | kReachabilityFlagsIsDirect);

    KernelLink pointToPoint;
    pointToPoint.flags = kUpAndRunning | IFF_POINTOPOINT;
    pointToPoint.type = ARPHRD_NONE;
    EXPECT_EQ(flagsForKernelRoute({ 3, false }, pointToPoint),
              kReachabilityFlagsReachable | kReachabilityFlagsTransientConnection);

    KernelLink ppp;
    ppp.flags = kUpAndRunning;
    ppp.type = ARPHRD_PPP;
    EXPECT_EQ(flagsForKernelRoute({ 3, true }, ppp),
              kReachabilityFlagsReachable | kReachabilityFlagsTransientConnection);
}

TEST(KernelRouteFlags, ModemLinksAreCellularHoweverTheyAreMarked) {
    KernelLink byKind = ethernet();
    byKind.kind = "wwan";
    KernelLink byDriver = ethernet();
    byDriver.wwanDevice = true;
    KernelLink rawIp;
    rawIp.flags = kUpAndRunning | IFF_POINTOPOINT;
    rawIp.type = ARPHRD_RAWIP;
    for (const KernelLink& link : { byKind, byDriver, rawIp })
        EXPECT_TRUE(flagsForKernelRoute({ 4, true }, link) & kReachabilityFlagsIsWWAN);
    EXPECT_FALSE(flagsForKernelRoute({ 4, true }, ethernet()) & kReachabilityFlagsIsWWAN);

    KernelLink downModem = rawIp;
    downModem.flags = IFF_POINTOPOINT;
    EXPECT_EQ(flagsForKernelRoute({ 4, true }, downModem), 0u);
}

// A name that resolves only to IPv6 addresses must still be watched.
TEST(KernelRouteFlags, HostLookupsWatchTheFirstAddressOfEachFamily) {
    const auto address = [](const char* text) { return *KernelAddress::fromText(text); };
    const struct {
        QList<QHostAddress> found;
        std::vector<KernelAddress> watched;
    } cases[] = {
        { { QHostAddress("2001:db8::7"), QHostAddress("2001:db8::8") },
          { address("2001:db8::7") } },
        { { QHostAddress("2001:db8::7"), QHostAddress("::ffff:192.0.2.1"),
            QHostAddress("192.0.2.2") },
          { address("192.0.2.1"), address("2001:db8::7") } },
        { { QHostAddress("192.0.2.2") }, { address("192.0.2.2") } },
        { {}, {} },
    };
    for (const auto& [found, watched] : cases)
        EXPECT_EQ(addressesToWatch(found), watched) << found.size();
    EXPECT_FALSE(KernelAddress::fromText("example.com"));
    EXPECT_EQ(address("::1").family, AF_INET6);
}

} // namespace
} // namespace sweeplight::reachability::detail
