#include "QtSensorsAccelerometer.h"

#include "foundation/RunLoop.h"
#include "motion/Gravity.h"

#include <QAccelerometer>
#include <QSensor>
#include <cmath>

namespace sweeplight::motion {

namespace {

// Qt ships a backend that makes up readings for testing; it is no sensor.
bool isRealBackend(const QByteArray& identifier) {
    return !identifier.startsWith("dummy");
}

QByteArray realBackend() {
    const QList<QByteArray> identifiers = QSensor::sensorsForType(QAccelerometer::sensorType);
    for (const QByteArray& identifier : identifiers) {
        if (isRealBackend(identifier))
            return identifier;
    }
    return {};
}

} // namespace

bool QtSensorsAccelerometer::hasSensor() {
    QByteArray identifier = realBackend();
    if (identifier.isEmpty())
        return false;
    QAccelerometer probe;
    probe.setIdentifier(identifier);
    return probe.connectToBackend();
}

std::unique_ptr<QtSensorsAccelerometer> QtSensorsAccelerometer::open(foundation::RunLoop& runLoop,
                                                                     std::string& error) {
    QByteArray identifier = realBackend();
    if (identifier.isEmpty()) {
        error = "Qt Sensors has no accelerometer on this machine";
        return nullptr;
    }
    auto sensor = std::make_unique<QAccelerometer>();
    sensor->setIdentifier(identifier);
    if (!sensor->connectToBackend()) {
        error = "Qt Sensors cannot connect to its accelerometer '" + identifier.toStdString() + "'";
        return nullptr;
    }
    // Gravity included: the display's tracker and stillness score expect the whole reading.
    sensor->setAccelerationMode(QAccelerometer::Combined);
    return std::unique_ptr<QtSensorsAccelerometer>(
        new QtSensorsAccelerometer(runLoop, std::move(sensor)));
}

Acceleration QtSensorsAccelerometer::convert(double x, double y, double z) {
    return { 0, -x / kStandardGravity, -y / kStandardGravity, -z / kStandardGravity };
}

QtSensorsAccelerometer::QtSensorsAccelerometer(foundation::RunLoop& runLoop,
                                               std::unique_ptr<QAccelerometer> sensor)
    : runLoop_(runLoop)
    , sensor_(std::move(sensor)) {}

QtSensorsAccelerometer::~QtSensorsAccelerometer() {
    runLoop_.cancel(timer_);
    sensor_->stop();
}

void QtSensorsAccelerometer::setUpdateInterval(double seconds) {
    if (!(seconds > 0) || !std::isfinite(seconds))
        return;
    updateInterval_ = seconds;
    if (delegate_)
        restartTimer();
}

void QtSensorsAccelerometer::setDelegate(AccelerometerDelegate* delegate) {
    bool wasRunning = delegate_ != nullptr;
    delegate_ = delegate;
    if (!delegate_) {
        runLoop_.cancel(timer_);
        timer_ = 0;
        sensor_->stop();
        return;
    }
    if (!wasRunning) {
        sensor_->start();
        restartTimer();
    }
}

void QtSensorsAccelerometer::restartTimer() {
    runLoop_.cancel(timer_);
    sensor_->setDataRate(static_cast<int>(std::lround(1.0 / updateInterval_)));
    timer_ = runLoop_.scheduleRepeating(updateInterval_, [this] { poll(); });
}

void QtSensorsAccelerometer::poll() {
    const QAccelerometerReading* reading = sensor_->reading();
    if (!delegate_ || !reading)
        return;
    Acceleration sample = convert(reading->x(), reading->y(), reading->z());
    sample.timestamp = runLoop_.now();
    delegate_->accelerometer(*this, sample);
}

} // namespace sweeplight::motion
