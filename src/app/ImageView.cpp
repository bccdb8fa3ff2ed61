#include "ImageView.h"

#include <QPainter>

namespace sweeplight::app {

ImageView::ImageView(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void ImageView::setImage(const QImage& image) {
    image_ = image;
    update();
}

void ImageView::setTransformScale(double scale) {
    transformScale_ = scale;
    update();
}

void ImageView::paintEvent(QPaintEvent*) {
    if (image_.isNull())
        return;
    QPainter painter(this);
    QSizeF size = QSizeF(image_.size()) * transformScale_;
    QRectF target(QPointF((width() - size.width()) / 2.0, (height() - size.height()) / 2.0), size);
    // A transform of 1 keeps the picture exactly on the pixel grid; anything else is a zoom of
    // pixel art, which must not be blurred.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image_);
}

} // namespace sweeplight::app
