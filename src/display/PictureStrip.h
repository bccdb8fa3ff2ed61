#pragma once

#include <cstdint>
#include <memory>

class QImage;

namespace sweeplight::display {

// A picture held as a plain pixel buffer: row-major, row 0 at the top, 4 bytes per pixel in the
// order alpha, red, green, blue, colours premultiplied by alpha.
class PictureStrip final {
public:
    // Standard error messages of a refused picture, written exactly like this.
    static constexpr const char* kMemoryError = "Memory not allocated!";
    static constexpr const char* kContextError = "Context not created!";

    // Releases the current picture, then loads `image`. A picture that cannot be held (0 pixels
    // wide or high, or too large) writes one of the messages above to standard error and
    // leaves no picture. Returns whether a picture is held.
    bool setImageRef(const QImage& image);

    bool hasPicture() const { return pixels != nullptr; }
    int imageWidth() const { return imageWidth_; }
    int imageHeight() const { return imageHeight_; }
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
    int imageMult_ { 4 };
};

} // namespace sweeplight::display
