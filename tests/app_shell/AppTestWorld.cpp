#include "AppTestWorld.h"

#include "FakeReachabilitySource.h"
#include "ScriptedTransport.h"
#include "WidgetTestSupport.h"
#include "app/EAGLView.h"
#include "app/PhoneScreen.h"
#include "app/SweeplightAppDelegate.h"
#include "fernwick/ui/FernwickWidgetScreens.h"

#include <QApplication>
#include <QWidget>
#include <stdexcept>

namespace sweeplight::app::test {

AppTestWorld::AppTestWorld()
    : preferences(folder.filePath("preferences.ini").toStdString()) {
    fixtures::widgetApplication();
    reachability = std::make_unique<reachability::Reachability>(
        std::make_unique<fixtures::FakeReachabilitySource>(), runLoop);
}

AppTestWorld::~AppTestWorld() = default; // the delegate, declared last, goes first

fernwick::Fernwick& AppTestWorld::client() {
    if (!client_) {
        fernwick::Fernwick::Environment environment;
        environment.runLoop = &runLoop;
        auto noConnections = std::make_shared<fixtures::ScriptedTransport>();
        noConnections->refuse = true; // nothing is reachable: the client's reports go nowhere
        environment.connectionFactory = noConnections;
        environment.screens = std::make_shared<fernwick::FernwickWidgetScreens>();
        environment.reachability = reachability.get();
        environment.openUrl = [](const QUrl&) {};
        environment.presentAlert = [](const fernwick::RemoteMessageAlert&,
                                      std::function<void(int)>) {};
        environment.dataDirectory = folder.filePath("data");
        environment.deviceId = "app-shell-test-device";
        environment.probeHostName = "probe.test";
        environment.settingsFile = settingsFile;
        client_ = fernwick::Fernwick::createUnshared(environment);
    }
    return *client_;
}

SweeplightAppDelegate& AppTestWorld::launch(motion::Accelerometer* motion) {
    auto window = std::make_unique<PhoneScreen>();
    window->setFixedSize(screenSize);
    std::unique_ptr<EAGLView> view =
        EAGLView::create(runLoop, motion ? *motion : accelerometer, window.get());
    if (!view)
        throw std::runtime_error("no OpenGL ES 1.1 context");
    window->setDisplayView(view.get());
    SweeplightAppDelegate::Environment environment;
    environment.runLoop = &runLoop;
    environment.preferences = &preferences;
    environment.serviceClient = [this]() -> fernwick::Fernwick& { return client(); };
    delegate =
        std::make_unique<SweeplightAppDelegate>(std::move(window), std::move(view), environment);
    delegate->window()->show();
    delegate->applicationDidFinishLaunching();
    return *delegate;
}

void AppTestWorld::run(double seconds, double step) {
    const double end = runLoop.now() + seconds;
    while (runLoop.now() + step <= end + 1e-9) {
        runLoop.advance(step);
        QApplication::processEvents();
    }
}

} // namespace sweeplight::app::test
