#include "EAGLView.h"

#include "EAGLViewDelegate.h"

#include <QLabel>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

// Registers the display's pictures (resources/display.qrc). Outside any namespace, as Qt's
// resource initialisers are.
static void initDisplayResources() {
    Q_INIT_RESOURCE(display);
}

namespace sweeplight::app {

namespace {
constexpr const char* kHideInfoButtonAction = "hideInfoButton";
constexpr const char* kHideWavePhoneAction = "hideWavePhone";
constexpr int kScreenWidth = display::WaveDisplay::kFramebufferWidth;
constexpr int kScreenHeight = display::WaveDisplay::kFramebufferHeight;

// The display draws with its own EGL context on this thread. Qt's context (the window's
// backing store once a web view is shown, the web view's own) may be current here, and a GLX
// context current on a thread keeps any EGL context from becoming current on it. Qt makes its
// context current again whenever it needs it.
void releaseWindowSystemContext() {
    if (QOpenGLContext* current = QOpenGLContext::currentContext())
        current->doneCurrent();
}
} // namespace

std::unique_ptr<EAGLView> EAGLView::create(foundation::RunLoop& runLoop,
                                           motion::Accelerometer& accelerometer, QWidget* parent) {
    std::unique_ptr<display::WaveDisplay> display = display::WaveDisplay::create();
    if (!display)
        return nullptr;
    // Every frame is read back to be painted by the window, so GL would only rasterise squares
    // the CPU draws to the same bytes; drawn there, Mesa never compiles a shader, and its code
    // generator (some 17 MB of it) is never paged in.
    display->setSoftwareFrames(true);
    return std::unique_ptr<EAGLView>(
        new EAGLView(runLoop, accelerometer, std::move(display), parent));
}

EAGLView::EAGLView(foundation::RunLoop& runLoop, motion::Accelerometer& accelerometer,
                   std::unique_ptr<display::WaveDisplay> display, QWidget* parent)
    : QWidget(parent)
    , runLoop_(runLoop)
    , accelerometer_(accelerometer)
    , display_(std::move(display)) {
    initDisplayResources();
    // The framebuffer covers the whole view every frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_AcceptTouchEvents);

    wavePhone_ = new QLabel(this);
    wavePhone_->setPixmap(QPixmap(QStringLiteral(":/") + QLatin1String(kWavePhoneImage)));
    wavePhone_->setScaledContents(true);
    wavePhone_->setAttribute(Qt::WA_TransparentForMouseEvents);
    wavePhone_->hide();

    display_->onShowWavePhone = [this] { showWavePhone(); };
    display_->onHideWavePhone = [this] { hideWavePhone(); };
    display_->setClock([this] { return runLoop_.now(); });
    placeOverlays();
    enableAccelerometer();
}

EAGLView::~EAGLView() {
    stopAnimation();
    releaseWindowSystemContext();
    runLoop_.cancelPreviousPerformRequests(this);
    if (accelerometer_.delegate() == this)
        accelerometer_.setDelegate(nullptr);
}

void EAGLView::enableAccelerometer() {
    accelerometer_.setUpdateInterval(kAccelerometerInterval);
    accelerometer_.setDelegate(this);
}

void EAGLView::accelerometer(motion::Accelerometer&, const motion::Acceleration& acceleration) {
    display_->didAccelerate(acceleration.x, acceleration.y, acceleration.z);
}

// --- Surface ---------------------------------------------------------------------------------

void EAGLView::layoutSubviews() {
    releaseWindowSystemContext();
    display_->destroyFramebuffer();
    display_->createFramebuffer();
    drawView();
}

QSize EAGLView::sizeHint() const {
    return { kScreenWidth, kScreenHeight };
}

QRectF EAGLView::screenRect() const {
    const double scale = std::min(width() / double(kScreenWidth), height() / double(kScreenHeight));
    const QSizeF size(kScreenWidth * scale, kScreenHeight * scale);
    return { QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size };
}

void EAGLView::placeOverlays() {
    const QRectF screen = screenRect();
    const double scale = screen.width() / kScreenWidth;
    const auto place = [&](QWidget* overlay, QPointF origin, QSizeF size) {
        overlay->setGeometry(QRectF(screen.topLeft() + origin * scale, size * scale).toRect());
    };
    if (const QPixmap pixmap = wavePhone_->pixmap(); !pixmap.isNull())
        place(wavePhone_, QPointF(0, 0), pixmap.deviceIndependentSize());
    if (infoButton_)
        place(infoButton_, QPointF(kInfoButtonX, kInfoButtonY), infoButton_->sizeHint());
}

void EAGLView::resizeEvent(QResizeEvent*) {
    placeOverlays();
    layoutSubviews();
}

// --- Frames ----------------------------------------------------------------------------------

void EAGLView::drawView() {
    // The phone's present blocks until the screen has taken the frame, so every column drawn is
    // seen. A window cannot promise that: a frame is only on the screen once this view has
    // painted it. Until then a tick draws nothing and leaves the cursor where it is.
    if (frameWaitingForScreen_)
        return;
    releaseWindowSystemContext();
    lastDrawnFrame_ = display_->drawView();
    frameWaitingForScreen_ = true;
    update();
}

void EAGLView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF screen = screenRect();
    if (screen.size() != QSizeF(size()))
        painter.fillRect(rect(), Qt::black);
    painter.drawImage(screen, display_->presentedFrame());
    painter.end();
    if (!frameWaitingForScreen_)
        return;
    frameWaitingForScreen_ = false;
    if (onFramePresented)
        onFramePresented(display_->presentedFrame(), lastDrawnFrame_);
}

