#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

namespace sweeplight::motion {

// What an onlooker's camera sees in a long exposure of the swinging phone: every frame the
// screen shows is painted where the phone was while it showed it. The screen faces the
// onlooker, so the frame is painted as it appears on the screen (top row first, not mirrored)
// and the device's right is the image's right.
//
// Physical scale: the 320 x 480 pixel screen is 50 mm wide (a 3.5 inch phone), so one screen
// pixel is 0.156 mm. A swing of 2 Hz and 1.5 g peak acceleration moves the phone 93 mm to
// each side of the middle (amplitude = peak / (2 pi f)^2); at 120 frames a second the screen
// moves up to 9.8 mm (63 screen pixels) between two frames, which is what spaces the columns
// of a message in the air. The exposure is drawn at `scale` image pixels per screen pixel.
class AirView final {
public:
    static constexpr int kScreenWidth = 320;
    static constexpr int kScreenHeight = 480;
    static constexpr double kScreenWidthMetres = 0.050;
    static constexpr double kScreenPixelsPerMetre = kScreenWidth / kScreenWidthMetres;

    // `reach`: metres the middle of the screen may move to either side of the middle of the
    // swing (the swing's amplitude); the image is wide enough for the whole screen at both ends.
    explicit AirView(double reach, double scale = 0.5);

    // The size of the exposure image for `reach` and `scale`, so that a caller can refuse a swing
    // too wide to picture before allocating it.
    static QSize imageSize(double reach, double scale);

    // Paints the lit pixels of `frame` (kScreenWidth x kScreenHeight, as on the screen, top row
    // first) where the screen's middle is at position `at` (metres, positive to the right).
    // Black pixels leave the exposure alone; where light falls twice the brighter one stays.
    void expose(const QImage& frame, double at);
    // The same for a frame of which only `area` (screen pixels, top row first) can be lit, as a
    // renderer reads it back: `rgba` holds that area, 4 bytes R, G, B, A per pixel (alpha
    // ignored), `bytesPerLine` apart, its bottom row first. Outside `area` the frame is black.
    void expose(const unsigned char* rgba, long bytesPerLine, const QRect& area, double at);

    // Dims what has been exposed so far to `keep` (0 to 1) of its brightness, for a live view
    // that shows only the last moments.
    void fade(double keep);
    void clear();

    const QImage& image() const { return image_; }
    double scale() const { return scale_; }
    // The image column under the middle of the screen when the phone is at `position`.
    double imageX(double position) const;
    // Where screen pixel `screenPoint` (top row first) lands when the phone is at `position`.
    QPointF imagePoint(double position, QPointF screenPoint) const;

private:
    // Paints `light`, the frame's pixels inside its lit bounds `lit`, where the phone is at `at`.
    void paintLit(const QImage& light, const QRect& lit, double at);

    double scale_;
    double reach_;
    QImage image_;
};

} // namespace sweeplight::motion
