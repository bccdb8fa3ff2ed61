#include "AirView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace sweeplight::motion {

namespace {

// A border so that the screen's light at the ends of the swing does not touch the image edge.
constexpr double kMarginScreenPixels = 24;

bool isLit(QRgb pixel) {
    return (pixel & 0x00ffffff) != 0;
}

QRect litBounds(const QImage& frame) {
    int left = frame.width();
    int right = -1;
    int top = frame.height();
    int bottom = -1;
    for (int y = 0; y < frame.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            if (!isLit(line[x]))
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

namespace {

double validScale(double scale) {
    return scale > 0 && std::isfinite(scale) ? scale : 0.5;
}

double validReach(double reach) {
    return std::isfinite(reach) ? std::max(0.0, reach) : 0.0;
}

} // namespace

QSize AirView::imageSize(double reach, double scale) {
    scale = validScale(scale);
    double widthScreenPixels =
        2 * validReach(reach) * kScreenPixelsPerMetre + kScreenWidth + 2 * kMarginScreenPixels;
    double heightScreenPixels = kScreenHeight + 2 * kMarginScreenPixels;
    // Saturates instead of overflowing; the caller decides what is too large.
    auto pixels = [](double value) { return static_cast<int>(std::min(std::ceil(value), 1e9)); };
    return { pixels(widthScreenPixels * scale), pixels(heightScreenPixels * scale) };
}

AirView::AirView(double reach, double scale)
    : scale_(validScale(scale))
    , reach_(validReach(reach))
    , image_(imageSize(reach_, scale_), QImage::Format_RGB32) {
    clear();
}

double AirView::imageX(double position) const {
    return (kMarginScreenPixels + kScreenWidth / 2.0 +
            (position + reach_) * kScreenPixelsPerMetre) *
           scale_;
}

QPointF AirView::imagePoint(double position, QPointF screenPoint) const {
    return { imageX(position) + (screenPoint.x() - kScreenWidth / 2.0) * scale_,
             (kMarginScreenPixels + screenPoint.y()) * scale_ };
}

void AirView::expose(const QImage& frame, double at) {
    if (frame.isNull() || !std::isfinite(at))
        return;
    QImage screen = frame.convertToFormat(QImage::Format_RGB32);
    QRect lit = litBounds(screen);
    if (lit.isEmpty())
        return;
    // Only the lit part is scaled and painted: a column frame is mostly black.
    QImage light =
        screen.copy(lit).scaled(std::max(1, static_cast<int>(std::lround(lit.width() * scale_))),
                                std::max(1, static_cast<int>(std::lround(lit.height() * scale_))),
                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double x = imageX(at) + (lit.left() - kScreenWidth / 2.0) * scale_;
    const double top = (kMarginScreenPixels + lit.top()) * scale_;
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Lighten);
    painter.drawImage(QPointF(std::round(x), std::round(top)), light);
}

void AirView::fade(double keep) {
    keep = std::clamp(keep, 0.0, 1.0);
    QPainter painter(&image_);
    painter.fillRect(image_.rect(),
                     QColor(0, 0, 0, static_cast<int>(std::lround((1 - keep) * 255))));
}

void AirView::clear() {
    image_.fill(Qt::black);
}

} // namespace sweeplight::motion
