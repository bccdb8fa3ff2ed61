#pragma once

#include "RunLoop.h"

#include <map>

namespace sweeplight::foundation {

// A run loop on a virtual clock: nothing happens until advance() is called. Events fire in
// order of due time, and events due at the same moment in the order they were scheduled.
class ManualRunLoop final : public RunLoop {
public:
    double now() const override { return now_; }
    TimerId scheduleRepeating(double interval, Callback callback) override;
    TimerId scheduleOnce(double delay, Callback callback) override;
    void cancel(TimerId id) override;

    // Moves the clock forward by `seconds`, firing everything that falls due on the way
    // (each firing sees now() at its own due time). Ends with now() at the target.
    void advance(double seconds);
    // Fires what is due now (delay 0 calls included) without moving the clock.
    void runPending() { advance(0); }
    // Moves to the next due event and fires it; false when nothing is scheduled.
    bool runNext();

    bool isScheduled(TimerId id) const { return timers_.contains(id); }
    std::size_t scheduledCount() const { return timers_.size(); }

private:
    struct Timer {
        double start;
        double interval; // 0 for a one-shot call
        std::uint64_t firings;
        double due;
        std::uint64_t sequence;
        Callback callback;
    };
    bool fireEarliestDueBy(double limit);

    std::map<TimerId, Timer> timers_;
    double now_ { 0 };
    TimerId nextId_ { 1 };
    std::uint64_t nextSequence_ { 0 };
};

} // namespace sweeplight::foundation
