#include "ImageButton.h"

#include <QPainter>

namespace sweeplight::uikit {

ImageButton::ImageButton(QWidget* parent)
    : QAbstractButton(parent) {
    // A custom button draws only its images and title: whatever is behind shows through.
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
}

void ImageButton::setBackgroundImage(const StretchableImage& image, State state) {
    (state == State::Normal ? normalImage_ : highlightedImage_) = image;
    update();
}

const StretchableImage& ImageButton::backgroundImage(State state) const {
    return state == State::Normal ? normalImage_ : highlightedImage_;
}

void ImageButton::setTitleColor(const QColor& color, State state) {
    (state == State::Normal ? normalTitleColor_ : highlightedTitleColor_) = color;
    update();
}

QColor ImageButton::titleColor(State state) const {
    return state == State::Normal ? normalTitleColor_ : highlightedTitleColor_;
}

QSize ImageButton::sizeHint() const {
    if (!normalImage_.isNull())
        return normalImage_.image().size();
    return QAbstractButton::sizeHint();
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const State state = currentState();
    // Without an image of its own, the highlighted state keeps the normal one.
    const StretchableImage& image = state == State::Highlighted && !highlightedImage_.isNull()
                                        ? highlightedImage_
                                        : normalImage_;
    image.draw(painter, rect());
    if (text().isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(titleColor(state));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace sweeplight::uikit
