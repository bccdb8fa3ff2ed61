#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <vector>

class QWidget;

namespace sweeplight::app {

// Lays out a page drawn for the phone's 320 x 480 point screen (a Designer form with fixed
// geometries) for whatever size the page has: each child's design rectangle is stretched by
// the page's width / 320 and height / 480, so the page fills a taller or a wider screen and
// nothing falls off a smaller one. Pictures that are read pixel for pixel (the colour wheel,
// the chosen picture) keep their size, centred where their rectangle lands.
class PageLayout final : public QObject {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 320;
    static constexpr int kDesignHeight = 480;

    // Takes the current geometry of `page`'s direct children as their design.
    explicit PageLayout(QWidget& page);

    // Sets (and remembers) the design rectangle of `child`, and places it.
    void place(QWidget* child, const QRect& design);
    // Children of this size are placed by their centre only.
    void keepSize(QWidget* child);
    // Where a design rectangle lands on the page at its current size.
    QRect map(const QRect& design) const;
    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Child {
        QPointer<QWidget> widget;
        QRect design;
        bool keepSize { false };
    };
    void apply(const Child& child) const;
    Child* find(QWidget* widget);

    QWidget& page_;
    std::vector<Child> children_;
};

} // namespace sweeplight::app
