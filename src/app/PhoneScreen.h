#pragma once

#include <QWidget>

namespace sweeplight::app {

// The app's window content: the phone's screen, 320 x 480 points by design and any size in
// fact. The display view fills it (the display scales its own picture); the screens shown over
// the display are its pages: a page that lays itself out for any size fills the screen, a
// picture-like page (the intro) is the 320 x 480 design scaled to fit, centred.
class PhoneScreen final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 480;
    // Beside the phone, the onlooker's view needs at least this much room.
    static constexpr int kOnlookerMinimumWidth = 480;

    enum class PageFit { Fill, ScaledDesign };

    explicit PhoneScreen(QWidget* parent = nullptr);

    // The child that fills the screen (the display view); not owned.
    void setDisplayView(QWidget* view);
    // Puts `page` on this screen, on top, and keeps it laid out as `fit` says.
    void showPage(QWidget* page, PageFit fit);
    // Where the 320 x 480 design goes when scaled to fit, centred.
    QRect pageRect() const;
    QSize sizeHint() const override { return { kWidth, kHeight }; }

    // The window for a screen with `available` room: the design size where it fits, else all
    // the room there is (the pages lay themselves out for it).
    static QSize windowSize(const QSize& available);
    // Whether the onlooker's view fits beside a phone window on such a screen.
    static bool hasRoomForOnlooker(const QSize& available);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();
    void layOut(QWidget* page);

    QWidget* displayView_ { nullptr };
};

} // namespace sweeplight::app
