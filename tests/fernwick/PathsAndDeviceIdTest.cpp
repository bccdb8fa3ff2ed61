#include "foundation/DeviceId.h"
#include "foundation/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using sweeplight::foundation::DeviceId;
using sweeplight::foundation::Paths;

TEST(Paths, SetterWinsOverEnvironmentWhichWinsOverTheStandardFolder) {
    Paths::setDataDirectory({});
    qunsetenv(Paths::kDataDirectoryVariable);
    const QString standard = Paths::dataDirectory();
    EXPECT_FALSE(standard.isEmpty());
    // Linux keeps settings and data apart unless one folder is named for both.
    EXPECT_NE(Paths::configDirectory(), standard);

    qputenv(Paths::kDataDirectoryVariable, "/tmp/from-environment");
    EXPECT_EQ(Paths::dataDirectory(), "/tmp/from-environment");
    EXPECT_EQ(Paths::configDirectory(), "/tmp/from-environment");
    Paths::setDataDirectory("/tmp/from-setter");
    EXPECT_EQ(Paths::dataDirectory(), "/tmp/from-setter");
    EXPECT_EQ(Paths::configDirectory(), "/tmp/from-setter");

    Paths::setDataDirectory({});
    qunsetenv(Paths::kDataDirectoryVariable);
    EXPECT_EQ(Paths::dataDirectory(), standard);
}

TEST(Paths, CommandLineOptionIsTakenOutOfTheArguments) {
    std::vector<std::string> arguments { "status", "--data-dir", "/tmp/cli-folder", "--flag" };
    ASSERT_TRUE(Paths::takeCommandLineOptions(arguments));
    EXPECT_EQ(arguments, (std::vector<std::string> { "status", "--flag" }));
    EXPECT_EQ(Paths::dataDirectory(), "/tmp/cli-folder");

    arguments = { "--data-dir=/tmp/other", "usage" };
    ASSERT_TRUE(Paths::takeCommandLineOptions(arguments));
    EXPECT_EQ(arguments, std::vector<std::string> { "usage" });
    EXPECT_EQ(Paths::dataDirectory(), "/tmp/other");

    arguments = { "usage", "--data-dir" };
    std::string error;
    EXPECT_FALSE(Paths::takeCommandLineOptions(arguments, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(arguments.size(), 2u);
    Paths::setDataDirectory({});
}

TEST(DeviceId, IsAStableKeyedHashThatNeverShowsTheMachineId) {
    const QByteArray machineId = "0123456789abcdef0123456789abcdef";
    const QString id = DeviceId::fromMachineId(machineId);
    EXPECT_EQ(id.size(), 40);
    EXPECT_EQ(id, DeviceId::fromMachineId(machineId + "\n"));
    EXPECT_NE(id, DeviceId::fromMachineId("fedcba9876543210fedcba9876543210"));
    EXPECT_FALSE(id.contains(QString::fromLatin1(machineId.left(8))));
    for (QChar c : id)
        EXPECT_TRUE(c.isDigit() || (c >= 'a' && c <= 'f'));
}

TEST(DeviceId, ReadsTheFirstNonEmptyMachineIdFile) {
    QTemporaryDir folder;
    for (const auto& [name, text] : { std::pair { "empty", "\n" }, { "real", "abc123\n" } }) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    EXPECT_EQ(DeviceId::readMachineId({ folder.filePath("missing"), folder.filePath("empty"),
                                        folder.filePath("real") }),
              "abc123");
    EXPECT_TRUE(DeviceId::readMachineId({ folder.filePath("missing") }).isEmpty());
    EXPECT_EQ(DeviceId::identifier(), DeviceId::identifier());
    EXPECT_EQ(DeviceId::identifier().size(), 40);
}
