#include "FakeReachabilitySource.h"

#include <algorithm>
#include <arpa/inet.h>

namespace sweeplight::fixtures {

FakeReachabilitySource::Handle::Handle(FakeReachabilitySource& source, std::string target)
    : source_(source)
    , target_(std::move(target)) {
    source_.handles_.push_back(this);
    ++source_.liveHandles;
}

FakeReachabilitySource::Handle::~Handle() {
    std::erase(source_.handles_, this);
    --source_.liveHandles;
}

bool FakeReachabilitySource::Handle::getFlags(ReachabilityFlags& flags) {
    const Target& target = source_.targets_[target_];
    if (!target.readable)
        return false;
    flags = target.flags;
    return true;
}

bool FakeReachabilitySource::Handle::scheduleWithRunLoop(foundation::RunLoop& runLoop) {
    ++scheduleCalls_;
    scheduledOn_.push_back(&runLoop);
    return true;
}

void FakeReachabilitySource::Handle::unscheduleFromRunLoop(foundation::RunLoop& runLoop) {
    ++unscheduleCalls_;
    std::erase(scheduledOn_, &runLoop);
}

void FakeReachabilitySource::Handle::reportChange() {
    if (scheduledOn_.empty() || !callback_)
        return;
    callback_(*this, source_.targets_[target_].flags);
}

std::unique_ptr<ReachabilityHandle>
FakeReachabilitySource::createWithName(const std::string& hostName) {
    if (refuseCreation)
        return nullptr;
    ++nameHandlesCreated;
    return std::make_unique<Handle>(*this, hostName);
}

std::unique_ptr<ReachabilityHandle>
FakeReachabilitySource::createWithAddress(const sockaddr_in& address) {
    if (refuseCreation)
        return nullptr;
    ++addressHandlesCreated;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
    return std::make_unique<Handle>(*this, text);
}

std::vector<FakeReachabilitySource::Handle*>
FakeReachabilitySource::handlesFor(const std::string& name) const {
    std::vector<Handle*> found;
    std::copy_if(handles_.begin(), handles_.end(), std::back_inserter(found),
                 [&](const Handle* handle) { return handle->target() == name; });
    return found;
}

} // namespace sweeplight::fixtures
