#include "ManualRunLoop.h"

#include <limits>

namespace sweeplight::foundation {

RunLoop::TimerId ManualRunLoop::scheduleRepeating(double interval, Callback callback) {
    TimerId id = nextId_++;
    timers_[id] = { now_, interval, 0, now_ + interval, nextSequence_++, std::move(callback) };
    return id;
}

RunLoop::TimerId ManualRunLoop::scheduleOnce(double delay, Callback callback) {
    TimerId id = nextId_++;
    timers_[id] = { now_, 0, 0, now_ + std::max(0.0, delay), nextSequence_++, std::move(callback) };
    return id;
}

void ManualRunLoop::cancel(TimerId id) {
    timers_.erase(id);
}

bool ManualRunLoop::fireEarliestDueBy(double limit) {
    auto earliest = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due > limit)
            continue;
        if (earliest == timers_.end() || it->second.due < earliest->second.due ||
            (it->second.due == earliest->second.due &&
             it->second.sequence < earliest->second.sequence))
            earliest = it;
    }
    if (earliest == timers_.end())
        return false;

    TimerId id = earliest->first;
    Timer& timer = earliest->second;
    now_ = std::max(now_, timer.due);
    // Copy the callback: it may cancel its own timer (erasing `timer`) while it runs.
    Callback callback = timer.callback;
    if (timer.interval > 0) {
        ++timer.firings;
        // Due times are computed from the start, so a long run at 1/120 s does not drift.
        timer.due = timer.start + static_cast<double>(timer.firings + 1) * timer.interval;
        timer.sequence = nextSequence_++;
    } else {
        timers_.erase(id);
    }
    callback();
    return true;
}

void ManualRunLoop::advance(double seconds) {
    double target = now_ + std::max(0.0, seconds);
    while (fireEarliestDueBy(target)) {
    }
    now_ = target;
}

bool ManualRunLoop::runNext() {
    return fireEarliestDueBy(std::numeric_limits<double>::infinity());
}

} // namespace sweeplight::foundation
