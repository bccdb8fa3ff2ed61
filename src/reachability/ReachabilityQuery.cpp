#include "ReachabilityQuery.h"

#include "Reachability.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"

#include <algorithm>

namespace sweeplight::reachability {

ReachabilityQuery::ReachabilityQuery(Reachability& monitor, std::string hostNameOrAddress,
                                     std::unique_ptr<ReachabilityHandle> reachabilityRef)
    : monitor_(monitor)
    , reachabilityRef_(std::move(reachabilityRef))
    , hostNameOrAddress_(std::move(hostNameOrAddress)) {}

ReachabilityQuery::~ReachabilityQuery() {
    // The handle could otherwise call back into a query that no longer exists.
    stopListening();
    if (reachabilityRef_)
        reachabilityRef_->setCallback(nullptr);
}

bool ReachabilityQuery::isScheduledOnRunLoop(const foundation::RunLoop* runLoop) const {
    return std::find(runLoops_.begin(), runLoops_.end(), runLoop) != runLoops_.end();
}

void ReachabilityQuery::scheduleOnRunLoop(foundation::RunLoop* runLoop) {
    if (!monitor_.networkStatusNotificationsEnabled() || !runLoop || isScheduledOnRunLoop(runLoop))
        return;
    if (foundation::RunLoop* scheduled =
            startListeningForReachabilityChanges(reachabilityRef_.get(), runLoop))
        runLoops_.push_back(scheduled);
}

foundation::RunLoop*
ReachabilityQuery::startListeningForReachabilityChanges(ReachabilityHandle* reachability,
                                                        foundation::RunLoop* runLoop) {
    if (!reachability || !runLoop)
        return nullptr;
    reachability->setCallback([this](ReachabilityHandle& target, ReachabilityFlags flags) {
        ReachabilityCallback(&target, flags, this);
    });
    if (!reachability->scheduleWithRunLoop(*runLoop))
        return nullptr;
    return runLoop;
}

void ReachabilityQuery::stopListening() {
    if (reachabilityRef_) {
        for (foundation::RunLoop* runLoop : runLoops_)
            reachabilityRef_->unscheduleFromRunLoop(*runLoop);
    }
    runLoops_.clear();
}

void ReachabilityCallback(ReachabilityHandle*, ReachabilityFlags, void*) {
    foundation::NotificationCenter::defaultCenter().postNotificationName(
        kNetworkReachabilityChangedNotification);
}

} // namespace sweeplight::reachability
