#pragma once

#include "reachability/ReachabilitySource.h"

#include <memory>

namespace sweeplight::reachability {

// The kernel as the reachability service, over rtnetlink.
//
// A target's flags come from the kernel's route to it: reachable when the route leaves through
// an interface that is up and running; direct when the route has no gateway and the link is not
// point-to-point (the far end of such a link is a router); transient on point-to-point links;
// cellular on WWAN links. The default route (0.0.0.0) is the best default route of the
// kernel's tables, IPv4 or else IPv6, so an IPv6-only network reaches the Internet too. Host
// names (or numeric addresses of either family) are resolved asynchronously on Qt's event loop
// and read as not reachable until resolved; a name with IPv4 and IPv6 addresses is as reachable
// as the better of its first two.
//
// Route, address and link events are read from a netlink socket; with a QCoreApplication they
// arrive through a socket notifier, otherwise whoever runs the loop calls readKernelEvents().
// A handle whose flags changed gets its callback on the run loop it is scheduled on.
//
// When netlink cannot be opened (a sandbox, say), handles are still made but their flags cannot
// be read and they never call back.
class LinuxReachabilitySource final : public ReachabilitySource {
public:
    LinuxReachabilitySource();
    ~LinuxReachabilitySource() override;

    std::unique_ptr<ReachabilityHandle> createWithName(const std::string& hostName) override;
    std::unique_ptr<ReachabilityHandle> createWithAddress(const sockaddr_in& address) override;

    // Whether route queries and change events work.
    bool isWatching() const;

    // Reads every pending kernel event and rechecks the scheduled handles.
    void readKernelEvents();

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace sweeplight::reachability
