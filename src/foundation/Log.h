#pragma once

#include <functional>
#include <string_view>

class QLoggingCategory;

namespace sweeplight::foundation {

// The console log goes through Qt's logging categories, one per library ("sweeplight.sweep",
// "sweeplight.fetch", ...), so that QT_LOGGING_RULES (e.g. "sweeplight.*.debug=true") picks
// what is written. Each library's category is made with
// Q_LOGGING_CATEGORY(name, "sweeplight.x", QtWarningMsg): its diagnostics stay silent until
// they are switched on, its warnings are written by default.

// A diagnostic line, written only while the category's debug output is on.
void logLine(const QLoggingCategory& category, std::string_view line);
// A problem worth telling the user about; written unless the category's warnings are off.
void logWarning(const QLoggingCategory& category, std::string_view line);
// A warning in the general "sweeplight" category.
void logLine(std::string_view line);

// The general category, for code that belongs to no library of its own.
const QLoggingCategory& generalLogCategory();

using LogSink = std::function<void(std::string_view line)>;
// Replaces where the lines that pass their category's filter go (tests capture them); an empty
// sink restores Qt's message handler. Returns the previous sink.
LogSink setLogSink(LogSink sink);

} // namespace sweeplight::foundation
