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

// The service answers on this process's event loop, so the loop runs while the tool does.
ToolRun runTool(const QStringList& arguments, const QProcessEnvironment& extra = {}) {
    // Nothing leaves this machine: the probed host is the loopback one.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SWEEPLIGHT_FERNWICK_PROBE_HOST"),
                       QStringLiteral("localhost"));
    environment.insert(extra);
    return sweeplight::fixtures::runProcess(QStringLiteral(SWEEPLIGHT_FERNWICK_TOOL), arguments,
                                            environment);
}

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
            file.open(QIODevice::WriteOnly);
            file.write(messages);
        }
        EXPECT_TRUE(service.start(options));
        PropertyList::dictionary(
            {
                { "baseurl", PropertyList::string(service.baseUrl().toStdString()) },
                { "fernwickkey", PropertyList::string("toolapp") },
                { "gamekey", PropertyList::string("toolgame") },
                { "secretkey", PropertyList::string("tool-secret") },
            })
            .writeFile(folder.filePath("settings.plist"));
        common = QStringList { "--settings", folder.filePath("settings.plist"), "--data-dir",
                               folder.filePath("data") };
    }

    std::int64_t launches() const {
        auto data = PropertyList::readFile(folder.filePath("data/FernwickData.plist"));
        return data && data->find("appopened") ? data->find("appopened")->integerValue() : -1;
    }
};

} // namespace

TEST(SweeplightFernwickTool, CountsALaunchPerRunAndSubmitsScores) {
    ToolWorld world;
    const QStringList& common = world.common;
    FernwickService& service = world.service;

    ToolRun url = runTool(common + QStringList { "url", "usage" });
    ASSERT_EQ(url.exitCode, 0) << url.errors.toStdString();
    EXPECT_TRUE(url.output.startsWith(service.baseUrl() + "/stat/add?sig_device_id="));

    ToolRun submit = runTool(common + QStringList { "submit-score", "250" });
    ASSERT_EQ(submit.exitCode, 0) << submit.errors.toStdString();
    EXPECT_EQ(submit.output, "success\n");
    ASSERT_EQ(service.scores("toolgame").size(), 1);
    EXPECT_TRUE(service.scores("toolgame")[0].endsWith(" 250"));
    EXPECT_EQ(world.launches(), 2) << "two runs, two launches";

    ToolRun wrong = runTool(common + QStringList { "submit-score", "many" });
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_FALSE(wrong.errors.isEmpty());
    EXPECT_EQ(world.launches(), 2) << "a rejected command starts nothing";
}

TEST(SweeplightFernwickTool, StoresAndReadsTheHighScoreAndPrintsTheMessageAndTheStatus) {
    ToolWorld world(R"({"toolapp": {"message_title": "Hello", "message_date":
        "2026-12-01 10:00:00 +0000", "message_detail": "News", "link_1_title": "Visit",
        "link_1_url": "http://127.0.0.1/visit", "link_1_type": 2, "link_2_title": "",
        "link_2_url": "", "link_3_title": "", "link_3_url": ""}})");
    ToolRun save = runTool(world.common + QStringList { "save-high-score", "300" });
    EXPECT_EQ(save.exitCode, 0) << save.errors.toStdString();
    EXPECT_EQ(save.output, "300\n");
    EXPECT_EQ(runTool(world.common + QStringList { "high-score" }).output, "300\n");
    EXPECT_EQ(runTool(world.common + QStringList { "message" }).output,
              "Hello\nNews\nVisit\nCancel\n");

    const QStringList status =
        runTool(world.common + QStringList { "status" }).output.split('\n', Qt::SkipEmptyParts);
    const QStringList names { "hasInternet",
                              "hasHost",
                              "hasWifi",
                              "remoteHostStatus",
                              "internetConnectionStatus",
                              "localWiFiConnectionStatus" };
    ASSERT_EQ(status.size(), names.size());
    for (int line = 0; line < names.size(); ++line)
        EXPECT_TRUE(status[line].startsWith(names[line] + ' ')) << status[line].toStdString();
}

TEST(SweeplightFernwickTool, WhatCannotBeDoneFailsWithAOneLineReason) {
    ToolWorld world;
    QDir().mkpath(world.folder.filePath("data"));
    const QString dataFile = world.folder.filePath("data/FernwickData.plist");
    PropertyList::dictionary({ { "appopened", PropertyList::integer(4) } }).writeFile(dataFile);

    // A settings file named on purpose is not replaced by the built-in service.
    ToolRun settings = runTool({ "--settings", world.folder.filePath("missing.plist"), "--data-dir",
                                 world.folder.filePath("data"), "status" });
    EXPECT_EQ(settings.exitCode, 1);
    EXPECT_TRUE(settings.errors.contains("sweeplight-fernwick: the settings file " +
                                         world.folder.filePath("missing.plist") +
                                         " cannot be read\n"))
        << settings.errors.toStdString();
    EXPECT_EQ(world.launches(), 4) << "nothing ran, so no launch is counted";

    ToolRun garbage = runTool(world.common + QStringList { "location", "1.5x", "2" });
    EXPECT_EQ(garbage.exitCode, 2);
    EXPECT_EQ(garbage.errors,
              "sweeplight-fernwick: location needs LAT LNG in degrees; '1.5x' is not a number\n");

    ToolRun save = runTool(world.common + QStringList { "save-high-score", "7" });
    EXPECT_EQ(save.exitCode, 1);
    EXPECT_EQ(save.output, "");
    EXPECT_EQ(save.errors, "sweeplight-fernwick: the data file holds no high score record; "
                           "nothing was stored\n");
    EXPECT_FALSE(PropertyList::readFile(dataFile)->find("highscore"));
}

TEST(SweeplightFernwickTool, CoordinatesAreReadWithADecimalPointWhateverTheLocale) {
    ToolWorld world;
    // A decimal-comma locale made for this test, so that it does not depend on the machine's.
    const QString locales = world.folder.filePath("locales");
    QDir().mkpath(locales);
    QProcess localedef;
    localedef.start("localedef", { "-i", "de_DE", "-f", "UTF-8", locales + "/de_DE.UTF-8" });
    localedef.waitForFinished(-1);
    if (!QFileInfo::exists(locales + "/de_DE.UTF-8/LC_NUMERIC"))
        GTEST_SKIP() << "localedef cannot make a decimal-comma locale here";
    QProcessEnvironment comma;
    comma.insert("LOCPATH", locales);
    comma.insert("LC_ALL", "de_DE.UTF-8");
    ToolRun run = runTool(world.common + QStringList { "location", "1.5", "-0.125" }, comma);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.output, "sent\n");
    EXPECT_EQ(world.service.locationCount("toolapp"), 1);
}
