#include "foundation/DeviceId.h"
#include "foundation/Paths.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using sweeplight::foundation::DeviceId;
using sweeplight::foundation::Paths;

// Every command-line override (the data folder, the settings file, the scale) is taken out of the
// arguments this way, before Qt sees them; a name without a value is refused and taken nowhere.
TEST(Paths, OptionsAreTakenOutOfTheArgumentsInEitherForm) {
    using Args = std::vector<std::string>;
    for (Args arguments :
         { Args { "a", "--data-dir", "/d", "--flag" }, Args { "a", "--data-dir=/d", "--flag" } }) {
        std::string value;
        bool found = false;
        ASSERT_TRUE(Paths::takeOption(arguments, "--data-dir", value, found));
        EXPECT_TRUE(found && value == "/d");
        EXPECT_EQ(arguments, (Args { "a", "--flag" }));
    }
    Args arguments { "a", "--data-dir" };
    std::string value, error;
    bool found = false;
    EXPECT_FALSE(Paths::takeOption(arguments, "--data-dir", value, found, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(arguments.size(), 2u);
}

// The service keys scores by the id, so it must not change between runs; it must not reveal the
// machine's own id either.
TEST(DeviceId, IsAStableKeyedHashOfTheFirstNonEmptyMachineIdThatNeverShowsIt) {
    const QByteArray machineId = "0123456789abcdef0123456789abcdef";
    const QString id = DeviceId::fromMachineId(machineId);
    EXPECT_EQ(id, DeviceId::fromMachineId(machineId + "\n"));
    EXPECT_NE(id, DeviceId::fromMachineId("fedcba9876543210fedcba9876543210"));
    EXPECT_FALSE(id.contains(QString::fromLatin1(machineId.left(8))));
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{40}$").match(id).hasMatch()) << id.toStdString();

    QTemporaryDir folder;
    for (const auto& [name, text] : { std::pair { "empty", "\n" }, { "real", "abc123\n" } }) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    EXPECT_EQ(DeviceId::readMachineId({ folder.filePath("missing"), folder.filePath("empty"),
                                        folder.filePath("real") }),
              "abc123");
    EXPECT_EQ(DeviceId::identifier(), DeviceId::identifier());
}
