#include "foundation/InputFile.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace sweeplight::foundation {

namespace {

QString sizeText(qint64 bytes) {
    if (bytes % (qint64(1) << 20) == 0)
        return QStringLiteral("%1 MiB").arg(bytes >> 20);
    return QStringLiteral("%1 bytes").arg(bytes);
}

InputFile::Contents readBounded(QFile& file, const QString& name, qint64 maxBytes) {
    InputFile::Contents contents;
    // One byte past the limit tells "exactly at the limit" from "larger".
    contents.bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        contents.error = QStringLiteral("%1: cannot read: %2").arg(name, file.errorString());
        contents.bytes.clear();
    } else if (contents.bytes.size() > maxBytes) {
        contents.error =
            QStringLiteral("%1: larger than the limit of %2").arg(name, sizeText(maxBytes));
        contents.bytes.clear();
    }
    return contents;
}

} // namespace

InputFile::Contents InputFile::read(const QString& path, qint64 maxBytes) {
    if (path == QLatin1String("-")) {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return { {}, QStringLiteral("standard input: cannot read") };
        return readBounded(input, QStringLiteral("standard input"), maxBytes);
    }
    const QFileInfo info(path);
    if (!info.exists())
        return { {}, QStringLiteral("%1: no such file").arg(path) };
    if (!info.isFile())
        return { {}, QStringLiteral("%1: not a regular file").arg(path) };
    if (info.size() > maxBytes)
        return { {},
                 QStringLiteral("%1: larger than the limit of %2").arg(path, sizeText(maxBytes)) };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { {}, QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()) };
    return readBounded(file, path, maxBytes);
}

} // namespace sweeplight::foundation
