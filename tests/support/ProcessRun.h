#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace sweeplight::fixtures {

// What a finished program left: its exit code (-1 when it had to be killed) and its output.
struct ProcessRun {
    int exitCode { -1 };
    QString output;
    QString errors;
};

// Runs `program` to its end while this process's event loop runs (a server inside the test can
// answer it); a program still running after `seconds` is killed. Needs the application object.
ProcessRun
runProcess(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
           double seconds = 30.0);

} // namespace sweeplight::fixtures
