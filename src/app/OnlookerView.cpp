#include "OnlookerView.h"

#include "motion/AirView.h"
#include "motion/PhonePath.h"

#include <QPainter>
#include <cmath>

namespace sweeplight::app {

namespace {
// The exposure halves its brightness every 0.4 s: about one swing of a waving hand stays.
constexpr double kHalfLife = 0.4;
constexpr double kFadeEvery = 0.05;
} // namespace

OnlookerView::OnlookerView(const motion::PhonePath& path, double reach, QWidget* parent)
    : QWidget(parent)
    , path_(path)
    , air_(std::make_unique<motion::AirView>(reach)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

OnlookerView::~OnlookerView() = default;

void OnlookerView::framePresented(const QImage& frame, double time, double duration) {
    if (lastFade_ < 0)
        lastFade_ = time;
    if (time - lastFade_ >= kFadeEvery) {
        air_->fade(std::pow(0.5, (time - lastFade_) / kHalfLife));
        lastFade_ = time;
    }
    air_->expose(frame, path_.position(time), path_.position(time + duration));
    update();
}

const QImage& OnlookerView::exposure() const {
    return air_->image();
}

QSize OnlookerView::sizeHint() const {
    return air_->image().size();
}

void OnlookerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QImage& image = air_->image();
    if (image.isNull())
        return;
    const QSizeF fitted = QSizeF(image.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                        fitted);
    painter.drawImage(target, image);
}

} // namespace sweeplight::app
