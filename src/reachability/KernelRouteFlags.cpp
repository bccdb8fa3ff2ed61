#include "KernelRouteFlags.h"

#include <QHostAddress>
#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>
#include <net/if_arp.h>

namespace sweeplight::reachability::detail {

KernelAddress KernelAddress::ipv4(const in_addr& address) {
    KernelAddress result;
    result.family = AF_INET;
    std::memcpy(result.bytes.data(), &address, sizeof(address));
    return result;
}

KernelAddress KernelAddress::ipv6(const in6_addr& address) {
    KernelAddress result;
    result.family = AF_INET6;
    std::memcpy(result.bytes.data(), &address, sizeof(address));
    return result;
}

std::optional<KernelAddress> KernelAddress::fromText(const std::string& text) {
    in_addr ipv4Address {};
    if (::inet_pton(AF_INET, text.c_str(), &ipv4Address) == 1)
        return ipv4(ipv4Address);
    in6_addr ipv6Address {};
    if (::inet_pton(AF_INET6, text.c_str(), &ipv6Address) == 1)
        return ipv6(ipv6Address);
    return std::nullopt;
}

bool KernelAddress::isIpv4Any() const {
    return family == AF_INET && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0;
}

std::vector<KernelAddress> addressesToWatch(const QList<QHostAddress>& found) {
    std::optional<KernelAddress> ipv4Address;
    std::optional<KernelAddress> ipv6Address;
    for (const QHostAddress& address : found) {
        bool isIpv4 = false;
        const quint32 ipv4Value = address.toIPv4Address(&isIpv4);
        if (isIpv4 && !ipv4Address) {
            in_addr raw {};
            raw.s_addr = htonl(ipv4Value);
            ipv4Address = KernelAddress::ipv4(raw);
        } else if (!isIpv4 && address.protocol() == QAbstractSocket::IPv6Protocol && !ipv6Address) {
            const Q_IPV6ADDR value = address.toIPv6Address();
            in6_addr raw {};
            std::memcpy(&raw, value.c, sizeof(raw));
            ipv6Address = KernelAddress::ipv6(raw);
        }
    }
    std::vector<KernelAddress> result;
    for (const auto& address : { ipv4Address, ipv6Address })
        if (address)
            result.push_back(*address);
    return result;
}

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

} // namespace sweeplight::reachability::detail
