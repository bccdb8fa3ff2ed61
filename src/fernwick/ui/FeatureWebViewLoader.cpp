#include "FeatureWebViewLoader.h"

#include "FeatureWebView.h"
#include "foundation/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace sweeplight::fernwick {

QString FeatureWebViewLoader::fileName() {
    return QStringLiteral(SWEEPLIGHT_WEBVIEW_PLUGIN_FILE);
}

QStringList FeatureWebViewLoader::searchPath() {
    const QString named = qEnvironmentVariable(kPluginDirectoryVariable);
    if (!named.isEmpty())
        return { named };
    QStringList folders;
    // Relative to the program, so that an installed tree can be moved as a whole.
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                   QStringLiteral(SWEEPLIGHT_INSTALLED_PLUGIN_DIR));
    folders << QStringLiteral(SWEEPLIGHT_BUILD_PLUGIN_DIR);
    return folders;
}

FeatureWebViewPlugin* FeatureWebViewLoader::load(const QStringList& folders, QString* error) {
    QStringList reasons;
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(fileName());
        if (!QFileInfo::exists(path)) {
            reasons << QStringLiteral("no %1").arg(path);
            continue;
        }
        // The loader's end leaves the library loaded (only unload() would take it away): views
        // made by the plugin may live until the process ends.
        QPluginLoader loader(path);
        auto* plugin = qobject_cast<FeatureWebViewPlugin*>(loader.instance());
        if (plugin)
            return plugin;
        reasons << QStringLiteral("%1: %2").arg(path, loader.errorString());
    }
    if (error)
        *error = QStringLiteral("the web view plugin cannot be loaded (") +
                 reasons.join(QStringLiteral("; ")) + QLatin1Char(')');
    return nullptr;
}

namespace {
FeatureWebViewPlugin* gPlugin = nullptr;
}

FeatureWebViewPlugin* FeatureWebViewLoader::shared(QString* error) {
    if (gPlugin)
        return gPlugin;
    QString reason;
    gPlugin = load(searchPath(), &reason);
    if (!gPlugin) {
        foundation::logLine("Fernwick: " + reason.toStdString());
        if (error)
            *error = reason;
    }
    return gPlugin;
}

bool FeatureWebViewLoader::isLoaded() {
    return gPlugin != nullptr;
}

} // namespace sweeplight::fernwick
