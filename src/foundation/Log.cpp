#include "Log.h"

#include <cstdio>

namespace sweeplight::foundation {

namespace {
LogSink& currentSink() {
    static LogSink sink;
    return sink;
}
} // namespace

void logLine(std::string_view line) {
    if (const LogSink& sink = currentSink()) {
        sink(line);
        return;
    }
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

LogSink setLogSink(LogSink sink) {
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

} // namespace sweeplight::foundation
