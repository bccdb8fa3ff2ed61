#include "CoreApplication.h"

#include <QCoreApplication>

namespace sweeplight::fixtures {

void ensureCoreApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "sweeplight_tests";
    static char* argv[] = { name, nullptr };
    new QCoreApplication(argc, argv); // kept for the whole test program
}

} // namespace sweeplight::fixtures
