#include "ProcessRun.h"

#include "WaitUntil.h"

#include <QProcess>

namespace sweeplight::fixtures {

ProcessRun runProcess(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment, double seconds) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    waitUntil([&] { return process.state() == QProcess::NotRunning; }, seconds);
    ProcessRun run;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace sweeplight::fixtures
