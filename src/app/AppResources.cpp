#include "AppResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initAppQrc() {
    Q_INIT_RESOURCE(app);
}

namespace sweeplight::app {

void initAppResources() {
    static const bool initialised = [] {
        initAppQrc();
        return true;
    }();
    (void)initialised;
}

} // namespace sweeplight::app
