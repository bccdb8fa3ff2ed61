#include "KernelRouteFlags.h"

#include <net/if.h>
#include <net/if_arp.h>

namespace sweeplight::network::detail {

bool isPointToPointLink(const KernelLink& link) {
    return (link.flags & IFF_POINTOPOINT) || link.type == ARPHRD_PPP;
}

bool isWwanLink(const KernelLink& link) {
    return link.wwanDevice || link.kind == "wwan" || link.type == ARPHRD_RAWIP;
}

bool isLinkUp(const KernelLink& link) {
    // IFF_UP is only what the administrator asked for; IFF_RUNNING adds that the link has a
    // carrier, so an unplugged cable or a dropped association reads as down.
    return (link.flags & IFF_UP) && (link.flags & IFF_RUNNING);
}

ReachabilityFlags flagsForKernelRoute(const KernelRoute& route, const KernelLink& link) {
    if (!isLinkUp(link))
        return 0;
    ReachabilityFlags flags = kReachabilityFlagsReachable;
    const bool pointToPoint = isPointToPointLink(link);
    if (pointToPoint)
        flags |= kReachabilityFlagsTransientConnection;
    // The far end of a point-to-point link is a router even when the route names no gateway.
    if (!route.hasGateway && !pointToPoint)
        flags |= kReachabilityFlagsIsDirect;
    if (isWwanLink(link))
        flags |= kReachabilityFlagsIsWWAN;
    return flags;
}

} // namespace sweeplight::network::detail
