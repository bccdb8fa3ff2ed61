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
    : PolledAccelerometer(runLoop)
    , sensor_(std::move(sensor)) {}

QtSensorsAccelerometer::~QtSensorsAccelerometer() {
    sensor_->stop();
}

void QtSensorsAccelerometer::pollingStarts() {
    sensor_->start();
}

void QtSensorsAccelerometer::pollingStopped() {
    sensor_->stop();
}

void QtSensorsAccelerometer::pollingEvery(double seconds) {
    sensor_->setDataRate(static_cast<int>(std::lround(1.0 / seconds)));
}

void QtSensorsAccelerometer::poll() {
    const QAccelerometerReading* reading = sensor_->reading();
    if (!delegate() || !reading)
        return;
    Acceleration sample = convert(reading->x(), reading->y(), reading->z());
    sample.timestamp = runLoop().now();
    delegate()->accelerometer(*this, sample);
}

} // namespace sweeplight::motion