void EAGLView::startAnimation() {
    // A timer without a period (or with a NaN one) would fire without pause and starve the run
    // loop.
    if (!(animationInterval_ > 0)) {
        setAnimationTimer(foundation::RunLoop::kNoTimer);
        return;
    }
    setAnimationTimer(runLoop_.scheduleRepeating(animationInterval_, [this] { drawView(); }));
}

void EAGLView::stopAnimation() {
    setAnimationTimer(foundation::RunLoop::kNoTimer);
}

void EAGLView::setAnimationTimer(foundation::RunLoop::TimerId timer) {
    if (animationTimer_ != foundation::RunLoop::kNoTimer)
        runLoop_.cancel(animationTimer_);
    animationTimer_ = timer;
}

void EAGLView::setAnimationInterval(double seconds) {
    animationInterval_ = seconds;
    if (!isAnimating())
        return;
    stopAnimation();
    startAnimation();
}

// --- Overlays and touches ------------------------------------------------------------------

void EAGLView::showWavePhone() {
    wavePhone_->show();
    wavePhone_->raise();
}

void EAGLView::hideWavePhone() {
    display_->setNoMotionRating(0);
    if (isWavePhoneShown())
        wavePhone_->hide();
}

bool EAGLView::isWavePhoneShown() const {
    return !wavePhone_->isHidden();
}

void EAGLView::brieflyShowWave() {
    showWavePhone();
    display_->setNoMotionRating(100);
    runLoop_.performAfterDelay(this, kHideWavePhoneAction, kBriefWaveSeconds,
                               [this] { hideWavePhone(); });
}

void EAGLView::touchesBegan() {
    hideWavePhone();
    if (!infoButton_) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("infoButton"));
        button->setText(QStringLiteral("i"));
        button->setToolTip(tr("Menu"));
        button->setAccessibleName(tr("Menu"));
        button->setAutoRaise(true);
        button->setStyleSheet(QStringLiteral(
            "QToolButton { color: white; font: bold italic 13px serif; border: 2px solid white;"
            " border-radius: 9px; min-width: 14px; max-width: 14px; min-height: 14px;"
            " max-height: 14px; background: transparent; }"
            "QToolButton:pressed { background: rgba(255, 255, 255, 90); }"));
        connect(button, &QToolButton::pressed, this, [this] { infoClicked(); });
        infoButton_ = button;
        placeOverlays();
    }
    infoButton_->show();
    infoButton_->raise();
    runLoop_.cancelPreviousPerformRequests(this, kHideInfoButtonAction);
    runLoop_.performAfterDelay(this, kHideInfoButtonAction, kInfoButtonVisibleSeconds,
                               [this] { hideInfoButton(); });
}

void EAGLView::touchesEnded() {}

void EAGLView::hideInfoButton() {
    if (infoButton_)
        infoButton_->hide();
}

void EAGLView::infoClicked() {
    if (delegate_)
        delegate_->displayMenu();
}

void EAGLView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    touchesBegan();
}

void EAGLView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    touchesEnded();
}

} // namespace sweeplight::app
