#pragma once

#include <QObject>
#include <cstdint>

namespace sweeplight::app {

// Keeps the screen awake while the app runs, through the desktop's screen-saver inhibition
// (org.freedesktop.ScreenSaver on the session bus). Where there is no such service the request
// is logged once and nothing else happens; nothing here ever blocks on the bus.
class ScreenSaverInhibitor final : public QObject {
    Q_OBJECT
public:
    explicit ScreenSaverInhibitor(QObject* parent = nullptr);
    ~ScreenSaverInhibitor() override;

    // setIdleTimerDisabled(true) asks the desktop not to dim or lock the screen; false lifts it.
    void setIdleTimerDisabled(bool disabled);
    bool idleTimerDisabled() const { return disabled_; }
    // True once the desktop has granted the inhibition.
    bool isInhibiting() const { return cookie_ != 0; }

private:
    void inhibit();
    void uninhibit();

    bool disabled_ { false };
    bool requestPending_ { false };
    std::uint32_t cookie_ { 0 };
};

} // namespace sweeplight::app
