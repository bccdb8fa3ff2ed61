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
    // "preferences.ini" in the app's config folder (Paths::configDirectory()). A file left in
    // the data folder by earlier versions is moved there on first use.
    static Preferences& standardUserDefaults();
    static std::string defaultFilePath();
    // Where earlier versions kept the file: "preferences.ini" in the data folder.
    static std::string legacyFilePath();
    // Moves the file at `from` to `to` when `to` does not exist yet. An existing `to` is never
    // replaced (both are left as they are). True when nothing had to move or the move worked;
    // false with a reason, and `from` untouched, when it failed.
    static bool moveLegacyFile(const std::string& from, const std::string& to,
                               std::string* error = nullptr);

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

    // Writes pending changes; false when the file cannot be written, with one log line the
    // first time only (every later change would fail the same way).
    bool synchronize();

private:
    std::unique_ptr<QSettings> settings_;
    bool failureReported_ { false };
};

} // namespace sweeplight::foundation
