#include "WaitUntil.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cmath>

namespace sweeplight::fixtures {

bool waitUntil(const std::function<bool()>& done, double seconds) {
    // The timer both ends the wait and wakes the loop should no other event come.
    bool expired = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&expired] { expired = true; });
    limit.start(std::chrono::milliseconds(std::llround(seconds * 1000)));
    while (!done() && !expired)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

void settle(double seconds) {
    waitUntil([] { return false; }, seconds);
}

} // namespace sweeplight::fixtures
