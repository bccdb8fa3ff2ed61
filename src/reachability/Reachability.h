#pragma once

#include "reachability/ReachabilitySource.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::reachability {

class ReachabilityQuery;

inline constexpr const char* kNetworkReachabilityChangedNotification =
    "kNetworkReachabilityChangedNotification";
inline constexpr const char* kDefaultRouteKey = "0.0.0.0";
inline constexpr const char* kLinkLocalAddressKey = "169.254.0.0";

enum ReachabilityStatus : int {
    StatusUnreachable = 0,
    StatusTransient = 1,
    StatusReachable = 2,
};

// Whether the service can be reached: the status of a named host (or address), of the default
// route and of the link-local network, read from a ReachabilitySource. Queries are made on the
// first request for their target and kept for the monitor's life.
//
// The app uses the one shared monitor, which lives until the process ends; tests and tools may
// make their own over a source of their choice.
class Reachability final {
public:
    using SourceFactory = std::function<std::unique_ptr<ReachabilitySource>()>;

    // `runLoop` is the main run loop: queries register their change callbacks on it.
    Reachability(std::unique_ptr<ReachabilitySource> source, foundation::RunLoop& runLoop);
    ~Reachability();

    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    // What the shared monitor is made with on its first use. Without a call the kernel's
    // source (LinuxReachabilitySource) and a Qt run loop of its own serve. False, and nothing
    // changes, once the shared monitor exists.
    static bool configureShared(SourceFactory factory, foundation::RunLoop& runLoop);
    // The process-wide monitor, made on the first call (main thread; not locked).
    static Reachability& sharedReachability();

    bool networkStatusNotificationsEnabled() const { return networkStatusNotificationsEnabled_; }
    void setNetworkStatusNotificationsEnabled(bool enabled) {
        networkStatusNotificationsEnabled_ = enabled;
    }
    const std::string& hostName() const { return hostName_; }
    void setHostName(std::string hostName) { hostName_ = std::move(hostName); }
    const std::string& address() const { return address_; }
    void setAddress(std::string address) { address_ = std::move(address); }
    const std::map<std::string, std::unique_ptr<ReachabilityQuery>>& reachabilityQueries() const {
        return reachabilityQueries_;
    }

    // Usable: reachable, and either no connection is required first or the route is cellular.
    static bool isReachableWithoutRequiringConnection(ReachabilityFlags flags);

    // One-off check that caches and registers nothing. A name still to be resolved reads as
    // not reachable: resolving never blocks.
    bool isHostReachable(const std::string& host);

    // The handle for a target, made and registered on first use; null for empty text. An
    // address that is not dotted-quad IPv4 text is a fatal programming error.
    ReachabilityHandle* reachabilityRefForHostName(const std::string& hostName);
    ReachabilityHandle* reachabilityRefForAddress(const std::string& addressString);

    // Dotted-quad text (inet_aton rules) to an IPv4 socket address, port 0.
    static bool addressFromString(const std::string& addressString, sockaddr_in* address);

    // Flags of the default route and of the link-local network. False when they cannot be read
    // (the out word is then left alone) or are not usable.
    bool isNetworkAvailableFlags(ReachabilityFlags* outFlags);
    bool isAdHocWiFiNetworkAvailableFlags(ReachabilityFlags* outFlags);

    ReachabilityStatus remoteHostStatus();
    ReachabilityStatus internetConnectionStatus();
    ReachabilityStatus localWiFiConnectionStatus();

    void stopListeningForReachabilityChanges();

    foundation::RunLoop& runLoop() const { return runLoop_; }

private:
    ReachabilityQuery& queryForFixedAddress(const char* key);
    bool readFixedTarget(const char* key, ReachabilityFlags* outFlags);

    // Declared first so that it outlives the queries' handles.
    std::unique_ptr<ReachabilitySource> source_;
    foundation::RunLoop& runLoop_;

    bool networkStatusNotificationsEnabled_ { false };
    std::string hostName_;
    std::string address_;
    std::map<std::string, std::unique_ptr<ReachabilityQuery>> reachabilityQueries_;
};

} // namespace sweeplight::reachability
