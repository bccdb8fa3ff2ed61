#include "RecordedPath.h"

#include "motion/Gravity.h"

#include <algorithm>
#include <cmath>

namespace sweeplight::motion {

namespace {

// Means are weighted by the time each sample stands for (trapezoids), so that uneven sampling
// or a recording that starts and ends on a sample does not tilt them.
double timeWeightedMean(const std::vector<double>& times, const std::vector<double>& values) {
    double area = 0;
    for (std::size_t i = 1; i < values.size(); ++i)
        area += (values[i] + values[i - 1]) / 2 * (times[i] - times[i - 1]);
    double span = values.size() > 1 ? times.back() - times.front() : 0;
    if (span > 0)
        return area / span;
    return values.empty() ? 0 : values.front();
}

void removeMean(const std::vector<double>& times, std::vector<double>& values) {
    double mean = timeWeightedMean(times, values);
    for (double& value : values)
        value -= mean;
}

std::vector<double> integrate(const std::vector<double>& times, const std::vector<double>& values) {
    std::vector<double> result(values.size(), 0.0);
    for (std::size_t i = 1; i < values.size(); ++i)
        result[i] = result[i - 1] + (values[i] + values[i - 1]) / 2 * (times[i] - times[i - 1]);
    return result;
}

} // namespace

RecordedPath::RecordedPath(const std::vector<Acceleration>& samples) {
    std::vector<double> accelerations;
    for (const Acceleration& sample : samples) {
        if (!std::isfinite(sample.timestamp) || !std::isfinite(sample.x))
            continue;
        if (!times_.empty() && sample.timestamp < times_.back())
            continue;
        times_.push_back(sample.timestamp);
        // The reading's sign is opposite to the device's acceleration.
        accelerations.push_back(-sample.x * kStandardGravity);
    }
    removeMean(times_, accelerations);
    std::vector<double> velocities = integrate(times_, accelerations);
    removeMean(times_, velocities);
    positions_ = integrate(times_, velocities);
    removeMean(times_, positions_);
}

double RecordedPath::position(double time) const {
    if (times_.empty() || std::isnan(time))
        return 0;
    if (time <= times_.front())
        return positions_.front();
    if (time >= times_.back())
        return positions_.back();
    auto after = std::upper_bound(times_.begin(), times_.end(), time);
    std::size_t i = static_cast<std::size_t>(after - times_.begin());
    double span = times_[i] - times_[i - 1];
    double fraction = span > 0 ? (time - times_[i - 1]) / span : 1;
    return positions_[i - 1] + (positions_[i] - positions_[i - 1]) * fraction;
}

double RecordedPath::reach() const {
    double reach = 0;
    for (double p : positions_)
        reach = std::max(reach, std::abs(p));
    return reach;
}

} // namespace sweeplight::motion
