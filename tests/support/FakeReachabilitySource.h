#pragma once

#include "reachability/ReachabilitySource.h"

#include <arpa/inet.h>
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
        Handle(FakeReachabilitySource& source, std::string target)
            : name(std::move(target))
            , source_(source) {
            source_.handles_.push_back(this);
        }
        ~Handle() override { std::erase(source_.handles_, this); }

        bool getFlags(ReachabilityFlags& flags) override {
            const Target& target = source_.targets_[name];
            if (target.readable)
                flags = target.flags;
            return target.readable;
        }
        void setCallback(Callback callback) override { callback_ = std::move(callback); }
        bool scheduleWithRunLoop(foundation::RunLoop&) override {
            ++scheduleCalls;
            return scheduled_ = true;
        }
        void unscheduleFromRunLoop(foundation::RunLoop&) override {
            ++unscheduleCalls;
            scheduled_ = false;
        }
        // What the platform does when the target's flags change.
        void reportChange() {
            if (scheduled_ && callback_)
                callback_(*this, source_.targets_[name].flags);
        }

        const std::string name;
        int scheduleCalls { 0 };
        int unscheduleCalls { 0 };

    private:
        FakeReachabilitySource& source_;
        Callback callback_;
        bool scheduled_ { false };
    };

    std::unique_ptr<ReachabilityHandle> createWithName(const std::string& hostName) override {
        ++nameHandlesCreated;
        return refuseCreation ? nullptr : std::make_unique<Handle>(*this, hostName);
    }
    std::unique_ptr<ReachabilityHandle> createWithAddress(const sockaddr_in& address) override {
        ++addressHandlesCreated;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
        return refuseCreation ? nullptr : std::make_unique<Handle>(*this, text);
    }

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
    std::vector<Handle*> handlesFor(const std::string& name) const {
        std::vector<Handle*> found;
        for (Handle* handle : handles_)
            if (handle->name == name)
                found.push_back(handle);
        return found;
    }
    std::size_t liveHandles() const { return handles_.size(); }

    int nameHandlesCreated { 0 };
    int addressHandlesCreated { 0 };
    bool refuseCreation { false };

private:
    std::map<std::string, Target> targets_;
    std::vector<Handle*> handles_;
};

} // namespace sweeplight::fixtures
