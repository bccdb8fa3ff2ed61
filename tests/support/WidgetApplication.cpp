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
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        static int argc = 1;
        static char name[] = "sweeplight_tests";
        static char* argv[] = { name, nullptr };
        return new QApplication(argc, argv);
    }();
    return *application;
}

} // namespace sweeplight::fixtures
