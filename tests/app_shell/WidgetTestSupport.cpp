#include "WidgetTestSupport.h"

#include "display/GlyphFont.h"
#include "display/MessageStrip.h"

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

int litLEDs(const display::MessageStrip& strip, int column) {
    int lit = 0;
    for (int row = 0; row < display::letterHeight; ++row)
        lit += strip.column(column)[row] != 0;
    return lit;
}

int fullestColumn(const display::MessageStrip& strip) {
    int fullest = 0;
    for (int column = 1; column < strip.messageLength(); ++column)
        if (litLEDs(strip, column) > litLEDs(strip, fullest))
            fullest = column;
    return fullest;
}

} // namespace sweeplight::app::test
