// The keep-awake request against a screen-saver service on a private session bus.
#include "app/ScreenSaverInhibitor.h"

#include "WidgetApplication.h"

#include <QDBusConnection>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace sweeplight::app {
namespace {

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    int held { 0 };
public slots:
    uint Inhibit(const QString&, const QString&) {
        ++held;
        return 42;
    }
    void UnInhibit(uint cookie) { held -= cookie == 42; }
};

TEST(ScreenSaverInhibitor, KeepsTheScreenAwakeWhileAskedAndLetsGoAfter) {
    sweeplight::fixtures::widgetApplication();
    QProcess daemon; // killed when it goes
    daemon.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
    if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
        GTEST_SKIP() << "no dbus-daemon to start";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    QDBusConnection service = QDBusConnection::connectToBus(address, "screen-saver");
    FakeScreenSaver screenSaver;
    ASSERT_TRUE(service.registerService("org.freedesktop.ScreenSaver") &&
                service.registerObject("/org/freedesktop/ScreenSaver", &screenSaver,
                                       QDBusConnection::ExportAllSlots));
    {
        ScreenSaverInhibitor inhibitor;
        inhibitor.setIdleTimerDisabled(true);
        inhibitor.setIdleTimerDisabled(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.isInhibiting(); }, 5000));
        EXPECT_EQ(screenSaver.held, 1) << "asked once";
        inhibitor.setIdleTimerDisabled(false);
        EXPECT_TRUE(QTest::qWaitFor([&] { return screenSaver.held == 0; }, 5000));
        inhibitor.setIdleTimerDisabled(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.isInhibiting(); }, 5000));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenSaver.held == 0; }, 5000)) << "not after exit";
    QDBusConnection::disconnectFromBus("screen-saver");
}

} // namespace
} // namespace sweeplight::app

#include "ScreenSaverInhibitorTest.moc"
