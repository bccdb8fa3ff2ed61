#include "foundation/DeviceId.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using sweeplight::foundation::DeviceId;

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
}
