#include "ScreenSaverInhibitor.h"

#include "AppLog.h"
#include "foundation/Log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace sweeplight::app {

namespace {
constexpr char kService[] = "org.freedesktop.ScreenSaver";
constexpr char kPath[] = "/org/freedesktop/ScreenSaver";
constexpr char kInterface[] = "org.freedesktop.ScreenSaver";
constexpr char kApplicationName[] = "Sweeplight";
constexpr char kReason[] = "Showing a message in the air";
} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QObject* parent)
    : QObject(parent) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    // The desktop also drops the inhibition when the app's bus connection closes.
    uninhibit();
}

void ScreenSaverInhibitor::setIdleTimerDisabled(bool disabled) {
    if (disabled == disabled_)
        return;
    disabled_ = disabled;
    if (disabled)
        inhibit();
    else
        uninhibit();
}

void ScreenSaverInhibitor::inhibit() {
    if (requestPending_ || cookie_ != 0)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        foundation::logLine(lcApp(),
                            "screen saver: no session bus; the screen may dim while waving");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Inhibit");
    call << QString(kApplicationName) << QString(kReason);
    requestPending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                requestPending_ = false;
                QDBusPendingReply<std::uint32_t> reply = *finished;
                if (reply.isError()) {
                    foundation::logWarning(lcApp(), "screen saver: inhibition refused: " +
                                                        reply.error().message().toStdString());
                    return;
                }
                cookie_ = reply.value();
                // Re-enabled while the request was on its way.
                if (!disabled_)
                    uninhibit();
            });
}

void ScreenSaverInhibitor::uninhibit() {
    if (cookie_ == 0)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "UnInhibit");
    call << cookie_;
    QDBusConnection::sessionBus().asyncCall(call);
    cookie_ = 0;
}

} // namespace sweeplight::app
