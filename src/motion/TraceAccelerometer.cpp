#include "TraceAccelerometer.h"

#include "foundation/InputFile.h"
#include "foundation/RunLoop.h"

#include <charconv>
#include <cmath>

namespace sweeplight::motion {

namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t begin = 0;
    while (true) {
        std::size_t comma = line.find(',', begin);
        fields.push_back(trimmed(line.substr(begin, comma - begin)));
        if (comma == std::string_view::npos)
            return fields;
        begin = comma + 1;
    }
}

std::optional<double> parseNumber(std::string_view field) {
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    double value = 0;
    auto [end, failure] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (failure != std::errc() || end != field.data() + field.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isColumnNames(const std::vector<std::string_view>& fields) {
    return fields.size() == 4 && fields[0] == "t" && fields[1] == "x" && fields[2] == "y" &&
           fields[3] == "z";
}

} // namespace

std::optional<std::vector<Acceleration>> TraceAccelerometer::parse(std::string_view text,
                                                                   std::string& error) {
    static constexpr const char* kAxisNames[] = { "time", "x", "y", "z" };
    std::vector<Acceleration> samples;
    bool sawContent = false;
    std::size_t lineNumber = 0;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trimmed(text.substr(begin, end - begin));
        begin = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        std::vector<std::string_view> fields = splitFields(line);
        bool firstContent = !sawContent;
        sawContent = true;
        if (firstContent && isColumnNames(fields))
            continue;
        std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (fields.size() != 4) {
            error = where + "expected 4 comma-separated numbers t,x,y,z, found " +
                    std::to_string(fields.size()) + " fields";
            return std::nullopt;
        }
        double values[4] = {};
        for (int i = 0; i < 4; ++i) {
            std::optional<double> value = parseNumber(fields[i]);
            if (!value) {
                error = where + "the " + kAxisNames[i] + " field '" + std::string(fields[i]) +
                        "' is not a finite number";
                return std::nullopt;
            }
            values[i] = *value;
        }
        if (!samples.empty() && values[0] < samples.back().timestamp) {
            error =
                where + "time " + std::string(fields[0]) + " is earlier than the line before it";
            return std::nullopt;
        }
        samples.push_back({ values[0], values[1], values[2], values[3] });
    }
    if (samples.empty()) {
        error = "the trace holds no samples (expected lines t,x,y,z)";
        return std::nullopt;
    }
    return samples;
}

std::unique_ptr<TraceAccelerometer> TraceAccelerometer::load(foundation::RunLoop& runLoop,
                                                             const std::string& path,
                                                             std::string& error) {
    const foundation::InputFile::Contents contents =
        foundation::InputFile::read(QString::fromStdString(path), kMaxTraceBytes);
    if (!contents.ok()) {
        error = contents.error.toStdString();
        return nullptr;
    }
    std::string parseError;
    std::optional<std::vector<Acceleration>> samples =
        parse(std::string_view(contents.bytes.constData(), std::size_t(contents.bytes.size())),
              parseError);
    if (!samples) {
        error = path + ": " + parseError;
        return nullptr;
    }
    return std::make_unique<TraceAccelerometer>(runLoop, std::move(*samples));
}

TraceAccelerometer::TraceAccelerometer(foundation::RunLoop& runLoop,
                                       std::vector<Acceleration> samples)
    : runLoop_(runLoop)
    , samples_(std::move(samples)) {}

TraceAccelerometer::~TraceAccelerometer() {
    runLoop_.cancel(timer_);
}

void TraceAccelerometer::setUpdateInterval(double seconds) {
    // Kept for callers that read it back; the recording's own times set the pace.
    if (seconds > 0 && std::isfinite(seconds))
        updateInterval_ = seconds;
}

double TraceAccelerometer::duration() const {
    return samples_.empty() ? 0 : samples_.back().timestamp - samples_.front().timestamp;
}

double TraceAccelerometer::dueTime(std::size_t index) const {
    return start_ + (samples_[index].timestamp - samples_.front().timestamp);
}

void TraceAccelerometer::setDelegate(AccelerometerDelegate* delegate) {
    delegate_ = delegate;
    runLoop_.cancel(timer_);
    timer_ = 0;
    if (!delegate_)
        return;
    if (!started_) {
        started_ = true;
        start_ = runLoop_.now();
    }
    while (next_ < samples_.size() && dueTime(next_) < runLoop_.now())
        ++next_;
    scheduleNext();
}

void TraceAccelerometer::scheduleNext() {
    if (isFinished())
        return;
    timer_ = runLoop_.scheduleOnce(dueTime(next_) - runLoop_.now(), [this] { deliverDue(); });
}

void TraceAccelerometer::deliverDue() {
    timer_ = 0;
    // Samples recorded at the same time arrive one after the other in the same turn.
    // A small tolerance, so that rounding in the run loop's due time cannot leave a sample
    // forever a hair in the future.
    double now = runLoop_.now();
    while (delegate_ && !isFinished() && dueTime(next_) <= now + 1e-9) {
        Acceleration sample = samples_[next_++];
        sample.timestamp = now;
        delegate_->accelerometer(*this, sample);
    }
    if (isFinished()) {
        if (onFinished)
            onFinished();
        return;
    }
    if (delegate_ && timer_ == 0)
        scheduleNext();
}

} // namespace sweeplight::motion
