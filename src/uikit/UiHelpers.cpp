#include "UiHelpers.h"

#include "ActivityIndicatorView.h"
#include "ImageButton.h"
#include "foundation/Log.h"
#include "foundation/Md5.h"

#include <QGraphicsDropShadowEffect>
#include <QImage>
#include <QLabel>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cmath>

// Resources of a static library must be registered by hand, and from the global namespace.
static void registerUikitResources() {
    Q_INIT_RESOURCE(uikit);
}

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcUikit, "sweeplight.uikit", QtWarningMsg)

namespace sweeplight::uikit {

namespace {

constexpr double kLoadingViewAlpha = 0.75;
constexpr int kSpinnerSize = 20;
constexpr int kLabelWidth = 320;
constexpr int kLabelHeight = 31;
constexpr int kLabelGapBelowSpinner = 21;
constexpr int kLoadingFontSize = 21;
constexpr int kButtonFontSize = 18;

struct SharedImages {
    QImage buttonBackground;
    QImage buttonBackgroundPressed;
};

QImage loadImage(const char* name) {
    QImage image(QStringLiteral(":/") + QLatin1String(name));
    if (image.isNull())
        foundation::logWarning(lcUikit(), std::string("UiHelpers: missing image resource ") + name);
    return image;
}

// Loaded on first use and never released, as the buttons made from them may live as long as
// the process.
const SharedImages& sharedImages() {
    static const SharedImages* images = [] {
        registerUikitResources();
        return new SharedImages { loadImage(kButtonBackgroundImageName),
                                  loadImage(kButtonBackgroundPressedImageName) };
    }();
    return *images;
}

QFont boldSystemFont(int pixelSize) {
    QFont font;
    font.setBold(true);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

void UiHelpers::initialize() {
    sharedImages();
}

const QImage& UiHelpers::buttonBackground() {
    return sharedImages().buttonBackground;
}

const QImage& UiHelpers::buttonBackgroundPressed() {
    return sharedImages().buttonBackgroundPressed;
}

QColor UiHelpers::colorFromHex(std::uint32_t hex) {
    const double red = static_cast<double>((hex >> 16) & 0xFF) / 255.0;
    const double green = static_cast<double>((hex >> 8) & 0xFF) / 255.0;
    const double blue = static_cast<double>(hex & 0xFF) / 255.0;
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green),
                            static_cast<float>(blue), 1.0f);
}

std::unique_ptr<ImageButton> UiHelpers::darkButtonWithTitle(const QString& title,
                                                            std::function<void()> action,
                                                            const QRect& frame) {
    initialize();
    return buttonWithTitle(title, std::move(action), frame, buttonBackground(),
                           buttonBackgroundPressed(), false);
}

std::unique_ptr<ImageButton>
UiHelpers::buttonWithTitle(const QString& title, std::function<void()> action, const QRect& frame,
                           const QImage& image, const QImage& imagePressed, bool darkTextColor) {
    initialize();
    auto button = std::make_unique<ImageButton>();
    button->setGeometry(frame);
    button->setText(title);
    const QColor normal = darkTextColor ? QColor(Qt::black) : QColor(Qt::white);
    const QColor highlighted = darkTextColor ? QColor(Qt::white) : QColor(Qt::black);
    button->setTitleColor(normal, ImageButton::State::Normal);
    button->setTitleColor(highlighted, ImageButton::State::Highlighted);
    button->setFont(boldSystemFont(kButtonFontSize));
    button->setBackgroundImage(StretchableImage(image, kButtonLeftCapWidth, kButtonTopCapHeight),
                               ImageButton::State::Normal);
    button->setBackgroundImage(
        StretchableImage(imagePressed, kButtonLeftCapWidth, kButtonTopCapHeight),
        ImageButton::State::Highlighted);
    if (action)
        QObject::connect(button.get(), &QAbstractButton::clicked, button.get(),
                         [action = std::move(action)] { action(); });
    return button;
}

std::string UiHelpers::md5(std::string_view text) {
    return foundation::Md5::textDigest(text);
}

std::unique_ptr<QWidget> UiHelpers::createLoadingViewWithMessage(const QString& message,
                                                                 const QRect& frame,
                                                                 foundation::RunLoop* runLoop) {
    auto view = std::make_unique<QWidget>();
    view->setGeometry(frame);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0, 0, 0, kLoadingViewAlpha));
    view->setPalette(palette);
    view->setAutoFillBackground(true);

    const double spinnerX = frame.width() * 0.5 - kSpinnerSize / 2.0;
    const double spinnerY = frame.height() * 0.5 - 50.0;
    auto* spinner =
        new ActivityIndicatorView(ActivityIndicatorViewStyle::White, runLoop, view.get());
    spinner->setGeometry(static_cast<int>(std::floor(spinnerX)),
                         static_cast<int>(std::floor(spinnerY)), kSpinnerSize, kSpinnerSize);
    spinner->startAnimating();

    // The label keeps its width whatever the frame's: the overlay was laid out for a
    // 320-point screen.
    auto* label = new QLabel(message, view.get());
    label->setGeometry(0, static_cast<int>(std::floor(spinnerY + kLabelGapBelowSpinner)),
                       kLabelWidth, kLabelHeight);
    label->setAutoFillBackground(false);
    label->setFont(boldSystemFont(kLoadingFontSize));
    QPalette labelPalette = label->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(labelPalette);
    label->setAlignment(Qt::AlignCenter);
    auto* shadow = new QGraphicsDropShadowEffect(label);
    shadow->setColor(Qt::black);
    shadow->setOffset(1, 1);
    shadow->setBlurRadius(0);
    label->setGraphicsEffect(shadow);
    return view;
}

} // namespace sweeplight::uikit
