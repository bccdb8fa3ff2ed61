#pragma once

#include "reachability/ReachabilitySource.h"

#include <memory>
#include <string>
#include <vector>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::reachability {

class Reachability;

// One watched target of the monitor: its handle, and the run loops the handle's change
// callbacks are registered on (each at most once, not owned).
class ReachabilityQuery final {
public:
    ReachabilityQuery(Reachability& monitor, std::string hostNameOrAddress,
                      std::unique_ptr<ReachabilityHandle> reachabilityRef);
    ~ReachabilityQuery();

    ReachabilityQuery(const ReachabilityQuery&) = delete;
    ReachabilityQuery& operator=(const ReachabilityQuery&) = delete;

    ReachabilityHandle* reachabilityRef() const { return reachabilityRef_.get(); }
    const std::vector<foundation::RunLoop*>& runLoops() const { return runLoops_; }
    const std::string& hostNameOrAddress() const { return hostNameOrAddress_; }

    bool isScheduledOnRunLoop(const foundation::RunLoop* runLoop) const;
    // Registers for change callbacks on `runLoop`, unless the monitor's notifications are off,
    // the run loop is absent, or the query is already registered there.
    void scheduleOnRunLoop(foundation::RunLoop* runLoop);
    // Returns the run loop when the handle now reports its changes there, else null.
    foundation::RunLoop* startListeningForReachabilityChanges(ReachabilityHandle* reachability,
                                                              foundation::RunLoop* runLoop);
    // Unregisters from every run loop and forgets them.
    void stopListening();

private:
    Reachability& monitor_;
    std::unique_ptr<ReachabilityHandle> reachabilityRef_;
    std::vector<foundation::RunLoop*> runLoops_;
    std::string hostNameOrAddress_;
};

// The change callback of every registered handle; `info` is the query. Posts one
// kNetworkReachabilityChangedNotification.
void ReachabilityCallback(ReachabilityHandle* target, ReachabilityFlags flags, void* info);

} // namespace sweeplight::reachability
