#pragma once

class QColor;
class QString;

namespace sweeplight::app {

// What the message editor hands back to the application controller.
class EditMessageDelegate {
public:
    virtual ~EditMessageDelegate() = default;
    virtual void setUIColor(const QColor& color) = 0;
    virtual void setRainbowOn() = 0;
    virtual void setRainbowOff() = 0;
    // The steady-letters switch was turned; the editor has stored it already.
    virtual void setSteadyLetters(bool on) { (void)on; }
    virtual void setMessage(const QString& text) = 0;
    // The editor delivered a message and wants to be removed.
    virtual void doneEditing() = 0;
    // The editor was left without a new message and wants to be removed.
    virtual void closeEditing() = 0;
};

} // namespace sweeplight::app
