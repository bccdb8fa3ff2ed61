#include "Paths.h"

#include <QDir>
#include <QStandardPaths>
#include <QtGlobal>
#include <mutex>

namespace sweeplight::foundation {

namespace {

std::mutex& overrideLock() {
    static std::mutex lock;
    return lock;
}

QString& dataDirectoryOverride() {
    static QString path;
    return path;
}

} // namespace

namespace {

// The folder named by the override or the environment; empty when none is.
QString namedDirectory() {
    {
        std::lock_guard guard(overrideLock());
        if (!dataDirectoryOverride().isEmpty())
            return QDir(dataDirectoryOverride()).absolutePath();
    }
    const QString fromEnvironment = qEnvironmentVariable(Paths::kDataDirectoryVariable);
    return fromEnvironment.isEmpty() ? QString() : QDir(fromEnvironment).absolutePath();
}

} // namespace

QString Paths::dataDirectory() {
    const QString named = namedDirectory();
    return named.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                           : named;
}

QString Paths::configDirectory() {
    const QString named = namedDirectory();
    return named.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                           : named;
}

bool Paths::ensureDataDirectory() {
    const QString path = dataDirectory();
    return !path.isEmpty() && QDir().mkpath(path);
}

void Paths::setDataDirectory(const QString& path) {
    std::lock_guard guard(overrideLock());
    dataDirectoryOverride() = path;
}

bool Paths::takeOption(std::vector<std::string>& arguments, const std::string& name,
                       std::string& value, bool& found, std::string* error) {
    found = false;
    const std::string withEquals = name + "=";
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--")
            return true;
        if (argument.rfind(withEquals, 0) == 0) {
            value = argument.substr(withEquals.size());
            arguments.erase(arguments.begin() + std::ptrdiff_t(index));
            found = true;
            return true;
        }
        if (argument != name)
            continue;
        if (index + 1 >= arguments.size()) {
            if (error)
                *error = name + " needs a value";
            return false;
        }
        value = arguments[index + 1];
        arguments.erase(arguments.begin() + std::ptrdiff_t(index),
                        arguments.begin() + std::ptrdiff_t(index) + 2);
        found = true;
        return true;
    }
    return true;
}

} // namespace sweeplight::foundation
