#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sweeplight::foundation {

// The main thread's run loop: repeating timers, one-shot delayed calls and their cancellation.
// Everything that waits, delays or repeats goes through one of these, so that tests can run
// every timing rule in virtual time (ManualRunLoop) while the app runs on Qt's loop.
class RunLoop {
public:
    using Callback = std::function<void()>;
    using TimerId = std::uint64_t;
    static constexpr TimerId kNoTimer = 0;

    virtual ~RunLoop() = default;

    // Seconds since an arbitrary origin; only differences mean anything.
    virtual double now() const = 0;

    // Fires `callback` every `interval` seconds, the first time one interval from now,
    // until cancelled.
    virtual TimerId scheduleRepeating(double interval, Callback callback) = 0;

    // Fires `callback` once, `delay` seconds from now (0 means on the next turn of the loop).
    virtual TimerId scheduleOnce(double delay, Callback callback) = 0;

    // Stops a timer or a pending delayed call. Unknown or already fired ids are ignored, so a
    // callback may cancel its own timer.
    virtual void cancel(TimerId id) = 0;

    // A delayed call remembered under (target, action), so that every pending call of that
    // pair can be cancelled together, as the display's hint delays need.
    TimerId performAfterDelay(const void* target, std::string action, double delay,
                              Callback callback);
    void cancelPreviousPerformRequests(const void* target, const std::string& action);
    void cancelPreviousPerformRequests(const void* target);

private:
    struct PendingPerform {
        const void* target;
        std::string action;
        TimerId id;
    };
    void forgetPerform(TimerId id);

    std::vector<PendingPerform> pendingPerforms_;
};

} // namespace sweeplight::foundation
