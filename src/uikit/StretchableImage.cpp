#include "StretchableImage.h"

#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <algorithm>
#include <qdrawutil.h>

namespace sweeplight::uikit {

namespace {

// The near and far caps of one axis, source and target: one line between them stretches. A cap
// of 0 (or one that leaves no line to stretch) stretches the whole image; caps larger than the
// target shrink in proportion.
struct Caps {
    int sourceNear { 0 };
    int sourceFar { 0 };
    int targetNear { 0 };
    int targetFar { 0 };
};

Caps capsFor(int sourceSize, int cap, int targetSize) {
    if (cap <= 0 || cap >= sourceSize)
        return {};
    const int farCap = sourceSize - cap - 1;
    if (cap + farCap <= targetSize)
        return { cap, farCap, cap, farCap };
    const int nearTarget =
        static_cast<int>(static_cast<long long>(targetSize) * cap / (cap + farCap));
    return { cap, farCap, nearTarget, targetSize - nearTarget };
}

} // namespace

StretchableImage::StretchableImage(QImage image, int leftCapWidth, int topCapHeight)
    : image_(std::move(image))
    , leftCapWidth_(std::max(0, leftCapWidth))
    , topCapHeight_(std::max(0, topCapHeight)) {}

void StretchableImage::draw(QPainter& painter, const QRect& target) const {
    if (image_.isNull() || target.isEmpty())
        return;
    const Caps columns = capsFor(image_.width(), leftCapWidth_, target.width());
    const Caps rows = capsFor(image_.height(), topCapHeight_, target.height());
    qDrawBorderPixmap(
        &painter, target,
        QMargins(columns.targetNear, rows.targetNear, columns.targetFar, rows.targetFar),
        QPixmap::fromImage(image_), image_.rect(),
        QMargins(columns.sourceNear, rows.sourceNear, columns.sourceFar, rows.sourceFar));
}

} // namespace sweeplight::uikit
