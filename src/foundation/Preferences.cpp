#include "Preferences.h"

#include "Log.h"
#include "Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cstdlib>

namespace sweeplight::foundation {

namespace {
constexpr const char* kPreferencesEnvironmentVariable = "SWEEPLIGHT_PREFERENCES";
constexpr const char* kPreferencesFileName = "preferences.ini";

QString toKey(const std::string& key) {
    return QString::fromStdString(key);
}
} // namespace

Preferences::Preferences(const std::string& filePath)
    : settings_(
          std::make_unique<QSettings>(QString::fromStdString(filePath), QSettings::IniFormat)) {}

Preferences::~Preferences() = default;

Preferences& Preferences::standardUserDefaults() {
    static Preferences preferences([] {
        const std::string path = defaultFilePath();
        std::string error;
        if (!std::getenv(kPreferencesEnvironmentVariable) &&
            !moveLegacyFile(legacyFilePath(), path, &error))
            logLine("Preferences: " + error + "; the old file is read where it is");
        return QFileInfo::exists(QString::fromStdString(path)) ||
                       !QFileInfo::exists(QString::fromStdString(legacyFilePath()))
                   ? path
                   : legacyFilePath();
    }());
    return preferences;
}

std::string Preferences::defaultFilePath() {
    if (const char* path = std::getenv(kPreferencesEnvironmentVariable); path && *path)
        return path;
    // "--data-dir" moves this too, so that a run's whole state can live in one folder.
    return QDir(Paths::configDirectory()).filePath(kPreferencesFileName).toStdString();
}

std::string Preferences::legacyFilePath() {
    return QDir(Paths::dataDirectory()).filePath(kPreferencesFileName).toStdString();
}

bool Preferences::moveLegacyFile(const std::string& from, const std::string& to,
                                 std::string* error) {
    const QString source = QString::fromStdString(from);
    const QString target = QString::fromStdString(to);
    if (QFileInfo(source) == QFileInfo(target) || !QFileInfo::exists(source) ||
        QFileInfo::exists(target))
        return true;
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = "cannot create " + folder.toStdString() + " to move " + from + " into";
        return false;
    }
    // A rename is atomic; across file systems the copy is made whole before the original goes.
    if (QFile::rename(source, target))
        return true;
    if (!QFile::copy(source, target)) {
        if (error)
            *error = "cannot move " + from + " to " + to;
        return false;
    }
    QFile::remove(source);
    return true;
}

std::string Preferences::filePath() const {
    return settings_->fileName().toStdString();
}

QVariant Preferences::objectForKey(const std::string& key) const {
    return settings_->value(toKey(key));
}

bool Preferences::hasObjectForKey(const std::string& key) const {
    return settings_->contains(toKey(key));
}

bool Preferences::boolForKey(const std::string& key) const {
    return settings_->value(toKey(key), false).toBool();
}

float Preferences::floatForKey(const std::string& key) const {
    bool ok = false;
    float value = settings_->value(toKey(key)).toFloat(&ok);
    return ok ? value : 0.0f;
}

std::string Preferences::stringForKey(const std::string& key) const {
    return settings_->value(toKey(key)).toString().toStdString();
}

void Preferences::setBool(bool value, const std::string& key) {
    settings_->setValue(toKey(key), value);
    synchronize();
}

void Preferences::setFloat(float value, const std::string& key) {
    // Stored as a double: the INI format writes doubles as plain numbers, floats as binary blobs.
    settings_->setValue(toKey(key), static_cast<double>(value));
    synchronize();
}

void Preferences::setObject(const std::string& value, const std::string& key) {
    settings_->setValue(toKey(key), QString::fromStdString(value));
    synchronize();
}

void Preferences::removeObjectForKey(const std::string& key) {
    settings_->remove(toKey(key));
    synchronize();
}

bool Preferences::synchronize() {
    // QSettings creates missing folders itself only for its default locations.
    QDir().mkpath(QFileInfo(settings_->fileName()).absolutePath());
    settings_->sync();
    if (settings_->status() == QSettings::NoError)
        return true;
    if (!failureReported_)
        logLine("Preferences cannot be written to " + settings_->fileName().toStdString() +
                "; changes last until the app quits");
    failureReported_ = true;
    return false;
}

} // namespace sweeplight::foundation
