#pragma once

#include "display/WaveDisplay.h"
#include "foundation/RunLoop.h"
#include "motion/Accelerometer.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAbstractButton;
class QLabel;

namespace sweeplight::app {

class EAGLViewDelegate;

// The full-screen view of the wave display. It owns the display (strip, colour, modes, cursors,
// picture, sweep state and the GL ES framebuffer), the frame timer on the run loop, the
// accelerometer subscription, and two overlays: the wave hint and the info button. The
// framebuffer is always 320 x 480; the view paints it scaled to fit, and places its overlays in
// those 320 x 480 coordinates.
class EAGLView final : public QWidget, public motion::AccelerometerDelegate {
    Q_OBJECT
public:
    static constexpr const char* kWavePhoneImage = "wavePhone.png";
    static constexpr double kAccelerometerInterval = 1.0 / 70.0;
    static constexpr double kInfoButtonVisibleSeconds = 3.0;
    static constexpr double kBriefWaveSeconds = 2.3;
    static constexpr int kInfoButtonX = 285;
    static constexpr int kInfoButtonY = 445;

    // A view in its creation state (message "hey!", red, column mode, going forwards,
    // accelerometer at 1/70 s, timer stopped). Null when no OpenGL ES 1.1 context can be made.
    static std::unique_ptr<EAGLView> create(foundation::RunLoop& runLoop,
                                            motion::Accelerometer& accelerometer,
                                            QWidget* parent = nullptr);
    ~EAGLView() override;

    display::WaveDisplay& display() { return *display_; }
    const display::WaveDisplay& display() const { return *display_; }

    void setDelegate(EAGLViewDelegate* delegate) { delegate_ = delegate; }
    EAGLViewDelegate* delegate() const { return delegate_; }

    // --- Content (forwarded to the display) ----------------------------------------------------
    void setMessage(const QString& text) { display_->setMessage(text); }
    void setImageRef(const QImage& image) { display_->setImageRef(image); }
    void setUIColor(const QColor& color) { display_->setUIColor(color); }
    void setRainbowMode(bool on) { display_->setRainbowMode(on); }
    void setInImageMode(bool on) { display_->setInImageMode(on); }
    void setInRepeatMode(bool on) { display_->setInRepeatMode(on); }
    void setDrawWholeLetterMode(bool on) { display_->setDrawWholeLetterMode(on); }

    // --- Surface ---------------------------------------------------------------------------------
    void layoutSubviews();
    bool createFramebuffer() { return display_->createFramebuffer(); }
    void destroyFramebuffer() { display_->destroyFramebuffer(); }

    // --- Frames ----------------------------------------------------------------------------------
    // Draws and presents one frame, unless the previous frame has not reached the screen yet:
    // then it draws nothing and the cursor stays, so no column is ever skipped.
    void drawView();
    void startAnimation();
    void stopAnimation();
    void setAnimationInterval(double seconds);
    double animationInterval() const { return animationInterval_; }
    bool isAnimating() const { return animationTimer_ != foundation::RunLoop::kNoTimer; }
    // True from a frame's drawing until the view has painted it.
    bool isFrameWaitingForScreen() const { return frameWaitingForScreen_; }
    const display::DrawnFrame& lastDrawnFrame() const { return lastDrawnFrame_; }
    // Called when a frame has been painted: the frame as on the screen and what it shows.
    std::function<void(const QImage& frame, const display::DrawnFrame& drawn)> onFramePresented;

    // --- Overlays and touches ------------------------------------------------------------------
    void showWavePhone();
    void hideWavePhone();
    void brieflyShowWave();
    bool isWavePhoneShown() const;
    void hideInfoButton();
    void infoClicked();
    // The info button, or null before the first touch.
    QAbstractButton* infoButton() const { return infoButton_; }
    void touchesBegan();
    void touchesEnded();

    // --- Accelerometer ---------------------------------------------------------------------------
    void accelerometer(motion::Accelerometer& accelerometer,
                       const motion::Acceleration& acceleration) override;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    EAGLView(foundation::RunLoop& runLoop, motion::Accelerometer& accelerometer,
             std::unique_ptr<display::WaveDisplay> display, QWidget* parent);

    void enableAccelerometer();
    void setAnimationTimer(foundation::RunLoop::TimerId timer);
    // Where the 320 x 480 framebuffer is painted inside the widget.
    QRectF screenRect() const;
    void placeOverlays();

    foundation::RunLoop& runLoop_;
    motion::Accelerometer& accelerometer_;
    std::unique_ptr<display::WaveDisplay> display_;
    foundation::RunLoop::TimerId animationTimer_ { foundation::RunLoop::kNoTimer };
    double animationInterval_ { 0 };
    EAGLViewDelegate* delegate_ { nullptr };
    QAbstractButton* infoButton_ { nullptr }; // owned by this widget
    QLabel* wavePhone_ { nullptr };           // owned by this widget
    bool frameWaitingForScreen_ { false };
    display::DrawnFrame lastDrawnFrame_;
};

} // namespace sweeplight::app
