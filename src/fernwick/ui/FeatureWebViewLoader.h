#pragma once

#include <QString>
#include <QStringList>

namespace sweeplight::fernwick {

class FeatureWebViewPlugin;

// Finds and loads the web view plugin. It is looked for, in order: in the folder named by
// $SWEEPLIGHT_PLUGIN_DIR alone when that is set; else beside the program as installed
// (<bin>/../<lib>/sweeplight), then in the build tree it was built in.
class FeatureWebViewLoader final {
public:
    FeatureWebViewLoader() = delete;

    static constexpr char kPluginDirectoryVariable[] = "SWEEPLIGHT_PLUGIN_DIR";

    // The plugin, loaded by the first call that finds it and kept for the process; null, with
    // the reason in `error`, while it cannot be loaded (each call looks again).
    static FeatureWebViewPlugin* shared(QString* error = nullptr);
    static bool isLoaded();
    // Loads the plugin from the first of `folders` that holds it.
    static FeatureWebViewPlugin* load(const QStringList& folders, QString* error = nullptr);
    static QStringList searchPath();
    static QString fileName();
};

} // namespace sweeplight::fernwick
