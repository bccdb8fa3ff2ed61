#include "foundation/InputFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sweeplight::foundation {
namespace {

TEST(InputFile, ReadsUpToTheLimitAndRefusesWhatIsLargerOrNotARegularFile) {
    QTemporaryDir directory;
    const QString path = directory.filePath("ten.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();

    const InputFile::Contents exact = InputFile::read(path, 10);
    EXPECT_TRUE(exact.ok());
    EXPECT_EQ(exact.bytes, "0123456789");

    const InputFile::Contents larger = InputFile::read(path, 9);
    EXPECT_FALSE(larger.ok());
    EXPECT_TRUE(larger.bytes.isEmpty());
    EXPECT_TRUE(larger.error.contains("limit of 9 bytes")) << larger.error.toStdString();

    for (const QString& unbounded : { directory.path(), QStringLiteral("/dev/zero") })
        EXPECT_EQ(InputFile::read(unbounded).error, unbounded + ": not a regular file");
}

} // namespace
} // namespace sweeplight::foundation
