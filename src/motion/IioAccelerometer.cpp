#include "IioAccelerometer.h"

#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "motion/Gravity.h"

#include <QLoggingCategory>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

Q_LOGGING_CATEGORY(lcMotion, "sweeplight.motion", QtWarningMsg)

namespace sweeplight::motion {

namespace {

constexpr const char* kAxes[] = { "x", "y", "z" };

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad())
        return std::nullopt;
    return contents.str();
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::optional<double> parseNumber(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A number from the first of `names` that exists in `directory`; `fallback` when none does.
// A file that exists but holds no number is an error.
std::optional<double> readNumber(const std::filesystem::path& directory,
                                 std::initializer_list<std::string> names, double fallback,
                                 std::string& error) {
    for (const std::string& name : names) {
        std::filesystem::path path = directory / name;
        std::error_code ignored;
        if (!std::filesystem::exists(path, ignored))
            continue;
        std::optional<std::string> text = readFile(path);
        std::optional<double> value = text ? parseNumber(*text) : std::nullopt;
        if (!value) {
            error = path.string() + ": not a number";
            return std::nullopt;
        }
        return value;
    }
    return fallback;
}

std::optional<IioAccelerometer::Matrix> parseMatrix(std::string_view text) {
    IioAccelerometer::Matrix matrix {};
    std::size_t row = 0;
    std::size_t begin = 0;
    text = trimmed(text);
    while (true) {
        std::size_t semicolon = text.find(';', begin);
        std::string_view rowText = text.substr(begin, semicolon - begin);
        if (row >= 3)
            return std::nullopt;
        std::size_t column = 0;
        std::size_t fieldBegin = 0;
        while (true) {
            std::size_t comma = rowText.find(',', fieldBegin);
            std::optional<double> value =
                parseNumber(rowText.substr(fieldBegin, comma - fieldBegin));
            if (!value || column >= 3)
                return std::nullopt;
            matrix[row][column++] = *value;
            if (comma == std::string_view::npos)
                break;
            fieldBegin = comma + 1;
        }
        if (column != 3)
            return std::nullopt;
        ++row;
        if (semicolon == std::string_view::npos)
            break;
        begin = semicolon + 1;
    }
    if (row != 3)
        return std::nullopt;
    return matrix;
}

bool hasRawChannels(const std::filesystem::path& directory) {
    std::error_code ignored;
    return std::all_of(std::begin(kAxes), std::end(kAxes), [&](const char* axis) {
        return std::filesystem::exists(directory / ("in_accel_" + std::string(axis) + "_raw"),
                                       ignored);
    });
}

} // namespace

std::string IioAccelerometer::findDevice(const std::string& devicesDirectory) {
    std::error_code error;
    std::vector<std::filesystem::path> devices;
    for (const auto& entry : std::filesystem::directory_iterator(devicesDirectory, error)) {
        if (hasRawChannels(entry.path()))
            devices.push_back(entry.path());
    }
    if (devices.empty())
        return {};
    // iio:device2 before iio:device10, whatever order the directory lists them in: a shorter
    // name has the smaller number.
    std::sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) {
        const std::string left = a.filename().string();
        const std::string right = b.filename().string();
        return std::make_pair(left.size(), left) < std::make_pair(right.size(), right);
    });
    return devices.front().string();
}

std::unique_ptr<IioAccelerometer> IioAccelerometer::open(foundation::RunLoop& runLoop,
                                                         const std::string& deviceDirectory,
                                                         std::string& error) {
    std::filesystem::path directory(deviceDirectory);
    if (!hasRawChannels(directory)) {
        error = deviceDirectory + ": no in_accel_x_raw, in_accel_y_raw and in_accel_z_raw";
        return nullptr;
    }
    Calibration calibration;
    for (int axis = 0; axis < 3; ++axis) {
        std::string prefix = "in_accel_" + std::string(kAxes[axis]);
        std::optional<double> scale =
            readNumber(directory, { prefix + "_scale", "in_accel_scale" }, NAN, error);
        if (!scale)
            return nullptr;
        if (std::isnan(*scale)) {
            error = deviceDirectory + ": no in_accel_scale, so the raw counts mean nothing";
            return nullptr;
        }
        std::optional<double> offset =
            readNumber(directory, { prefix + "_offset", "in_accel_offset" }, 0, error);
        if (!offset)
            return nullptr;
        calibration.scale[axis] = *scale;
        calibration.offset[axis] = *offset;
    }
    for (const char* name : { "in_accel_mount_matrix", "mount_matrix" }) {
        std::filesystem::path path = directory / name;
        std::error_code ignored;
        if (!std::filesystem::exists(path, ignored))
            continue;
        std::optional<std::string> text = readFile(path);
        std::optional<Matrix> matrix = text ? parseMatrix(*text) : std::nullopt;
        if (!matrix) {
            error = path.string() + ": expected a mount matrix 'a, b, c; d, e, f; g, h, i'";
            return nullptr;
        }
        calibration.mountMatrix = *matrix;
        break;
    }
    return std::make_unique<IioAccelerometer>(runLoop, deviceDirectory, calibration);
}

Acceleration IioAccelerometer::convert(const Calibration& calibration,
                                       const std::array<double, 3>& raw) {
    std::array<double, 3> chip {};
    for (int axis = 0; axis < 3; ++axis)
        chip[axis] = (raw[axis] + calibration.offset[axis]) * calibration.scale[axis];
    std::array<double, 3> device {};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            device[row] += calibration.mountMatrix[row][column] * chip[column];
    }
    return { 0, -device[0] / kStandardGravity, -device[1] / kStandardGravity,
             -device[2] / kStandardGravity };
}

IioAccelerometer::IioAccelerometer(foundation::RunLoop& runLoop, std::string deviceDirectory,
                                   Calibration calibration)
    : PolledAccelerometer(runLoop)
    , directory_(std::move(deviceDirectory))
    , calibration_(calibration) {}

std::optional<Acceleration> IioAccelerometer::read(std::string& error) const {
    std::array<double, 3> raw {};
    for (int axis = 0; axis < 3; ++axis) {
        std::filesystem::path path =
            std::filesystem::path(directory_) / ("in_accel_" + std::string(kAxes[axis]) + "_raw");
        std::optional<std::string> text = readFile(path);
        std::optional<double> value = text ? parseNumber(*text) : std::nullopt;
        if (!value) {
            error = path.string() + (text ? ": not a number" : ": cannot be read");
            return std::nullopt;
        }
        raw[axis] = *value;
    }
    return convert(calibration_, raw);
}

void IioAccelerometer::poll() {
    if (!delegate())
        return;
    std::string error;
    std::optional<Acceleration> sample = read(error);
    if (!sample) {
        // A sensor that went away (or a driver hiccup) costs samples, never the app; say it once.
        if (!reportedReadFailure_)
            foundation::logWarning(lcMotion(), "accelerometer: " + error);
        reportedReadFailure_ = true;
        return;
    }
    reportedReadFailure_ = false;
    sample->timestamp = runLoop().now();
    delegate()->accelerometer(*this, *sample);
}

} // namespace sweeplight::motion
