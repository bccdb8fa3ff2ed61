#include "QtRunLoop.h"

#include <QTimer>
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
    timer->setSingleShot(!repeating);
    // QTimer counts whole milliseconds: 1/120 s becomes 8 ms, the closest it can do.
    timer->setInterval(static_cast<int>(std::lround(std::max(0.0, seconds) * 1000.0)));
    QObject::connect(timer.get(), &QTimer::timeout, [this, id, repeating, callback] {
        if (!repeating)
            cancel(id);
        callback();
    });
    timer->start();
    timers_[id] = std::move(timer);
    return id;
}

} // namespace sweeplight::foundation
