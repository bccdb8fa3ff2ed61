#pragma once

#include <cstdint>
#include <memory>

class QImage;

namespace sweeplight::display {

// A picture held as a plain pixel buffer: row-major, row 0 at the top, 4 bytes per pixel in the
// order alpha, red, green, blue, colours premultiplied by alpha.
//
// The picture's rows share the 480 pixels of the screen's height. A picture taller than that
// has rows that no frame can show: each screen row shows only the last picture row drawn on it.
// Such a picture is reduced when it is loaded to those rows, one per screen row, so that it takes
// less memory and a frame draws 480 LEDs at most, and looks the same.
class PictureStrip final {
public:
    // The screen height the picture column fills, in pixels: the most rows a frame can show.
    static constexpr int kColumnPixels = 480;

    // Standard error messages of a refused picture, written exactly like this.
    static constexpr const char* kMemoryError = "Memory not allocated!";
    static constexpr const char* kContextError = "Context not created!";

    // Releases the current picture, then loads `image`. A picture that cannot be held (0 pixels
    // wide or high, or too large) writes one of the messages above to standard error and
    // leaves no picture. Returns whether a picture is held.
    bool setImageRef(const QImage& image);

    bool hasPicture() const { return pixels != nullptr; }
    int imageWidth() const { return imageWidth_; }
    // The rows held: the picture's height, or kColumnPixels for a taller picture.
    int imageHeight() const { return imageHeight_; }
    // The height of the picture as it was loaded.
    int sourceHeight() const { return sourceHeight_; }
    // The screen row (0 at the top) that picture row `row` of a picture `height` rows tall,
    // taller than kColumnPixels, lights: a LED smaller than a pixel lights one pixel.
    static int screenRow(int row, int height);
    int imageMult() const { return imageMult_; }
    // The pixel at row r, column c: 4 bytes A, R, G, B. Only valid while a picture is held.
    const std::uint8_t* pixel(int row, int column) const {
        return pixels.get() + (static_cast<long>(row) * imageWidth_ + column) * imageMult_;
    }

    // The cursor: the picture column drawn next.
    int imagePointer { 0 };

    // Largest buffer accepted (a 4096 x 4096 picture); anything bigger is refused as too large.
    static constexpr long long kMaximumBytes = 4096LL * 4096 * 4;

private:
    std::unique_ptr<std::uint8_t[]> pixels;
    int imageWidth_ { 0 };
    int imageHeight_ { 0 };
    int sourceHeight_ { 0 };
    int imageMult_ { 4 };
};

} // namespace sweeplight::display
