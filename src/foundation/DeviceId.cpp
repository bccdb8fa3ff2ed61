#include "DeviceId.h"

#include "Paths.h"

#include <QDir>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QSaveFile>
#include <QStringList>
#include <QUuid>
#include <mutex>

namespace sweeplight::foundation {

namespace {

// Fixed for this application: another app hashing the same machine id with its own key gets
// an unrelated identifier.
constexpr char kApplicationKey[] = "sweeplight-device-id:4c1f6a0e-93b2-4d57-8e1a-5b0f2c7d9e36";
constexpr char kFallbackFileName[] = "device-id";
constexpr int kIdentifierLength = 40;

QByteArray fallbackMachineId() {
    const QString path = QDir(Paths::dataDirectory()).filePath(kFallbackFileName);
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly)) {
        const QByteArray stored = existing.readAll().trimmed();
        if (!stored.isEmpty())
            return stored;
    }
    const QByteArray made = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    if (Paths::ensureDataDirectory()) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(made + '\n');
            file.commit();
        }
    }
    return made;
}

} // namespace

QString DeviceId::fromMachineId(const QByteArray& machineId) {
    const QByteArray digest = QMessageAuthenticationCode::hash(
        QByteArray(kApplicationKey), machineId.trimmed(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex().left(kIdentifierLength));
}

QByteArray DeviceId::readMachineId(const QStringList& candidates) {
    for (const QString& candidate : candidates) {
        QFile file(candidate);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray id = file.read(4096).trimmed();
        if (!id.isEmpty())
            return id;
    }
    return {};
}

QString DeviceId::identifier() {
    static std::once_flag once;
    static QString identifier;
    std::call_once(once, [] {
        QByteArray machineId = readMachineId(
            { QStringLiteral("/etc/machine-id"), QStringLiteral("/var/lib/dbus/machine-id") });
        if (machineId.isEmpty())
            machineId = fallbackMachineId();
        identifier = fromMachineId(machineId);
    });
    return identifier;
}

} // namespace sweeplight::foundation
