#pragma once

#include <QVariant>
#include <memory>
#include <string>

class QSettings;

namespace sweeplight::foundation {

// The per-user key-value store. Every change is written to disk before the setter returns, so a
// process that is killed afterwards loses nothing it had already stored.
class Preferences final {
public:
    // Preferences kept in the INI file at `filePath` (created on the first change).
    explicit Preferences(const std::string& filePath);
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    // The user's preferences: the file named by SWEEPLIGHT_PREFERENCES when set, else
    // "preferences.ini" in the app's data folder (Paths::dataDirectory()).
    static Preferences& standardUserDefaults();
    static std::string defaultFilePath();

    std::string filePath() const;

    // The stored value, or an invalid QVariant when the key is absent.
    QVariant objectForKey(const std::string& key) const;
    bool hasObjectForKey(const std::string& key) const;
    // Absent or unreadable values read as false / 0 / empty, as the platform's store does.
    bool boolForKey(const std::string& key) const;
    float floatForKey(const std::string& key) const;
    std::string stringForKey(const std::string& key) const;

    void setBool(bool value, const std::string& key);
    void setFloat(float value, const std::string& key);
    void setObject(const std::string& value, const std::string& key);
    void removeObjectForKey(const std::string& key);

    // Writes pending changes; false (and one log line) when the file cannot be written.
    bool synchronize();

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace sweeplight::foundation
