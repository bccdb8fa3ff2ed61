#pragma once

#include "foundation/Log.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace sweeplight::fixtures {

// Takes every console log line while it lives, instead of the console, and gives the previous
// sink back when it goes.
class LogCapture {
public:
    LogCapture()
        : previous_(foundation::setLogSink(
              [this](std::string_view line) { lines_.emplace_back(line); })) {}
    ~LogCapture() { foundation::setLogSink(std::move(previous_)); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }
    // Whether some line contains `text`.
    bool contains(std::string_view text) const {
        return std::any_of(lines_.begin(), lines_.end(), [text](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }
    void clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
    foundation::LogSink previous_;
};

} // namespace sweeplight::fixtures
