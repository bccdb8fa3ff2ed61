#include "LogCapture.h"

#include <algorithm>

namespace sweeplight::fixtures {

LogCapture::LogCapture()
    : previous_(
          foundation::setLogSink([this](std::string_view line) { lines_.emplace_back(line); })) {}

LogCapture::~LogCapture() {
    foundation::setLogSink(std::move(previous_));
}

bool LogCapture::contains(std::string_view text) const {
    return std::any_of(lines_.begin(), lines_.end(), [text](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

} // namespace sweeplight::fixtures
