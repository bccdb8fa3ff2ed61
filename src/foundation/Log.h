#pragma once

#include <functional>
#include <string_view>

namespace sweeplight::foundation {

// The console log: one line per call, to standard error unless a sink is installed.
void logLine(std::string_view line);

using LogSink = std::function<void(std::string_view line)>;
// Replaces where log lines go (tests capture them); an empty sink restores standard error.
// Returns the previous sink.
LogSink setLogSink(LogSink sink);

} // namespace sweeplight::foundation
