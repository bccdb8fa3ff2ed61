#include "Log.h"

#include <QDebug>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSweeplight, "sweeplight", QtWarningMsg)

namespace sweeplight::foundation {

namespace {

LogSink& currentSink() {
    static LogSink sink;
    return sink;
}

void write(const QLoggingCategory& category, QtMsgType type, std::string_view line) {
    if (!category.isEnabled(type))
        return;
    if (const LogSink& sink = currentSink()) {
        sink(line);
        return;
    }
    const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    if (type == QtDebugMsg)
        QMessageLogger(nullptr, 0, nullptr, category.categoryName()).debug().noquote() << text;
    else
        QMessageLogger(nullptr, 0, nullptr, category.categoryName()).warning().noquote() << text;
}

} // namespace

void logLine(const QLoggingCategory& category, std::string_view line) {
    write(category, QtDebugMsg, line);
}

void logWarning(const QLoggingCategory& category, std::string_view line) {
    write(category, QtWarningMsg, line);
}

void logLine(std::string_view line) {
    write(lcSweeplight(), QtWarningMsg, line);
}

const QLoggingCategory& generalLogCategory() {
    return lcSweeplight();
}

LogSink setLogSink(LogSink sink) {
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

} // namespace sweeplight::foundation
