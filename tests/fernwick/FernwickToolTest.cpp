// sweeplight-fernwick against the reference service: each run is one start of the client.
#include "FernwickService.h"
#include "foundation/PropertyList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using sweeplight::foundation::PropertyList;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString output;
    QString errors;
};

// The service answers on this process's event loop, so the loop runs while the tool does.
ToolRun runTool(const QStringList& arguments) {
    QProcess process;
    // Nothing leaves this machine: the probed host is the loopback one.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SWEEPLIGHT_FERNWICK_PROBE_HOST"),
                       QStringLiteral("localhost"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SWEEPLIGHT_FERNWICK_TOOL), arguments);
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(20);
    }
    ToolRun run;
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

} // namespace

TEST(SweeplightFernwickTool, CountsALaunchPerRunAndSubmitsScores) {
    static int argc = 1;
    static char name[] = "fernwick_tool_tests";
    static char* argv[] = { name, nullptr };
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    FernwickService service;
    FernwickService::Options options;
    options.secretKey = "tool-secret";
    ASSERT_TRUE(service.start(options));
    PropertyList::dictionary(
        {
            { "baseurl", PropertyList::string(service.baseUrl().toStdString()) },
            { "fernwickkey", PropertyList::string("toolapp") },
            { "gamekey", PropertyList::string("toolgame") },
            { "secretkey", PropertyList::string("tool-secret") },
        })
        .writeFile(folder.filePath("settings.plist"));
    const QStringList common { "--settings", folder.filePath("settings.plist"), "--data-dir",
                               folder.filePath("data") };

    ToolRun url = runTool(common + QStringList { "url", "usage" });
    ASSERT_EQ(url.exitCode, 0) << url.errors.toStdString();
    EXPECT_TRUE(url.output.startsWith(service.baseUrl() + "/stat/add?sig_device_id="));

    ToolRun submit = runTool(common + QStringList { "submit-score", "250" });
    ASSERT_EQ(submit.exitCode, 0) << submit.errors.toStdString();
    EXPECT_EQ(submit.output, "success\n");
    ASSERT_EQ(service.scores("toolgame").size(), 1);
    EXPECT_TRUE(service.scores("toolgame")[0].endsWith(" 250"));

    auto data = PropertyList::readFile(folder.filePath("data/FernwickData.plist"));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->find("appopened")->asInteger(), 2) << "two runs, two launches";

    ToolRun wrong = runTool(common + QStringList { "submit-score", "many" });
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_FALSE(wrong.errors.isEmpty());
    data = PropertyList::readFile(folder.filePath("data/FernwickData.plist"));
    EXPECT_EQ(data->find("appopened")->asInteger(), 2) << "a rejected command starts nothing";
}
