#pragma once

#include "motion/Accelerometer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::motion {

// Replays a recorded accelerometer trace: a CSV text with one sample per line, `t,x,y,z`, time
// in seconds and x, y, z in g in the device convention. Empty lines and lines starting with '#'
// are skipped, and so is a first line of column names ("t,x,y,z"). Times must not decrease.
//
// A recording is replayed at its own times, not resampled at the update interval: sample i is
// delivered t_i - t_0 seconds after the delegate is first set, so every recorded sample reaches
// the tracker exactly once. Samples that fall due while no delegate is set are missed, as they
// would be on a real sensor.
class TraceAccelerometer final : public Accelerometer {
public:
    // About 1.5 million lines: far longer than any swing a person records, small enough to read
    // whole. A trace must be a regular file (a FIFO or a device could never end).
    static constexpr std::int64_t kMaxTraceBytes = std::int64_t(64) << 20;

    // The samples of a trace text (their timestamps are the trace's times), or nothing and a
    // one-line `error` naming the line ("line 12: ...").
    static std::optional<std::vector<Acceleration>> parse(std::string_view text,
                                                          std::string& error);
    // Reads and parses a trace file; on failure returns null and a one-line `error` that names
    // the file (and the line).
    static std::unique_ptr<TraceAccelerometer> load(foundation::RunLoop& runLoop,
                                                    const std::string& path, std::string& error);

    // `samples` must not be empty and their times must not decrease.
    TraceAccelerometer(foundation::RunLoop& runLoop, std::vector<Acceleration> samples);
    ~TraceAccelerometer() override;

    void setUpdateInterval(double seconds) override;
    double updateInterval() const override { return updateInterval_; }
    void setDelegate(AccelerometerDelegate* delegate) override;
    AccelerometerDelegate* delegate() const override { return delegate_; }

    const std::vector<Acceleration>& samples() const { return samples_; }
    // Seconds from the first sample to the last.
    double duration() const;
    bool isFinished() const { return next_ >= samples_.size(); }

    // Called once, right after the last sample has been delivered.
    std::function<void()> onFinished;

private:
    double dueTime(std::size_t index) const;
    void scheduleNext();
    void deliverDue();

    foundation::RunLoop& runLoop_;
    std::vector<Acceleration> samples_;
    double updateInterval_ { 1.0 / 70.0 };
    AccelerometerDelegate* delegate_ { nullptr };
    bool started_ { false };
    double start_ { 0 };
    std::size_t next_ { 0 };
    std::uint64_t timer_ { 0 };
};

} // namespace sweeplight::motion
