#pragma once

#include "ScriptedAccelerometer.h"
#include "fernwick/Fernwick.h"
#include "foundation/ManualRunLoop.h"
#include "foundation/Preferences.h"
#include "reachability/Reachability.h"

#include <QSize>
#include <QTemporaryDir>
#include <memory>

namespace sweeplight::app {
class SweeplightAppDelegate;
}

namespace sweeplight::app::test {

// Everything the app needs, on a virtual clock, in a temporary folder, with a service client
// that never reaches a network.
class AppTestWorld {
public:
    AppTestWorld();
    ~AppTestWorld();

    // Builds the window as the app's main does and launches, the display reading `motion` if given.
    SweeplightAppDelegate& launch(motion::Accelerometer* motion = nullptr);
    // Advances virtual time in steps, letting the window system paint after each.
    void run(double seconds, double step = 1.0 / 240.0);
    fernwick::Fernwick& client();

    QString settingsFile;          // the service settings; empty: those shipped with the app
    QSize screenSize { 320, 480 }; // the window's at launch

    QTemporaryDir folder;
    foundation::ManualRunLoop runLoop;
    foundation::Preferences preferences;
    fixtures::ScriptedAccelerometer accelerometer;
    std::unique_ptr<reachability::Reachability> reachability;
    std::unique_ptr<fernwick::Fernwick> client_;
    std::unique_ptr<SweeplightAppDelegate> delegate;
};

} // namespace sweeplight::app::test
