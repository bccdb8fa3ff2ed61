#include "AirView.h"

#include <QPainter>
#include <QSysInfo>
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
    const int width = frame.width();
    const int height = frame.height();
    int left = width;
    int right = -1;
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        int first = 0;
        while (first < width && !isLit(line[first]))
            ++first;
        if (first == width)
            continue;
        int last = width - 1;
        while (!isLit(line[last]))
            --last;
        if (top < 0)
            top = y;
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (top < 0)
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
    // A frame whose pixels read as 32-bit words with the colour in the low 24 bits (the
    // display's RGBA bytes on a little-endian machine among them) is searched as it is, and only
    // its lit part converted: a column frame is mostly black.
    const QImage::Format format = frame.format();
    const bool colourInLowBits =
        format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
        ((format == QImage::Format_RGBA8888 || format == QImage::Format_RGBX8888) &&
         QSysInfo::ByteOrder == QSysInfo::LittleEndian);
    const QImage screen = colourInLowBits ? frame : frame.convertToFormat(QImage::Format_RGB32);
    const QRect lit = litBounds(screen);
    if (lit.isEmpty())
        return;
    paintLit(screen.copy(lit).convertToFormat(QImage::Format_RGB32), lit, at);
}

void AirView::expose(const unsigned char* rgba, long bytesPerLine, const QRect& area, double at) {
    if (!rgba || area.isEmpty() || !std::isfinite(at))
        return;
    // The lit bounds, searched in the area only.
    auto row = [&](int y) { return rgba + static_cast<long>(area.bottom() - y) * bytesPerLine; };
    int left = area.right() + 1;
    int right = area.left() - 1;
    int top = -1;
    int bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const unsigned char* pixel = row(y);
        int first = -1;
        int last = -1;
        for (int x = 0; x < area.width(); ++x, pixel += 4) {
            if (pixel[0] | pixel[1] | pixel[2]) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first < 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        left = std::min(left, area.left() + first);
        right = std::max(right, area.left() + last);
    }
    if (top < 0)
        return;
    const QRect lit(QPoint(left, top), QPoint(right, bottom));
    // As the screen's frame converted to RGB32 and cropped to its lit part: the renderer's
    // frames are opaque, so each pixel is its colour with a full alpha.
    QImage light(lit.size(), QImage::Format_RGB32);
    for (int y = 0; y < lit.height(); ++y) {
        const unsigned char* pixel = row(lit.top() + y) + (lit.left() - area.left()) * 4;
        auto* out = reinterpret_cast<QRgb*>(light.scanLine(y));
        for (int x = 0; x < lit.width(); ++x, pixel += 4)
            out[x] = qRgb(pixel[0], pixel[1], pixel[2]);
    }
    paintLit(light, lit, at);
}

void AirView::paintLit(const QImage& litPart, const QRect& lit, double at) {
    // Only the lit part is scaled and painted: a column frame is mostly black.
    QImage light = litPart.scaled(std::max(1, static_cast<int>(std::lround(lit.width() * scale_))),
                                  std::max(1, static_cast<int>(std::lround(lit.height() * scale_))),
                                  Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (light.format() != QImage::Format_RGB32)
        light = light.convertToFormat(QImage::Format_RGB32);
    const double x = imageX(at) + (lit.left() - kScreenWidth / 2.0) * scale_;
    const double top = (kMarginScreenPixels + lit.top()) * scale_;
    const QPoint origin(static_cast<int>(std::round(x)), static_cast<int>(std::round(top)));
    // Where light falls twice the brighter of each component stays: for opaque pixels that is
    // what QPainter's Lighten mode gives, without the hand-over to its thread pool that it
    // makes for every picture, however small.
    const QRect target = QRect(origin, light.size()).intersected(image_.rect());
    for (int y = target.top(); y <= target.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image_.scanLine(y)) + target.left();
        const auto* in = reinterpret_cast<const QRgb*>(light.constScanLine(y - origin.y())) +
                         (target.left() - origin.x());
        for (int i = 0; i < target.width(); ++i)
            out[i] =
                qRgb(std::max(qRed(out[i]), qRed(in[i])), std::max(qGreen(out[i]), qGreen(in[i])),
                     std::max(qBlue(out[i]), qBlue(in[i])));
    }
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
