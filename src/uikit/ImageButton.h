#pragma once

#include "uikit/StretchableImage.h"

#include <QAbstractButton>
#include <QColor>

namespace sweeplight::uikit {

// A custom-style button: a background image and a title colour for the normal and for the
// highlighted (pressed) state, no frame of its own and a clear background. `clicked` fires on
// touch-up-inside, `pressed` on touch-down.
class ImageButton final : public QAbstractButton {
    Q_OBJECT
public:
    enum class State { Normal, Highlighted };

    explicit ImageButton(QWidget* parent = nullptr);

    void setBackgroundImage(const StretchableImage& image, State state);
    const StretchableImage& backgroundImage(State state) const;
    void setTitleColor(const QColor& color, State state);
    QColor titleColor(State state) const;

    // Highlighted while the button is held down.
    State currentState() const { return isDown() ? State::Highlighted : State::Normal; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StretchableImage normalImage_;
    StretchableImage highlightedImage_;
    QColor normalTitleColor_ { Qt::white };
    QColor highlightedTitleColor_ { Qt::white };
};

} // namespace sweeplight::uikit
