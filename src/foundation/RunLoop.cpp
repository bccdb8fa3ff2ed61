#include "RunLoop.h"

#include <algorithm>
#include <memory>

namespace sweeplight::foundation {

RunLoop::TimerId RunLoop::performAfterDelay(const void* target, std::string action, double delay,
                                            Callback callback) {
    auto id = std::make_shared<TimerId>(kNoTimer);
    *id = scheduleOnce(delay, [this, id, callback = std::move(callback)] {
        forgetPerform(*id);
        callback();
    });
    pendingPerforms_.push_back({ target, std::move(action), *id });
    return *id;
}

void RunLoop::cancelPreviousPerformRequests(const void* target, const std::string& action) {
    std::erase_if(pendingPerforms_, [&](const PendingPerform& pending) {
        if (pending.target != target || pending.action != action)
            return false;
        cancel(pending.id);
        return true;
    });
}

void RunLoop::cancelPreviousPerformRequests(const void* target) {
    std::erase_if(pendingPerforms_, [&](const PendingPerform& pending) {
        if (pending.target != target)
            return false;
        cancel(pending.id);
        return true;
    });
}

void RunLoop::forgetPerform(TimerId id) {
    std::erase_if(pendingPerforms_,
                  [id](const PendingPerform& pending) { return pending.id == id; });
}

} // namespace sweeplight::foundation
