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

using fixtures::ScriptedAccelerometer;

// Everything the app needs, on a virtual clock, in a temporary folder, with a service client
// that never reaches a network.
class AppTestWorld {
public:
    AppTestWorld();
    ~AppTestWorld();

    // Builds the phone screen and the display as the app's main does, then launches. The
    // display reads `motion` when given, else the scripted accelerometer.
    SweeplightAppDelegate& launch(motion::Accelerometer* motion = nullptr);
    // Advances virtual time in small steps, letting the window system paint after each, as
    // the screen would take every frame.
    void run(double seconds, double step = 1.0 / 240.0);
    fernwick::Fernwick& client();

    // The service settings the client reads; empty: the settings shipped with the app.
    QString settingsFile;
    // The phone screen's size at launch (the app's window).
    QSize screenSize { 320, 480 };

    QTemporaryDir folder;
    foundation::ManualRunLoop runLoop;
    foundation::Preferences preferences;
    ScriptedAccelerometer accelerometer;
    std::unique_ptr<reachability::Reachability> reachability;
    std::unique_ptr<fernwick::Fernwick> client_;
    std::unique_ptr<SweeplightAppDelegate> delegate;
};

} // namespace sweeplight::app::test
