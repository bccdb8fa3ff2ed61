#pragma once

#include <QWidget>

namespace sweeplight::app {

// The app's window content: the phone's 320 x 480 point screen. The display view fills it,
// whatever its size (the display scales its own picture); the screens laid over the display
// (editors, intro, help page), which are made for 320 x 480, are kept centred when the screen
// is larger, as it is in full screen.
class PhoneScreen final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 480;

    explicit PhoneScreen(QWidget* parent = nullptr);

    // The child that fills the screen (the display view); not owned.
    void setDisplayView(QWidget* view);
    // Where a 320 x 480 screen goes inside this one.
    QRect pageRect() const;
    QSize sizeHint() const override { return { kWidth, kHeight }; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void layOut();

    QWidget* displayView_ { nullptr };
};

} // namespace sweeplight::app
