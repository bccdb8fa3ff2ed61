#include "QtRunLoop.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

namespace sweeplight::foundation {

QtRunLoop::QtRunLoop() {
    clock_.start();
}

QtRunLoop::~QtRunLoop() = default;

double QtRunLoop::now() const {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e9;
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
    // The timer may be the one whose timeout is running right now: let Qt delete it later.
    it->second->stop();
    it->second.release()->deleteLater();
    timers_.erase(it);
}

RunLoop::TimerId QtRunLoop::start(double seconds, bool repeating, Callback callback) {
    TimerId id = nextId_++;
    auto timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(true);
    const double interval = std::max(0.0, seconds);
    const double firstDue = now() + interval;
    QTimer* shot = timer.get();
    // QTimer counts whole milliseconds, so a repeating timer is a chain of single shots, each
    // aimed at its own due time: 1/120 s ticks come 8 or 9 ms apart and 120 a second, not
    // every 8 ms. Ticks missed while the loop was busy are skipped, not bunched.
    QObject::connect(shot, &QTimer::timeout,
                     [this, id, repeating, interval, shot, due = firstDue, callback]() mutable {
                         if (!repeating) {
                             cancel(id);
                             callback();
                             return;
                         }
                         const double current = now();
                         due += interval;
                         if (due < current)
                             due = interval > 0
                                       ? due + std::ceil((current - due) / interval) * interval
                                       : current;
                         // Restarted before the callback, which may cancel it.
                         shot->start(millisecondsUntil(due));
                         callback();
                     });
    shot->start(millisecondsUntil(firstDue));
    timers_[id] = std::move(timer);
    return id;
}

int QtRunLoop::millisecondsUntil(double due) const {
    return static_cast<int>(std::lround(std::clamp(due - now(), 0.0, 2e6) * 1000.0));
}

} // namespace sweeplight::foundation
