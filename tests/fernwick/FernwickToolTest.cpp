// sweeplight-fernwick against the reference service: each run is one start of the client.
#include "CoreApplication.h"
#include "FernwickService.h"
#include "ProcessRun.h"
#include "foundation/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using sweeplight::foundation::PropertyList;

namespace {

using ToolRun = sweeplight::fixtures::ProcessRun;

// The reference service, settings that name it and a data folder; each run is one start.
struct ToolWorld {
    QTemporaryDir folder;
    FernwickService service;
    QStringList common;

    explicit ToolWorld(const QByteArray& messages = {}) {
        sweeplight::fixtures::ensureCoreApplication();
        FernwickService::Options options;
        options.secretKey = "tool-secret";
        if (!messages.isEmpty()) {
            options.messagesPath = folder.filePath("messages.json");
            QFile file(options.messagesPath);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(messages) > 0);
        }
        EXPECT_TRUE(service.start(options));
        auto text = [](const QString& value) { return PropertyList::string(value.toStdString()); };
        PropertyList::dictionary({ { "baseurl", text(service.baseUrl()) },
                                   { "fernwickkey", text("toolapp") },
                                   { "gamekey", text("toolgame") },
                                   { "secretkey", text("tool-secret") } })
            .writeFile(folder.filePath("settings.plist"));
        common = QStringList { "--settings", folder.filePath("settings.plist"), "--data-dir",
                               folder.filePath("data") };
    }

    std::int64_t launches() const {
        auto data = PropertyList::readFile(folder.filePath("data/FernwickData.plist"));
        return data && data->find("appopened") ? data->find("appopened")->integerValue() : -1;
    }
};

// The service answers on this process's event loop, so the loop runs while the tool does.
// Nothing leaves this machine: the probed host is the loopback one.
ToolRun runTool(const QStringList& arguments, const QProcessEnvironment& extra = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("SWEEPLIGHT_FERNWICK_PROBE_HOST", "localhost");
    environment.insert(extra);
    return sweeplight::fixtures::runProcess(SWEEPLIGHT_FERNWICK_TOOL, arguments, environment);
}

} // namespace

TEST(SweeplightFernwickTool, EachRunIsALaunchThatSubmitsStoresAndPrints) {
    ToolWorld world(R"({"toolapp": {"message_title": "Hello", "message_date":
        "2026-12-01 10:00:00 +0000", "message_detail": "News", "link_1_title": "Visit",
        "link_1_url": "http://127.0.0.1/visit", "link_1_type": 2, "link_2_title": "",
        "link_2_url": "", "link_3_title": "", "link_3_url": ""}})");
    auto run = [&](const QStringList& arguments) {
        ToolRun done = runTool(world.common + arguments);
        EXPECT_EQ(done.exitCode, 0) << done.errors.toStdString();
        return done.output;
    };
    EXPECT_TRUE(run({ "url", "usage" }).startsWith(world.service.baseUrl() + "/stat/add?"));
    EXPECT_EQ(run({ "submit-score", "250" }), "success\n");
    ASSERT_EQ(world.service.scores("toolgame").size(), 1);
    EXPECT_TRUE(world.service.scores("toolgame")[0].endsWith(" 250"));
    EXPECT_EQ(world.launches(), 2) << "two runs, two launches";

    EXPECT_EQ(run({ "save-high-score", "300" }), "300\n");
    EXPECT_EQ(run({ "high-score" }), "300\n");
    EXPECT_EQ(run({ "message" }), "Hello\nNews\nVisit\nCancel\n");
    const QStringList status = run({ "status" }).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(status.size(), 6);
    EXPECT_TRUE(status[0].startsWith("hasInternet ")) << status[0].toStdString();
}

// Each failure is one line naming what was wrong; nothing that did not run counts a launch.
TEST(SweeplightFernwickTool, WhatCannotBeDoneFailsWithAOneLineReason) {
    ToolWorld world;
    QDir().mkpath(world.folder.filePath("data"));
    const QString dataFile = world.folder.filePath("data/FernwickData.plist");
    PropertyList::dictionary({ { "appopened", PropertyList::integer(4) } }).writeFile(dataFile);
    const QString missing = world.folder.filePath("missing.plist");
    const struct {
        QStringList arguments;
        int exitCode;
        QString reason;
    } rows[] = {
        // A settings file named on purpose is not replaced by the built-in service.
        { { "--settings", missing, "--data-dir", world.folder.filePath("data"), "status" },
          1,
          missing },
        { world.common + QStringList { "submit-score", "many" }, 2, "many" },
        { world.common + QStringList { "location", "1.5x", "2" }, 2, "'1.5x' is not a number" },
        { world.common + QStringList { "save-high-score", "7" }, 1, "no high score record" },
    };
    for (const auto& row : rows) {
        ToolRun run = runTool(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.reason.toStdString();
        EXPECT_EQ(run.output, "");
        const QString reason = run.errors.trimmed().section('\n', -1); // after any log lines
        EXPECT_TRUE(reason.startsWith("sweeplight-fernwick: ") && reason.contains(row.reason))
            << run.errors.toStdString();
    }
    EXPECT_EQ(world.launches(), 5) << "only the high score run started the client";
    EXPECT_FALSE(PropertyList::readFile(dataFile)->find("highscore"));
}

// In a decimal-comma locale made for the test (not the machine's), "1.5" is still one and a half.
TEST(SweeplightFernwickTool, CoordinatesAreReadWithADecimalPointWhateverTheLocale) {
    ToolWorld world;
    const QString locales = world.folder.path();
    QProcess::execute("localedef", { "-i", "de_DE", "-f", "UTF-8", locales + "/de_DE.UTF-8" });
    if (!QFileInfo::exists(locales + "/de_DE.UTF-8/LC_NUMERIC"))
        GTEST_SKIP() << "localedef cannot make a decimal-comma locale here";
    QProcessEnvironment comma;
    comma.insert("LOCPATH", locales);
    comma.insert("LC_ALL", "de_DE.UTF-8");
    ToolRun run = runTool(world.common + QStringList { "location", "1.5", "-0.125" }, comma);
    EXPECT_EQ(run.output, "sent\n") << run.errors.toStdString();
    EXPECT_EQ(world.service.locationCount("toolapp"), 1);
}
