#pragma once

#include <QImage>
#include <QWidget>

namespace sweeplight::app {

// An image view: shows its image centred in its bounds, drawn through a uniform scale
// transform about the centre (pixel art stays crisp). The image itself is kept unscaled, so
// whoever reads image() gets the picture's own pixels, whatever the transform.
class ImageView final : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return image_; }

    // Scale 1 shows the image at one pixel per point.
    void setTransformScale(double scale);
    double transformScale() const { return transformScale_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    double transformScale_ { 1.0 };
};

} // namespace sweeplight::app
