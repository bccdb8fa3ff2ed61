#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <string>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::reachability {

// The flag word of a reachability target. Only these bits are ever set or read.
using ReachabilityFlags = std::uint32_t;
inline constexpr ReachabilityFlags kReachabilityFlagsTransientConnection = 1u << 0;
inline constexpr ReachabilityFlags kReachabilityFlagsReachable = 1u << 1;
inline constexpr ReachabilityFlags kReachabilityFlagsConnectionRequired = 1u << 2;
inline constexpr ReachabilityFlags kReachabilityFlagsIsDirect = 1u << 17;
inline constexpr ReachabilityFlags kReachabilityFlagsIsWWAN = 1u << 18;

// One watched target of the platform's reachability service: a host name or an IPv4 address.
class ReachabilityHandle {
public:
    using Callback = std::function<void(ReachabilityHandle& handle, ReachabilityFlags flags)>;

    virtual ~ReachabilityHandle() = default;

    // Reads the current flags without waiting on the network. False when they cannot be read
    // at all; a target that is known not to be reachable reads true with the reachable bit clear.
    virtual bool getFlags(ReachabilityFlags& flags) = 0;

    // Called on a run loop the handle is scheduled on, once per change of the flags.
    virtual void setCallback(Callback callback) = 0;

    // Starts (stops) delivering change callbacks on `runLoop`. Scheduling returns false when
    // the source cannot watch for changes.
    virtual bool scheduleWithRunLoop(foundation::RunLoop& runLoop) = 0;
    virtual void unscheduleFromRunLoop(foundation::RunLoop& runLoop) = 0;
};

// The platform's reachability service: makes handles for targets. A source outlives every
// handle it made.
class ReachabilitySource {
public:
    virtual ~ReachabilitySource() = default;

    // Null when the service refuses the target.
    virtual std::unique_ptr<ReachabilityHandle> createWithName(const std::string& hostName) = 0;
    virtual std::unique_ptr<ReachabilityHandle> createWithAddress(const sockaddr_in& address) = 0;
};

} // namespace sweeplight::reachability
