// The keep-awake request against a screen-saver service on a private session bus, started by
// the test itself.
#include "app/ScreenSaverInhibitor.h"

#include "WidgetTestSupport.h"

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
    QStringList inhibitions;
    QList<uint> released;

public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        inhibitions.append(application + " / " + reason);
        return 42;
    }
    void UnInhibit(uint cookie) { released.append(cookie); }
};

class PrivateSessionBus {
public:
    PrivateSessionBus() {
        daemon.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
        if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
            return;
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    }
    ~PrivateSessionBus() {
        daemon.kill();
        daemon.waitForFinished(5000);
    }
    QProcess daemon;
    QString address;
};

TEST(ScreenSaverInhibitor, AsksTheDesktopToKeepTheScreenOnAndLetsGoAgain) {
    sweeplight::fixtures::widgetApplication();
    PrivateSessionBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "no dbus-daemon to start";

    QDBusConnection service = QDBusConnection::connectToBus(bus.address, "screen-saver");
    ASSERT_TRUE(service.isConnected());
    FakeScreenSaver screenSaver;
    ASSERT_TRUE(service.registerService("org.freedesktop.ScreenSaver"));
    ASSERT_TRUE(service.registerObject("/org/freedesktop/ScreenSaver", &screenSaver,
                                       QDBusConnection::ExportAllSlots));

    {
        ScreenSaverInhibitor inhibitor;
        inhibitor.setIdleTimerDisabled(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.isInhibiting(); }, 5000));
        EXPECT_EQ(screenSaver.inhibitions,
                  QStringList { "Sweeplight / Showing a message in the air" });

        inhibitor.setIdleTimerDisabled(true);
        EXPECT_EQ(screenSaver.inhibitions.size(), 1) << "asked once";
        inhibitor.setIdleTimerDisabled(false);
        EXPECT_FALSE(inhibitor.isInhibiting());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !screenSaver.released.isEmpty(); }, 5000));
        EXPECT_EQ(screenSaver.released, QList<uint> { 42 });

        inhibitor.setIdleTimerDisabled(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.isInhibiting(); }, 5000));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return screenSaver.released.size() == 2; }, 5000))
        << "the inhibition ends with the app";
    QDBusConnection::disconnectFromBus("screen-saver");
}

} // namespace
} // namespace sweeplight::app

#include "ScreenSaverInhibitorTest.moc"
