#pragma once

#include "reachability/ReachabilitySource.h"

#include <QList>
#include <array>
#include <optional>
#include <string>
#include <vector>

class QHostAddress;

namespace sweeplight::reachability::detail {

// What the kernel says about the interface a route leaves through.
struct KernelLink {
    unsigned int flags { 0 };  // IFF_* of the link
    unsigned short type { 0 }; // ARPHRD_* of the link
    std::string kind;          // rtnetlink link kind ("veth", "wwan", ...), often empty
    bool wwanDevice { false }; // the driver marks the device as a WWAN modem
};

// The route the kernel would use for a target.
struct KernelRoute {
    int outputInterface { 0 };
    bool hasGateway { false };
};

// A target of a route query, IPv4 or IPv6.
struct KernelAddress {
    int family { 0 };                       // AF_INET or AF_INET6
    std::array<unsigned char, 16> bytes {}; // network byte order; IPv4 in the first four

    static KernelAddress ipv4(const in_addr& address);
    static KernelAddress ipv6(const in6_addr& address);
    // Numeric text of either family; nothing for anything else (a host name).
    static std::optional<KernelAddress> fromText(const std::string& text);
    // The IPv4 "any" address, which stands for the default route.
    bool isIpv4Any() const;
    friend bool operator==(const KernelAddress&, const KernelAddress&) = default;
};

// The addresses of a looked-up host worth asking routes for: the first IPv4 one and the first
// IPv6 one, IPv4 first (an IPv4-mapped IPv6 address counts as IPv4). A host on an IPv6-only
// network has only the second.
std::vector<KernelAddress> addressesToWatch(const QList<QHostAddress>& found);

bool isPointToPointLink(const KernelLink& link);
bool isWwanLink(const KernelLink& link);
bool isLinkUp(const KernelLink& link);

// Reachable when the link is up and running; direct when the route has no gateway on a link
// that is not point-to-point; transient on point-to-point links; cellular on WWAN links.
ReachabilityFlags flagsForKernelRoute(const KernelRoute& route, const KernelLink& link);

} // namespace sweeplight::reachability::detail
