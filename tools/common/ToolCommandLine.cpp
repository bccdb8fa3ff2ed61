#include "ToolCommandLine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cmath>
#include <cstdio>

namespace sweeplight::tools {

namespace {

void printLine(std::FILE* stream, const QString& text) {
    // The program's own name: a tool may rename the application to share the app's folders.
    const QString tool = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    std::fprintf(stream, "%s: %s\n", qPrintable(tool), qPrintable(text));
}

} // namespace

ToolCommandLine::ToolCommandLine(const QString& description,
                                 const QList<QCommandLineOption>& options) {
    QCoreApplication::setApplicationVersion(QStringLiteral(SWEEPLIGHT_VERSION));
    parser_.setApplicationDescription(description);
    parser_.addHelpOption();
    parser_.addVersionOption();
    parser_.addOptions(options);
}

void ToolCommandLine::process(const QCoreApplication& application) {
    if (!parser_.parse(application.arguments()))
        throw UsageError { parser_.errorText() };
    if (parser_.isSet(QStringLiteral("help")))
        parser_.showHelp(0);
    if (parser_.isSet(QStringLiteral("version")))
        parser_.showVersion();
}

double ToolCommandLine::number(const QString& name) const {
    const QString text = parser_.value(name);
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw UsageError { QStringLiteral("--%1 needs a number, not '%2'").arg(name, text) };
    return value;
}

qint64 ToolCommandLine::wholeNumber(const QString& name, qint64 minimum, qint64 maximum) const {
    const QString text = parser_.value(name);
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < minimum || value > maximum)
        throw UsageError { QStringLiteral("--%1 needs a whole number from %2 to %3, not '%4'")
                               .arg(name)
                               .arg(minimum)
                               .arg(maximum)
                               .arg(text) };
    return value;
}

int fail(const QString& message) {
    printLine(stderr, message);
    return kExitFailure;
}

int runTool(const std::function<int()>& body) {
    try {
        return body();
    } catch (const UsageError& usage) {
        printLine(stderr, usage.message);
        return kExitUsage;
    }
}

} // namespace sweeplight::tools
