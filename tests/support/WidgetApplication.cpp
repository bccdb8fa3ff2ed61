#include "WidgetApplication.h"

#include <QApplication>

namespace sweeplight::fixtures {

QApplication& widgetApplication() {
    static QApplication* application = [] {
        if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
            return existing;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        // Chromium's zygote can outlive a test program that ends while it starts, and holding
        // the program's output open it keeps CTest waiting for good. Without the sandbox it can
        // go: the renderers are then the program's own children and end with it.
        const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-zygote"))
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --no-sandbox --no-zygote");
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        static int argc = 1;
        static char name[] = "sweeplight_tests";
        static char* argv[] = { name, nullptr };
        return new QApplication(argc, argv);
    }();
    return *application;
}

} // namespace sweeplight::fixtures
