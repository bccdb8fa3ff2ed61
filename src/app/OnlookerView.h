#pragma once

#include <QWidget>
#include <memory>

namespace sweeplight::motion {
class AirView;
class PhonePath;
} // namespace sweeplight::motion

namespace sweeplight::app {

// Beside a simulated swing: what an onlooker sees of the phone, an exposure that keeps what the
// eye keeps (about the last 0.1 s). Each presented frame is painted where the phone is while it
// shows it.
class OnlookerView final : public QWidget {
    Q_OBJECT
public:
    // `path` tells where the phone is (not owned; it outlives the view); `reach` is how far (in
    // metres) the phone moves to either side of the middle.
    OnlookerView(const motion::PhonePath& path, double reach, QWidget* parent = nullptr);
    ~OnlookerView() override;

    // A frame (320 x 480, as on the screen) has reached the screen at `time`.
    void framePresented(const QImage& frame, double time);

    QSize sizeHint() const override;
    const QImage& exposure() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const motion::PhonePath& path_;
    std::unique_ptr<motion::AirView> air_;
    double lastFade_ { -1 };
};

} // namespace sweeplight::app
