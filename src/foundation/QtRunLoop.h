#pragma once

#include "RunLoop.h"

#include <QElapsedTimer>
#include <map>
#include <memory>

class QTimer;

namespace sweeplight::foundation {

// The app's run loop: Qt's event loop with precise timers. Needs a QCoreApplication.
class QtRunLoop final : public RunLoop {
public:
    QtRunLoop();
    ~QtRunLoop() override;

    double now() const override;
    TimerId scheduleRepeating(double interval, Callback callback) override;
    TimerId scheduleOnce(double delay, Callback callback) override;
    void cancel(TimerId id) override;

private:
    TimerId start(double seconds, bool repeating, Callback callback);
    int millisecondsUntil(double due) const;

    QElapsedTimer clock_;
    std::map<TimerId, std::unique_ptr<QTimer>> timers_;
    TimerId nextId_ { 1 };
};

} // namespace sweeplight::foundation
