#include "FernwickUiTestSupport.h"

#include <QApplication>
#include <unistd.h>

namespace fernwick_test {

void ensureApplication() {
    if (QApplication::instance())
        return;
    // Chromium refuses to run as root inside its sandbox; CI runs as root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    static int argc = 1;
    static char name[] = "fernwick_tests";
    static char* argv[] = { name, nullptr };
    new QApplication(argc, argv); // kept for the whole test process
}

} // namespace fernwick_test
