#pragma once

#include "motion/Accelerometer.h"

#include <cstdio>
#include <memory>
#include <string>

namespace sweeplight::motion {

// Stands between a real accelerometer and its delegate and writes every sample it passes on as
// a trace line (`t,x,y,z`, seconds from the first sample and g), so a real swing can be replayed
// later by TraceAccelerometer.
class TraceRecorder final : public Accelerometer, private AccelerometerDelegate {
public:
    // Null and a one-line `error` when `path` cannot be written. `source` must outlive it.
    static std::unique_ptr<TraceRecorder> create(Accelerometer& source, const std::string& path,
                                                 std::string& error);
    ~TraceRecorder() override;

    void setUpdateInterval(double seconds) override { source_.setUpdateInterval(seconds); }
    double updateInterval() const override { return source_.updateInterval(); }
    void setDelegate(AccelerometerDelegate* delegate) override;
    AccelerometerDelegate* delegate() const override { return delegate_; }

    long samplesWritten() const { return written_; }
    // The first write failure, else empty; recording stops there and the samples flow on.
    const std::string& error() const { return error_; }

private:
    TraceRecorder(Accelerometer& source, std::FILE* file, std::string path);
    void accelerometer(Accelerometer& accelerometer, const Acceleration& acceleration) override;

    Accelerometer& source_;
    std::FILE* file_;
    std::string path_;
    AccelerometerDelegate* delegate_ { nullptr };
    bool started_ { false };
    double origin_ { 0 };
    long written_ { 0 };
    std::string error_;
};

} // namespace sweeplight::motion
