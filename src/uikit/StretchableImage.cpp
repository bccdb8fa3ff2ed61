#include "StretchableImage.h"

#include <QPainter>
#include <QRect>
#include <algorithm>
#include <vector>

namespace sweeplight::uikit {

namespace {

struct Span {
    int sourceStart;
    int sourceLength;
    int targetStart;
    int targetLength;
};

// The pieces of one axis: cap, one stretching line, far cap. A cap of 0 (or one that leaves
// no line to stretch) stretches the whole image.
std::vector<Span> spansFor(int sourceSize, int cap, int targetStart, int targetSize) {
    if (cap <= 0 || cap >= sourceSize)
        return { { 0, sourceSize, targetStart, targetSize } };
    const int farCap = sourceSize - cap - 1;
    int nearTarget = cap;
    int farTarget = farCap;
    if (cap + farCap > targetSize) {
        nearTarget = static_cast<int>(static_cast<long long>(targetSize) * cap / (cap + farCap));
        farTarget = targetSize - nearTarget;
    }
    const int middleTarget = targetSize - nearTarget - farTarget;
    return {
        { 0, cap, targetStart, nearTarget },
        { cap, 1, targetStart + nearTarget, middleTarget },
        { cap + 1, farCap, targetStart + nearTarget + middleTarget, farTarget },
    };
}

} // namespace

StretchableImage::StretchableImage(QImage image, int leftCapWidth, int topCapHeight)
    : image_(std::move(image))
    , leftCapWidth_(std::max(0, leftCapWidth))
    , topCapHeight_(std::max(0, topCapHeight)) {}

void StretchableImage::draw(QPainter& painter, const QRect& target) const {
    if (image_.isNull() || target.isEmpty())
        return;
    const auto columns = spansFor(image_.width(), leftCapWidth_, target.x(), target.width());
    const auto rows = spansFor(image_.height(), topCapHeight_, target.y(), target.height());
    for (const Span& row : rows) {
        for (const Span& column : columns) {
            if (row.targetLength <= 0 || column.targetLength <= 0 || row.sourceLength <= 0 ||
                column.sourceLength <= 0)
                continue;
            painter.drawImage(
                QRect(column.targetStart, row.targetStart, column.targetLength, row.targetLength),
                image_,
                QRect(column.sourceStart, row.sourceStart, column.sourceLength, row.sourceLength));
        }
    }
}

} // namespace sweeplight::uikit
