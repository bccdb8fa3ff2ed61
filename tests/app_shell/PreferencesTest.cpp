#include "foundation/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using sweeplight::foundation::Preferences;

namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("-");
}

void put(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class PreferencesTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("prefs/preferences.ini"); }
    QTemporaryDir dir;
};

TEST_F(PreferencesTest, EveryChangeIsOnDiskBeforeTheSetterReturnsAndReadsBackTyped) {
    Preferences preferences(path().toStdString());
    preferences.setObject("hey!", "kRecentTextKey");
    preferences.setFloat(0.4f, "kRecentColorRKey");
    preferences.setBool(false, "kRainbowOnKey");
    preferences.setObject("x", "gone");
    preferences.removeObjectForKey("gone");
    // The file's own bytes, read while the writer is still alive: a process killed at this point
    // has lost nothing. (A second QSettings would be served from the first one's unsaved
    // changes, shared within the process.)
    const QByteArray onDisk = contentsOf(path());
    for (const char* line : { "kRecentTextKey=hey!", "kRecentColorRKey=", "kRainbowOnKey=false" })
        EXPECT_TRUE(onDisk.contains(line)) << onDisk.toStdString();
    EXPECT_FALSE(onDisk.contains("gone"));

    Preferences reopened(path().toStdString());
    EXPECT_FLOAT_EQ(reopened.floatForKey("kRecentColorRKey"), 0.4f);
    EXPECT_TRUE(reopened.hasObjectForKey("kRainbowOnKey"));
    EXPECT_FALSE(reopened.boolForKey("kRainbowOnKey"));
    EXPECT_EQ(reopened.stringForKey("kRecentTextKey"), "hey!");
}

TEST_F(PreferencesTest, AMangledValueReadsAsZeroAndAnAbsentOneAsAbsent) {
    QSettings(path(), QSettings::IniFormat).setValue("kRecentColorRKey", "not a number");
    Preferences preferences(path().toStdString());
    EXPECT_EQ(preferences.floatForKey("kRecentColorRKey"), 0.0f);
    EXPECT_FALSE(preferences.hasObjectForKey("kHasAppOpenedKey"));
}

TEST_F(PreferencesTest, AFileThatCannotBeWrittenIsReportedNotIgnored) {
    QDir(dir.path()).mkpath("blocked/preferences.ini"); // a folder where the file should be
    Preferences preferences(dir.filePath("blocked/preferences.ini").toStdString());
    preferences.setBool(true, "kHasAppOpenedKey");
    EXPECT_FALSE(preferences.synchronize());
}

// The file earlier versions kept in the data folder moves to the config folder once; whatever
// happens, no stored preference is lost.
TEST_F(PreferencesTest, TheOldFileMovesToTheConfigFolderAndNothingIsLost) {
    // Before: the old and new files (null: absent), and whether a file stands where the new
    // folder should be; after: both files ("-": absent).
    const struct {
        const char *oldFile, *newFile;
        bool blocked;
        const char *oldAfter, *newAfter;
    } cases[] = {
        { "a=1", nullptr, false, "-", "a=1" }, // the first start after the update
        { nullptr, "a=2", false, "-", "a=2" },
        { "a=1", "a=2", false, "a=1", "a=2" }, // the new one wins, the old one stays
        { "a=1", nullptr, true, "a=1", "-" },
    };
    for (const auto& row : cases) {
        const QString root = dir.filePath(QString::number(&row - cases));
        const QString oldPath = root + "/data/preferences.ini";
        const QString newPath = root + "/config/sweeplight/preferences.ini";
        if (row.oldFile)
            put(oldPath, row.oldFile);
        if (row.newFile)
            put(newPath, row.newFile);
        if (row.blocked)
            put(root + "/config", "not a folder");
        std::string error;
        const bool moved =
            Preferences::moveLegacyFile(oldPath.toStdString(), newPath.toStdString(), &error);
        EXPECT_EQ(moved, !row.blocked) << &row - cases;
        EXPECT_EQ(error.empty(), moved) << error;
        EXPECT_EQ(contentsOf(oldPath), row.oldAfter) << &row - cases;
        EXPECT_EQ(contentsOf(newPath), row.newAfter) << &row - cases;
    }
}

} // namespace
