#include "FernwickTestSupport.h"
#include "LogCapture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace fernwick_test;
using sweeplight::foundation::PropertyList;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

TEST(FernwickStore, SavedScoreReplacesTheOldOneAndIsMarkedForSubmission) {
    ClientWorld world(ClientWorld::Settings);
    auto client = world.start();
    EXPECT_EQ(QFile::permissions(world.dataFile()) & 0x0fff, QFile::ReadUser | QFile::WriteUser)
        << "for its owner only from its first copy";
    EXPECT_TRUE(client->hasLastScoreSubmitted());
    EXPECT_TRUE(client->saveHighScore(500));
    EXPECT_EQ(client->getHighScore(), 500);
    EXPECT_FALSE(client->hasLastScoreSubmitted());
    client->saveHighScore(20);
    EXPECT_EQ(client->getHighScore(), 20) << "the host decides what is high";
    // Saved at once, not only with the delayed save.
    EXPECT_EQ(world.storedData()->find("highscore")->find("score")->asInteger(), 20);
    EXPECT_TRUE(world.storedShouldSubmit());
}

TEST(FernwickStore, SettingsAreSavedToTheDataFolderOnly) {
    ClientWorld world(ClientWorld::Settings);
    const QByteArray original = readAll(world.settingsFile());
    auto client = world.start();
    client->saveSettings2();
    auto saved = PropertyList::readFile(client->savedSettingsFilePath());
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved->find("secretkey")->asString(), kSecret);
    EXPECT_EQ(readAll(world.settingsFile()), original);
}

// A data file that cannot be used is left exactly as it is, and the client runs on without it.
// Whatever the parser refuses (nesting, NULs: its own tests) is refused the same way.
// An unwritable data folder (a file in its place) is the same, and said once.
TEST(FernwickStore, SetupRunsOnAndAnUnreadableFileIsNeverOverwritten) {
    const std::pair<bool, QByteArray> rows[] = {
        { false, QByteArray() },
        { false, "<plist><array><integer>3</integer></array></plist>" },
        { true, "not a folder" },
    };
    for (const auto& [folder, contents] : rows) {
        ClientWorld world(ClientWorld::Settings);
        const QString path = folder ? world.dataDirectory() : world.dataFile();
        writeRaw(path, contents);
        fixtures::LogCapture log;
        auto client = world.start();
        EXPECT_EQ(client->dataDictionary(), nullptr);
        EXPECT_EQ(client->appOpened(), 1);
        EXPECT_FALSE(client->saveHighScore(99));
        EXPECT_EQ(client->getHighScore(), 0);
        world.loop.advance(5.0);
        EXPECT_EQ(readAll(path), contents);
        EXPECT_TRUE(world.fatalErrors.empty());
        EXPECT_TRUE(!folder || log.lines().size() == 1u) << log.lines().size();
    }
}

TEST(FernwickStore, MembersOfTheWrongTypeAreReadAsAbsent) {
    ClientWorld world(ClientWorld::Settings);
    QDir().mkpath(world.dataDirectory());
    using P = PropertyList;
    P::dictionary({ { "appopened", P::string("41") },
                    { "highscore", P::array({ P::integer(5) }) },
                    { "lastmessagedate", P::integer(12) } })
        .writeFile(world.dataFile());
    auto client = world.start();
    EXPECT_EQ(client->appOpened(), 42) << "a numeric text still counts";
    EXPECT_FALSE(client->saveHighScore(3)) << "nothing was stored";
    EXPECT_EQ(client->getHighScore(), 0);
    EXPECT_TRUE(client->hasLastScoreSubmitted());
    world.loop.advance(2.0);
    const auto data = world.storedData();
    ASSERT_TRUE(data && data->find("highscore")->is(PropertyList::Type::Array)) << "kept as it was";
    EXPECT_EQ(data->find("appopened")->asInteger(), 42);
}
