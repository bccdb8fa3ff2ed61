#include "TraceRecorder.h"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace sweeplight::motion {

std::unique_ptr<TraceRecorder> TraceRecorder::create(Accelerometer& source, const std::string& path,
                                                     std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        error = path + ": cannot write the trace: " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<TraceRecorder>(new TraceRecorder(source, file, path));
}

TraceRecorder::TraceRecorder(Accelerometer& source, std::FILE* file, std::string path)
    : source_(source)
    , file_(file)
    , path_(std::move(path)) {
    if (std::fputs("t,x,y,z\n", file_) < 0)
        error_ = path_ + ": cannot write the trace";
}

TraceRecorder::~TraceRecorder() {
    if (source_.delegate() == this)
        source_.setDelegate(nullptr);
    if (file_)
        std::fclose(file_);
}

void TraceRecorder::setDelegate(AccelerometerDelegate* delegate) {
    delegate_ = delegate;
    source_.setDelegate(delegate ? this : nullptr);
}

void TraceRecorder::accelerometer(Accelerometer&, const Acceleration& acceleration) {
    const bool finite = std::isfinite(acceleration.timestamp) && std::isfinite(acceleration.x) &&
                        std::isfinite(acceleration.y) && std::isfinite(acceleration.z);
    if (error_.empty() && finite) {
        if (!started_) {
            started_ = true;
            origin_ = acceleration.timestamp;
        }
        // Every sample on its own line, flushed, so a recording cut short by a crash or a
        // killed process still replays up to its last sample.
        if (std::fprintf(file_, "%.6f,%.6f,%.6f,%.6f\n", acceleration.timestamp - origin_,
                         acceleration.x, acceleration.y, acceleration.z) < 0 ||
            std::fflush(file_) != 0)
            error_ = path_ + ": cannot write the trace";
        else
            ++written_;
    }
    if (delegate_)
        delegate_->accelerometer(*this, acceleration);
}

} // namespace sweeplight::motion
