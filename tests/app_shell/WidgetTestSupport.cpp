#include "WidgetTestSupport.h"

#include <QApplication>
#include <cmath>
#include <cstdlib>

namespace sweeplight::app::test {

QApplication& testApplication() {
    static int argc = 1;
    static char name[] = "app_shell_tests";
    static char* argv[] = { name, nullptr };
    static QApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // The help page's browser refuses to start as root (CI) with its sandbox on.
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        // The help page's web view needs this before the application exists.
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        return new QApplication(argc, argv);
    }();
    return *application;
}

std::string rgb(const QColor& color) {
    auto component = [](float value) {
        return std::to_string(std::lround(value * 1000) / 1000.0).substr(0, 5);
    };
    return component(color.redF()) + "," + component(color.greenF()) + "," +
           component(color.blueF());
}

} // namespace sweeplight::app::test
