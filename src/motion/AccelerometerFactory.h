#pragma once

#include "motion/SwingSimulator.h"

#include <memory>
#include <string>
#include <string_view>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::motion {

class TraceAccelerometer;

// Makes the accelerometer a command line asks for: "auto", "simulator", "iio", "qtsensors" or
// "trace:FILE". "auto" takes the machine's own sensor (IIO first, then Qt Sensors) and falls
// back to the simulated swing when there is none.
class AccelerometerFactory final {
public:
    static constexpr const char* kChoices = "auto|simulator|iio|qtsensors|trace:FILE";

    enum class Kind { Simulator, Iio, QtSensors, Trace };

    struct Result {
        std::unique_ptr<Accelerometer> accelerometer; // null when `error` says why
        Kind kind { Kind::Simulator };
        SwingSimulator* simulator { nullptr }; // the same object, when the swing is simulated
        TraceAccelerometer* trace { nullptr }; // the same object, when a trace is replayed
        std::string description;               // what was chosen, for a log line
        std::string error;                     // one line
    };

    static Result create(std::string_view choice, foundation::RunLoop& runLoop,
                         const SwingSimulator::Parameters& swing = {},
                         const std::string& iioDevicesDirectory = "/sys/bus/iio/devices");
};

} // namespace sweeplight::motion
