#pragma once

#include <QColor>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QImage;
class QRect;
class QString;
class QWidget;

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::uikit {

class ImageButton;

inline constexpr const char* kButtonBackgroundImageName = "blueButton.png";
inline constexpr const char* kButtonBackgroundPressedImageName = "whiteButton.png";

// Colours, styled buttons, the request-signing digest and the loading overlay, shared by the
// app and the service client. Frames are in points (logical pixels).
class UiHelpers final {
public:
    UiHelpers() = delete;

    // Loads the two shared button images; later calls do nothing. Every maker below calls it.
    static void initialize();
    // "blueButton.png" and "whiteButton.png", loaded once and kept for the process's life.
    static const QImage& buttonBackground();
    static const QImage& buttonBackgroundPressed();
    // Where buttons stretch their background images.
    static constexpr int kButtonLeftCapWidth = 12;
    static constexpr int kButtonTopCapHeight = 25;

    // 0xRRGGBB, opaque; bits 24 to 31 are ignored.
    static QColor colorFromHex(std::uint32_t hex);

    // White title on the blue image; black title on the white image while pressed.
    static std::unique_ptr<ImageButton>
    darkButtonWithTitle(const QString& title, std::function<void()> action, const QRect& frame);
    // `action` runs on touch-up-inside. With `darkTextColor` the title is black, and white
    // while pressed; otherwise the other way round. Bold 18-point title, centred.
    static std::unique_ptr<ImageButton>
    buttonWithTitle(const QString& title, std::function<void()> action, const QRect& frame,
                    const QImage& image, const QImage& imagePressed, bool darkTextColor);

    // MD5 of the text's UTF-8 bytes up to the first zero byte: 32 upper-case hexadecimal digits.
    static std::string md5(std::string_view text);

    // A black view at 75% opacity with a started small white spinner and the message below it
    // (white, bold 21 points, centred in a 320-point-wide label). The spinner turns on `runLoop`;
    // without one it stands still.
    static std::unique_ptr<QWidget>
    createLoadingViewWithMessage(const QString& message, const QRect& frame,
                                 foundation::RunLoop* runLoop = nullptr);
};

} // namespace sweeplight::uikit
