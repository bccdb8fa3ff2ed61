#include "reachability/KernelRouteFlags.h"

#include <QHostAddress>
#include <gtest/gtest.h>
#include <net/if.h>
#include <net/if_arp.h>

namespace sweeplight::reachability::detail {
namespace {

constexpr unsigned int kUp = IFF_UP | IFF_RUNNING;
constexpr unsigned int kPointToPoint = kUp | IFF_POINTOPOINT;
constexpr ReachabilityFlags kReachable = kReachabilityFlagsReachable;
constexpr ReachabilityFlags kTransient = kReachabilityFlagsTransientConnection;
constexpr ReachabilityFlags kWWAN = kReachabilityFlagsIsWWAN;

KernelLink link(unsigned int flags, unsigned short type, std::string kind = {}, bool wwan = false) {
    return { flags, type, std::move(kind), wwan };
}

// A link must be up and have a carrier; only a route without gateway on a broadcast link is
// direct; modem links are cellular however they are marked.
TEST(KernelRouteFlags, FollowTheLinksStateAndKind) {
    const struct {
        KernelRoute route;
        KernelLink link;
        ReachabilityFlags flags;
    } rows[] = {
        { { 2, true }, link(IFF_UP, ARPHRD_ETHER), 0 },      // no carrier
        { { 2, true }, link(IFF_RUNNING, ARPHRD_ETHER), 0 }, // down
        { { 2, true }, link(kUp, ARPHRD_ETHER), kReachable },
        { { 2, false }, link(kUp, ARPHRD_ETHER), kReachable | kReachabilityFlagsIsDirect },
        { { 3, false }, link(kPointToPoint, ARPHRD_NONE), kReachable | kTransient },
        { { 3, true }, link(kUp, ARPHRD_PPP), kReachable | kTransient },
        { { 4, true }, link(kUp, ARPHRD_ETHER, "wwan"), kReachable | kWWAN },
        { { 4, true }, link(kUp, ARPHRD_ETHER, "", true), kReachable | kWWAN },
        { { 4, true }, link(kPointToPoint, ARPHRD_RAWIP), kReachable | kTransient | kWWAN },
    };
    for (const auto& row : rows)
        EXPECT_EQ(flagsForKernelRoute(row.route, row.link), row.flags)
            << row.link.flags << row.link.type;
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
        { {}, {} },
    };
    for (const auto& [found, watched] : cases)
        EXPECT_EQ(addressesToWatch(found), watched) << found.size();
    EXPECT_FALSE(KernelAddress::fromText("example.com"));
}

} // namespace
} // namespace sweeplight::reachability::detail
