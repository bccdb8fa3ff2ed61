#include "Preferences.h"

#include "Log.h"
#include "Paths.h"

#include <QDir>
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
    static Preferences preferences(defaultFilePath());
    return preferences;
}

std::string Preferences::defaultFilePath() {
    if (const char* path = std::getenv(kPreferencesEnvironmentVariable); path && *path)
        return path;
    // Next to the app's other files, so "--data-dir" moves the whole state of a run.
    return QDir(Paths::dataDirectory()).filePath(kPreferencesFileName).toStdString();
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
    logLine("Preferences could not be written to " + settings_->fileName().toStdString());
    return false;
}

} // namespace sweeplight::foundation
