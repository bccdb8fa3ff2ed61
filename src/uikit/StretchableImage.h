#pragma once

#include <QImage>

class QPainter;
class QRect;

namespace sweeplight::uikit {

// An image that stretches by its middle: the left `leftCapWidth` columns and the top
// `topCapHeight` rows keep their size, as do the columns right of and the rows below the
// single stretching column and row that follow the caps. A cap of 0 stretches the whole image
// along that axis.
class StretchableImage final {
public:
    StretchableImage() = default;
    explicit StretchableImage(QImage image, int leftCapWidth = 0, int topCapHeight = 0);

    const QImage& image() const { return image_; }
    int leftCapWidth() const { return leftCapWidth_; }
    int topCapHeight() const { return topCapHeight_; }
    bool isNull() const { return image_.isNull(); }

    // Draws into `target`. Caps larger than the target shrink in proportion.
    void draw(QPainter& painter, const QRect& target) const;

private:
    QImage image_;
    int leftCapWidth_ { 0 };
    int topCapHeight_ { 0 };
};

} // namespace sweeplight::uikit
