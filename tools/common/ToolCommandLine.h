#pragma once

#include <QCommandLineParser>
#include <QString>
#include <functional>

class QCoreApplication;

namespace sweeplight::tools {

// The convention every tool follows: --help and --version come from the parser; a usage error
// names the bad argument and exits with kExitUsage; a failure at run time exits with
// kExitFailure after one sentence a person can act on, "tool: what went wrong".
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Thrown while reading the command line; runTool reports it and exits with kExitUsage.
struct UsageError {
    QString message;
};

class ToolCommandLine final {
public:
    ToolCommandLine(const QString& description, const QList<QCommandLineOption>& options);

    QCommandLineParser& parser() { return parser_; }

    // Parses the application's arguments. --help and --version print and exit 0; an option
    // the parser does not know, or one missing its value, is a UsageError.
    void process(const QCoreApplication& application);

    bool isSet(const QString& name) const { return parser_.isSet(name); }
    QString value(const QString& name) const { return parser_.value(name); }
    QStringList positionalArguments() const { return parser_.positionalArguments(); }

    // The option's value as a finite number; a UsageError naming the option otherwise.
    double number(const QString& name) const;
    // The option's value as a whole number from `minimum` to `maximum`.
    qint64 wholeNumber(const QString& name, qint64 minimum, qint64 maximum) const;

private:
    QCommandLineParser parser_;
};

// Prints "tool: message" on standard error and returns kExitFailure.
int fail(const QString& message);

// Runs a tool's body: a UsageError becomes "tool: message" and kExitUsage.
int runTool(const std::function<int()>& body);

} // namespace sweeplight::tools
