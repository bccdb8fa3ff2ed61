#pragma once

#include <QString>
#include <string>
#include <vector>

namespace sweeplight::foundation {

// Where the app keeps its writable files. By default the platform's private data folder of
// the application; a user or a test can point it elsewhere, strongest first: setDataDirectory
// (which the "--data-dir DIR" command-line option calls), then the environment variable
// SWEEPLIGHT_DATA_DIR, then QStandardPaths::AppDataLocation.
class Paths final {
public:
    static constexpr const char* kDataDirectoryVariable = "SWEEPLIGHT_DATA_DIR";
    static constexpr const char* kDataDirectoryOption = "--data-dir";

    // The data folder as an absolute path. It is not created here.
    static QString dataDirectory();
    // Makes sure the data folder exists; false when it cannot be made.
    static bool ensureDataDirectory();
    // An empty path removes the override.
    static void setDataDirectory(const QString& path);

    // Takes "--data-dir DIR" or "--data-dir=DIR" out of `arguments` (the program name
    // excluded) and applies it. On an option without a folder returns false with a reason
    // and leaves the arguments alone.
    static bool takeCommandLineOptions(std::vector<std::string>& arguments,
                                       std::string* error = nullptr);

    // Finds "NAME VALUE" or "NAME=VALUE" in `arguments`, removes it and hands back VALUE.
    // Returns false with a reason when NAME is last with no value; true (and `found` false)
    // when the option is absent. Shared by the other command-line overrides.
    static bool takeOption(std::vector<std::string>& arguments, const std::string& name,
                           std::string& value, bool& found, std::string* error = nullptr);
};

} // namespace sweeplight::foundation
