#pragma once

#include <QString>
#include <string>
#include <vector>

namespace sweeplight::foundation {

// Where the app keeps its writable files: the service client's data in the user's data folder
// (QStandardPaths::AppDataLocation, ~/.local/share/<app>), the preferences in the user's
// config folder (AppConfigLocation, ~/.config/<app>). A user or a test can move both into one
// folder, strongest first: setDataDirectory (which the "--data-dir DIR" command-line option
// calls), then the environment variable SWEEPLIGHT_DATA_DIR.
class Paths final {
public:
    static constexpr const char* kDataDirectoryVariable = "SWEEPLIGHT_DATA_DIR";
    static constexpr const char* kDataDirectoryOption = "--data-dir";

    // The data folder as an absolute path. It is not created here.
    static QString dataDirectory();
    // The folder of the preferences: the data folder when one was named, else the user's
    // config folder. Absolute; not created here.
    static QString configDirectory();
    // Makes sure the data folder exists; false when it cannot be made.
    static bool ensureDataDirectory();
    // An empty path removes the override.
    static void setDataDirectory(const QString& path);

    // Finds "NAME VALUE" or "NAME=VALUE" in `arguments`, removes it and hands back VALUE.
    // Returns false with a reason when NAME is last with no value; true (and `found` false)
    // when the option is absent. Shared by the other command-line overrides.
    static bool takeOption(std::vector<std::string>& arguments, const std::string& name,
                           std::string& value, bool& found, std::string* error = nullptr);
};

} // namespace sweeplight::foundation
