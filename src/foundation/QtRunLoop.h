#pragma once

#include "RunLoop.h"

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <utility>

class QSocketNotifier;
class QTimer;

namespace sweeplight::foundation {

// The app's run loop: Qt's event loop, with timers that fire at their due time to well under a
// millisecond. Needs a QCoreApplication by the time the first timer is scheduled.
//
// QTimer counts whole milliseconds, which puts 1/120 s frames up to a millisecond off their due
// time. Instead every timer of the loop waits in one queue, and a single alarm is aimed at the
// earliest due time in nanoseconds: a timerfd on the monotonic clock, watched by the event loop
// like any file, so nothing spins or sleeps. Where there is no timerfd, the alarm is one precise
// QTimer (millisecond steps, never early).
class QtRunLoop final : public RunLoop {
public:
    QtRunLoop();
    ~QtRunLoop() override;

    double now() const override;
    TimerId scheduleRepeating(double interval, Callback callback) override;
    TimerId scheduleOnce(double delay, Callback callback) override;
    void cancel(TimerId id) override;

private:
    struct Timer {
        double start { 0 }; // when tick 0 would have been: ticks are due at start + n x interval
        double interval { 0 };
        long long tick { 0 }; // the tick due next
        double due { 0 };
        bool repeating { false };
        std::shared_ptr<Callback> callback; // shared so that a callback may cancel its own timer
    };

    TimerId start(double seconds, bool repeating, Callback callback);
    void fire();
    void arm();

    std::chrono::steady_clock::time_point origin_;
    std::map<TimerId, Timer> timers_;
    std::set<std::pair<double, TimerId>> queue_; // (due, id): earliest first, then in order made
    TimerId nextId_ { 1 };
    int alarmFd_ { -1 };
    bool alarmTried_ { false };
    std::unique_ptr<QSocketNotifier> alarmNotifier_;
    std::unique_ptr<QTimer> fallbackAlarm_;
};

} // namespace sweeplight::foundation
