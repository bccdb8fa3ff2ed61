#pragma once

#include "network/ReachabilitySource.h"

#include <string>

namespace sweeplight::network::detail {

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

bool isPointToPointLink(const KernelLink& link);
bool isWwanLink(const KernelLink& link);
bool isLinkUp(const KernelLink& link);

// Reachable when the link is up and running; direct when the route has no gateway on a link
// that is not point-to-point; transient on point-to-point links; cellular on WWAN links.
ReachabilityFlags flagsForKernelRoute(const KernelRoute& route, const KernelLink& link);

} // namespace sweeplight::network::detail
