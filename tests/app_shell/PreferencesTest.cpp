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
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
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

TEST_F(PreferencesTest, AbsentAndMangledValuesReadAsZeroNotGarbage) {
    QSettings(path(), QSettings::IniFormat).setValue("kRecentColorRKey", "not a number");
    ASSERT_TRUE(contentsOf(path()).contains("not a number"));
    Preferences preferences(path().toStdString());
    EXPECT_EQ(preferences.floatForKey("kRecentColorRKey"), 0.0f);
    EXPECT_FALSE(preferences.hasObjectForKey("kHasAppOpenedKey"));
    EXPECT_FALSE(preferences.boolForKey("kHasAppOpenedKey"));
    EXPECT_EQ(preferences.stringForKey("kRecentTextKey"), "");
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
    const struct {
        const char* name;
        const char* oldFile; // null: absent
        const char* newFile; // null: absent
        bool blockNewFolder; // a file where the new folder should be
        bool moved;
        const char* oldAfter;
        const char* newAfter;
    } cases[] = {
        { "first start after the update", "a=1", nullptr, false, true, "(absent)", "a=1" },
        { "already moved", nullptr, "a=2", false, true, "(absent)", "a=2" },
        { "both present: the new one wins", "a=1", "a=2", false, true, "a=1", "a=2" },
        { "nothing stored yet", nullptr, nullptr, false, true, "(absent)", "(absent)" },
        { "new folder cannot be made", "a=1", nullptr, true, false, "a=1", "(absent)" },
    };
    int index = 0;
    for (const auto& row : cases) {
        const QString root = dir.filePath(QString::number(index++));
        const QString oldPath = root + "/data/preferences.ini";
        const QString newPath = root + "/config/sweeplight/preferences.ini";
        if (row.oldFile)
            put(oldPath, row.oldFile);
        if (row.newFile)
            put(newPath, row.newFile);
        if (row.blockNewFolder)
            put(root + "/config", "not a folder");
        std::string error;
        EXPECT_EQ(Preferences::moveLegacyFile(oldPath.toStdString(), newPath.toStdString(), &error),
                  row.moved)
            << row.name;
        EXPECT_EQ(error.empty(), row.moved) << row.name << ": " << error;
        EXPECT_EQ(contentsOf(oldPath), QByteArray(row.oldAfter)) << row.name;
        EXPECT_EQ(contentsOf(newPath), QByteArray(row.newAfter)) << row.name;
    }
}

} // namespace
