#include "AccelerometerFactory.h"

#include "motion/IioAccelerometer.h"
#include "motion/QtSensorsAccelerometer.h"
#include "motion/TraceAccelerometer.h"

#include <sstream>

namespace sweeplight::motion {

namespace {

constexpr std::string_view kTracePrefix = "trace:";

AccelerometerFactory::Result simulator(foundation::RunLoop& runLoop,
                                       const SwingSimulator::Parameters& swing) {
    AccelerometerFactory::Result result;
    std::string error = SwingSimulator::parametersError(swing);
    if (!error.empty()) {
        result.error = error;
        return result;
    }
    auto simulated = std::make_unique<SwingSimulator>(runLoop, swing);
    std::ostringstream description;
    description << "simulated swing, " << swing.frequency << " Hz, " << swing.peakAcceleration
                << " g peak";
    result.kind = AccelerometerFactory::Kind::Simulator;
    result.simulator = simulated.get();
    result.accelerometer = std::move(simulated);
    result.description = description.str();
    return result;
}

AccelerometerFactory::Result iio(foundation::RunLoop& runLoop, const std::string& directory) {
    AccelerometerFactory::Result result;
    result.kind = AccelerometerFactory::Kind::Iio;
    std::string device = IioAccelerometer::findDevice(directory);
    if (device.empty()) {
        result.error = "no IIO accelerometer under " + directory;
        return result;
    }
    result.accelerometer = IioAccelerometer::open(runLoop, device, result.error);
    if (result.accelerometer)
        result.description = "IIO accelerometer " + device;
    return result;
}

AccelerometerFactory::Result qtSensors(foundation::RunLoop& runLoop) {
    AccelerometerFactory::Result result;
    result.kind = AccelerometerFactory::Kind::QtSensors;
    result.accelerometer = QtSensorsAccelerometer::open(runLoop, result.error);
    if (result.accelerometer)
        result.description = "Qt Sensors accelerometer";
    return result;
}

} // namespace

AccelerometerFactory::Result AccelerometerFactory::create(std::string_view choice,
                                                          foundation::RunLoop& runLoop,
                                                          const SwingSimulator::Parameters& swing,
                                                          const std::string& iioDevicesDirectory) {
    if (choice == "simulator")
        return simulator(runLoop, swing);
    if (choice == "iio")
        return iio(runLoop, iioDevicesDirectory);
    if (choice == "qtsensors")
        return qtSensors(runLoop);
    if (choice == "auto") {
        if (!IioAccelerometer::findDevice(iioDevicesDirectory).empty()) {
            Result result = iio(runLoop, iioDevicesDirectory);
            if (result.accelerometer)
                return result;
        }
        if (QtSensorsAccelerometer::hasSensor()) {
            Result result = qtSensors(runLoop);
            if (result.accelerometer)
                return result;
        }
        return simulator(runLoop, swing);
    }
    if (choice.starts_with(kTracePrefix)) {
        Result result;
        result.kind = Kind::Trace;
        std::string path(choice.substr(kTracePrefix.size()));
        if (path.empty()) {
            result.error = "trace: needs a file name (trace:FILE.csv)";
            return result;
        }
        auto trace = TraceAccelerometer::load(runLoop, path, result.error);
        if (!trace)
            return result;
        result.trace = trace.get();
        result.accelerometer = std::move(trace);
        result.description = "trace " + path;
        return result;
    }
    Result result;
    result.error = "unknown accelerometer '" + std::string(choice) + "' (expected " +
                   std::string(kChoices) + ")";
    return result;
}

} // namespace sweeplight::motion
