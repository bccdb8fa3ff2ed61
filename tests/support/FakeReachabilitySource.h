#pragma once

#include "reachability/ReachabilitySource.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sweeplight::fixtures {

using reachability::ReachabilityFlags;
using reachability::ReachabilityHandle;

// A reachability service whose flags the test sets per target ("name" or dotted-quad text).
// Handles report changes only while scheduled, as a platform would.
class FakeReachabilitySource final : public reachability::ReachabilitySource {
public:
    struct Target {
        ReachabilityFlags flags { 0 };
        bool readable { true };
    };

    class Handle final : public ReachabilityHandle {
    public:
        Handle(FakeReachabilitySource& source, std::string target);
        ~Handle() override;

        bool getFlags(ReachabilityFlags& flags) override;
        void setCallback(Callback callback) override { callback_ = std::move(callback); }
        bool scheduleWithRunLoop(foundation::RunLoop& runLoop) override;
        void unscheduleFromRunLoop(foundation::RunLoop& runLoop) override;

        // What the platform does when the target's flags change.
        void reportChange();

        const std::string& target() const { return target_; }
        const std::vector<foundation::RunLoop*>& scheduledOn() const { return scheduledOn_; }
        int scheduleCalls() const { return scheduleCalls_; }
        int unscheduleCalls() const { return unscheduleCalls_; }

    private:
        FakeReachabilitySource& source_;
        std::string target_;
        Callback callback_;
        std::vector<foundation::RunLoop*> scheduledOn_;
        int scheduleCalls_ { 0 };
        int unscheduleCalls_ { 0 };
    };

    std::unique_ptr<ReachabilityHandle> createWithName(const std::string& hostName) override;
    std::unique_ptr<ReachabilityHandle> createWithAddress(const sockaddr_in& address) override;

    Target& target(const std::string& name) { return targets_[name]; }
    void setFlags(const std::string& name, ReachabilityFlags flags) {
        targets_[name].flags = flags;
    }
    // The target's flags change, and every handle of it reports that.
    void change(const std::string& name, ReachabilityFlags flags) {
        setFlags(name, flags);
        for (Handle* handle : handlesFor(name))
            handle->reportChange();
    }

    // Live handles for a target (most recent last).
    std::vector<Handle*> handlesFor(const std::string& name) const;
    int nameHandlesCreated { 0 };
    int addressHandlesCreated { 0 };
    int liveHandles { 0 };
    bool refuseCreation { false };

private:
    friend class Handle;
    std::map<std::string, Target> targets_;
    std::vector<Handle*> handles_;
};

} // namespace sweeplight::fixtures
