#include "AppTestWorld.h"

#include "WidgetTestSupport.h"
#include "app/EAGLView.h"
#include "app/PhoneScreen.h"
#include "app/SweeplightAppDelegate.h"
#include "fernwick/ui/FernwickWidgetScreens.h"
#include "fetcher/transport/UrlConnection.h"
#include "fetcher/transport/UrlConnectionFactory.h"
#include "network/ReachabilitySource.h"

#include <QApplication>
#include <QWidget>
#include <stdexcept>

namespace sweeplight::app::test {

namespace {

// No connection can be made: the client's reports go nowhere.
class NoConnections final : public fetcher::UrlConnectionFactory {
public:
    std::unique_ptr<fetcher::UrlConnection>
    initWithRequest(const fetcher::UrlRequest&, fetcher::UrlConnectionDelegate&, bool) override {
        return nullptr;
    }
};

class UnreachableHandle final : public network::ReachabilityHandle {
public:
    bool getFlags(network::ReachabilityFlags& flags) override {
        flags = 0;
        return true;
    }
    void setCallback(Callback) override {}
    bool scheduleWithRunLoop(foundation::RunLoop&) override { return true; }
    void unscheduleFromRunLoop(foundation::RunLoop&) override {}
};

class UnreachableNetwork final : public network::ReachabilitySource {
public:
    std::unique_ptr<network::ReachabilityHandle> createWithName(const std::string&) override {
        return std::make_unique<UnreachableHandle>();
    }
    std::unique_ptr<network::ReachabilityHandle> createWithAddress(const sockaddr_in&) override {
        return std::make_unique<UnreachableHandle>();
    }
};

} // namespace

void ScriptedAccelerometer::deliver(double x, double y, double z) {
    if (delegate_)
        delegate_->accelerometer(*this, motion::Acceleration { 0, x, y, z });
}

AppTestWorld::AppTestWorld()
    : preferences(folder.filePath("preferences.ini").toStdString()) {
    testApplication();
    reachability =
        std::make_unique<network::Reachability>(std::make_unique<UnreachableNetwork>(), runLoop);
}

AppTestWorld::~AppTestWorld() {
    delegate.reset();
}

fernwick::Fernwick& AppTestWorld::client() {
    if (!client_) {
        fernwick::Fernwick::Environment environment;
        environment.runLoop = &runLoop;
        environment.connectionFactory = std::make_shared<NoConnections>();
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
