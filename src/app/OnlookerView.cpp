#include "OnlookerView.h"

#include "motion/AirView.h"
#include "motion/PhonePath.h"

#include <QPainter>
#include <cmath>

namespace sweeplight::app {

namespace {
// What the eye keeps: an image fades within about 0.1 s (half of it gone after 0.05 s), so a
// message that is written at two places, or mirrored, shows as it would to an onlooker.
constexpr double kHalfLife = 0.05;
constexpr double kFadeEvery = 1.0 / 60;
} // namespace

OnlookerView::OnlookerView(const motion::PhonePath& path, double reach, QWidget* parent)
    : QWidget(parent)
    , path_(path)
    , air_(std::make_unique<motion::AirView>(reach)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

OnlookerView::~OnlookerView() = default;

void OnlookerView::framePresented(const QImage& frame, double time) {
    if (lastFade_ < 0)
        lastFade_ = time;
    if (time - lastFade_ >= kFadeEvery) {
        air_->fade(std::pow(0.5, (time - lastFade_) / kHalfLife));
        lastFade_ = time;
    }
    // Painted where the phone is as the frame reaches the screen, as a camera sees a screen
    // whose light is brief: streaking it to the next frame's place would blur the letters into
    // blocks.
    air_->expose(frame, path_.position(time));
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
