#include "OutputFile.h"

#include <QFile>

namespace sweeplight::tools {

QString writeOutputFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("%1: cannot write: %2").arg(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        return QStringLiteral("%1: cannot write: %2").arg(path, reason);
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("%1: cannot write: %2").arg(path, file.errorString());
    return {};
}

} // namespace sweeplight::tools
