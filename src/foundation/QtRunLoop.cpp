#include "QtRunLoop.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__linux__)
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace sweeplight::foundation {

namespace {

// How far behind its grid a repeating timer may fall and still fire every tick it owes.
constexpr double kLongestCatchUp = 1.0;

} // namespace

QtRunLoop::QtRunLoop()
    : origin_(std::chrono::steady_clock::now()) {}

QtRunLoop::~QtRunLoop() {
    alarmNotifier_.reset();
#if defined(__linux__)
    if (alarmFd_ >= 0)
        ::close(alarmFd_);
#endif
}

double QtRunLoop::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - origin_).count();
}

RunLoop::TimerId QtRunLoop::scheduleRepeating(double interval, Callback callback) {
    return start(interval, true, std::move(callback));
}

RunLoop::TimerId QtRunLoop::scheduleOnce(double delay, Callback callback) {
    return start(delay, false, std::move(callback));
}

void QtRunLoop::cancel(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    queue_.erase({ it->second.due, id });
    // A callback that is running keeps its own reference, so it may cancel its own timer.
    timers_.erase(it);
    arm();
}

RunLoop::TimerId QtRunLoop::start(double seconds, bool repeating, Callback callback) {
    const TimerId id = nextId_++;
    Timer timer;
    timer.interval = std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0;
    timer.start = now();
    timer.tick = 1;
    timer.due = timer.start + timer.interval;
    timer.repeating = repeating;
    timer.callback = std::make_shared<Callback>(std::move(callback));
    queue_.insert({ timer.due, id });
    timers_[id] = std::move(timer);
    arm();
    return id;
}

void QtRunLoop::fire() {
#if defined(__linux__)
    if (alarmFd_ >= 0) {
        std::uint64_t expirations = 0;
        [[maybe_unused]] ssize_t ignored = ::read(alarmFd_, &expirations, sizeof expirations);
    }
#endif
    const double current = now();
    // The timers due now, in order; those a callback cancels or moves on are passed over, and
    // those it makes wait for the next turn, so a timer of interval 0 cannot starve the loop.
    std::vector<TimerId> due;
    for (auto it = queue_.begin(); it != queue_.end() && it->first <= current; ++it)
        due.push_back(it->second);
    for (TimerId id : due) {
        auto it = timers_.find(id);
        if (it == timers_.end() || it->second.due > current)
            continue;
        Timer& timer = it->second;
        std::shared_ptr<Callback> callback = timer.callback;
        queue_.erase({ timer.due, id });
        if (timer.repeating) {
            // Every tick keeps to the grid start + n x interval, so no rounding accumulates, and
            // a tick that fires late does not push the next one back: a tick already due fires
            // on the next turn of the loop. Only a loop held up for more than kLongestCatchUp
            // (a stopped process, a suspended machine) gives up the ticks it slept through
            // rather than replay them in a burst.
            ++timer.tick;
            timer.due = timer.start + static_cast<double>(timer.tick) * timer.interval;
            if (timer.interval <= 0) {
                timer.due = current;
            } else if (timer.due < current - kLongestCatchUp) {
                timer.tick =
                    static_cast<long long>(std::floor((current - timer.start) / timer.interval)) +
                    1;
                timer.due = timer.start + static_cast<double>(timer.tick) * timer.interval;
            }
            queue_.insert({ timer.due, id });
        } else {
            timers_.erase(it);
        }
        // Armed before the callback, in case it runs a nested event loop.
        arm();
        (*callback)();
    }
    arm();
}

void QtRunLoop::arm() {
    if (!alarmTried_) {
        alarmTried_ = true;
#if defined(__linux__)
        alarmFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (alarmFd_ >= 0) {
            alarmNotifier_ = std::make_unique<QSocketNotifier>(alarmFd_, QSocketNotifier::Read);
            QObject::connect(alarmNotifier_.get(), &QSocketNotifier::activated, [this] { fire(); });
        }
#endif
        if (alarmFd_ < 0) {
            fallbackAlarm_ = std::make_unique<QTimer>();
            fallbackAlarm_->setTimerType(Qt::PreciseTimer);
            fallbackAlarm_->setSingleShot(true);
            QObject::connect(fallbackAlarm_.get(), &QTimer::timeout, [this] { fire(); });
        }
    }
    const bool idle = queue_.empty();
    const double due = idle ? 0 : queue_.begin()->first;
#if defined(__linux__)
    if (alarmFd_ >= 0) {
        itimerspec setting {};
        if (!idle) {
            // steady_clock is CLOCK_MONOTONIC; a time already past fires at once (0 would
            // disarm).
            const auto at =
                origin_.time_since_epoch() + std::chrono::ceil<std::chrono::nanoseconds>(
                                                 std::chrono::duration<double>(std::min(due, 1e9)));
            const long long nanoseconds = std::max<long long>(
                1, std::chrono::duration_cast<std::chrono::nanoseconds>(at).count());
            setting.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
            setting.it_value.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
        }
        ::timerfd_settime(alarmFd_, TFD_TIMER_ABSTIME, &setting, nullptr);
        return;
    }
#endif
    if (idle) {
        fallbackAlarm_->stop();
        return;
    }
    // Rounded up: a precise QTimer is never early, so the alarm never finds nothing due.
    const double milliseconds = std::ceil(std::clamp(due - now(), 0.0, 2e6) * 1000.0);
    fallbackAlarm_->start(static_cast<int>(milliseconds));
}

} // namespace sweeplight::foundation
