#include "Reachability.h"

#include "LinuxReachabilitySource.h"
#include "ReachabilityQuery.h"
#include "foundation/Log.h"
#include "foundation/QtRunLoop.h"

#include <QLoggingCategory>
#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>

Q_LOGGING_CATEGORY(lcNetwork, "sweeplight.reachability", QtWarningMsg)

namespace sweeplight::reachability {

namespace {

constexpr const char* kConvertAddressFailedMessage =
    "Failed to convert an IP address string to a sockaddr_in: ";
constexpr const char* kCreateForHostFailedMessage =
    "Failed to create SCNetworkReachabilityRef for host: ";
constexpr const char* kCreateForAddressFailedMessage =
    "Failed to create SCNetworkReachabilityRef for address: ";
constexpr const char* kNoTargetMessage =
    "No hostName or address specified. Cannot determine reachability.";

// Programming and packaging faults stop the process with their fixed message.
[[noreturn]] void fatalProgrammingError(const std::string& message) {
    foundation::logWarning(lcNetwork(), message);
    std::abort();
}

struct SharedConfiguration {
    Reachability::SourceFactory factory;
    foundation::RunLoop* runLoop { nullptr };
    Reachability* monitor { nullptr };
};

SharedConfiguration& sharedConfiguration() {
    static SharedConfiguration configuration;
    return configuration;
}

ReachabilityStatus statusFromUsableFlags(ReachabilityFlags flags) {
    return (flags & kReachabilityFlagsTransientConnection) ? StatusTransient : StatusReachable;
}

} // namespace

Reachability::Reachability(std::unique_ptr<ReachabilitySource> source, foundation::RunLoop& runLoop)
    : source_(std::move(source))
    , runLoop_(runLoop) {}

Reachability::~Reachability() = default;

bool Reachability::configureShared(SourceFactory factory, foundation::RunLoop& runLoop) {
    auto& configuration = sharedConfiguration();
    if (configuration.monitor)
        return false;
    configuration.factory = std::move(factory);
    configuration.runLoop = &runLoop;
    return true;
}

Reachability& Reachability::sharedReachability() {
    auto& configuration = sharedConfiguration();
    if (configuration.monitor)
        return *configuration.monitor;
    if (!configuration.factory)
        configuration.factory = [] { return std::make_unique<LinuxReachabilitySource>(); };
    if (!configuration.runLoop)
        configuration.runLoop = new foundation::QtRunLoop; // lives as long as the monitor
    // Never destroyed: handles may call back until the very end of the process.
    configuration.monitor = new Reachability(configuration.factory(), *configuration.runLoop);
    return *configuration.monitor;
}

bool Reachability::isReachableWithoutRequiringConnection(ReachabilityFlags flags) {
    const bool reachable = flags & kReachabilityFlagsReachable;
    const bool noConnectionRequired = !(flags & kReachabilityFlagsConnectionRequired);
    const bool cellular = flags & kReachabilityFlagsIsWWAN;
    return reachable && (noConnectionRequired || cellular);
}

bool Reachability::isHostReachable(const std::string& host) {
    if (host.empty())
        return false;
    std::unique_ptr<ReachabilityHandle> handle = source_->createWithName(host);
    if (!handle)
        return false;
    ReachabilityFlags flags = 0;
    return handle->getFlags(flags) && isReachableWithoutRequiringConnection(flags);
}

ReachabilityHandle* Reachability::reachabilityRefForHostName(const std::string& hostName) {
    if (hostName.empty())
        return nullptr;
    auto found = reachabilityQueries_.find(hostName);
    if (found != reachabilityQueries_.end() && found->second->reachabilityRef())
        return found->second->reachabilityRef();

    std::unique_ptr<ReachabilityHandle> handle = source_->createWithName(hostName);
    if (!handle)
        fatalProgrammingError(kCreateForHostFailedMessage + hostName);
    auto query = std::make_unique<ReachabilityQuery>(*this, hostName, std::move(handle));
    query->scheduleOnRunLoop(&runLoop_);
    ReachabilityHandle* result = query->reachabilityRef();
    reachabilityQueries_[hostName] = std::move(query);
    return result;
}

ReachabilityHandle* Reachability::reachabilityRefForAddress(const std::string& addressString) {
    if (addressString.empty())
        return nullptr;
    sockaddr_in address {};
    if (!addressFromString(addressString, &address))
        fatalProgrammingError(kConvertAddressFailedMessage + addressString);
    auto found = reachabilityQueries_.find(addressString);
    if (found != reachabilityQueries_.end() && found->second->reachabilityRef())
        return found->second->reachabilityRef();

    std::unique_ptr<ReachabilityHandle> handle = source_->createWithAddress(address);
    if (!handle)
        fatalProgrammingError(kCreateForAddressFailedMessage + addressString);
    auto query = std::make_unique<ReachabilityQuery>(*this, addressString, std::move(handle));
    query->scheduleOnRunLoop(&runLoop_);
    ReachabilityHandle* result = query->reachabilityRef();
    reachabilityQueries_[addressString] = std::move(query);
    return result;
}

bool Reachability::addressFromString(const std::string& addressString, sockaddr_in* address) {
    if (addressString.empty() || !address)
        return false;
    in_addr converted {};
    // inet_aton would stop at an embedded zero and accept what precedes it.
    if (addressString.find('\0') != std::string::npos ||
        inet_aton(addressString.c_str(), &converted) == 0)
        return false;
    std::memset(address, 0, sizeof(*address));
    address->sin_family = AF_INET;
    address->sin_port = 0;
    address->sin_addr = converted;
    return true;
}

ReachabilityQuery& Reachability::queryForFixedAddress(const char* key) {
    auto found = reachabilityQueries_.find(key);
    if (found != reachabilityQueries_.end())
        return *found->second;
    sockaddr_in address {};
    addressFromString(key, &address);
    std::unique_ptr<ReachabilityHandle> handle = source_->createWithAddress(address);
    if (!handle)
        fatalProgrammingError(kCreateForAddressFailedMessage + std::string(key));
    auto query = std::make_unique<ReachabilityQuery>(*this, key, std::move(handle));
    ReachabilityQuery& result = *query;
    reachabilityQueries_[key] = std::move(query);
    return result;
}

bool Reachability::readFixedTarget(const char* key, ReachabilityFlags* outFlags) {
    ReachabilityQuery& query = queryForFixedAddress(key);
    // Every read offers the query to the run loop again, so a query made while notifications
    // were off is registered once they are on.
    query.scheduleOnRunLoop(&runLoop_);
    ReachabilityFlags flags = 0;
    if (!query.reachabilityRef()->getFlags(flags))
        return false;
    if (outFlags)
        *outFlags = flags;
    return isReachableWithoutRequiringConnection(flags);
}

bool Reachability::isNetworkAvailableFlags(ReachabilityFlags* outFlags) {
    return readFixedTarget(kDefaultRouteKey, outFlags);
}

bool Reachability::isAdHocWiFiNetworkAvailableFlags(ReachabilityFlags* outFlags) {
    return readFixedTarget(kLinkLocalAddressKey, outFlags);
}

ReachabilityStatus Reachability::remoteHostStatus() {
    ReachabilityHandle* handle = nullptr;
    if (!hostName_.empty())
        handle = reachabilityRefForHostName(hostName_);
    else if (!address_.empty())
        handle = reachabilityRefForAddress(address_);
    else
        fatalProgrammingError(kNoTargetMessage);

    ReachabilityFlags flags = 0;
    if (!handle || !handle->getFlags(flags) || !isReachableWithoutRequiringConnection(flags))
        return StatusUnreachable;
    return statusFromUsableFlags(flags);
}

ReachabilityStatus Reachability::internetConnectionStatus() {
    ReachabilityFlags flags = 0;
    if (!isNetworkAvailableFlags(&flags))
        return StatusUnreachable;
    // A default route without a gateway is an ad-hoc network: no Internet behind it.
    if (flags & kReachabilityFlagsIsDirect)
        return StatusUnreachable;
    return statusFromUsableFlags(flags);
}

ReachabilityStatus Reachability::localWiFiConnectionStatus() {
    ReachabilityFlags flags = 0;
    if (isAdHocWiFiNetworkAvailableFlags(&flags) && (flags & kReachabilityFlagsIsDirect))
        return StatusReachable;
    return StatusUnreachable;
}

void Reachability::stopListeningForReachabilityChanges() {
    for (auto& [key, query] : reachabilityQueries_)
        query->stopListening();
}

} // namespace sweeplight::reachability
