#include "PageLayout.h"

#include <QEvent>
#include <QWidget>
#include <cmath>

namespace sweeplight::app {

PageLayout::PageLayout(QWidget& page)
    : QObject(&page)
    , page_(page) {
    for (QWidget* child : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        children_.push_back({ child, child->geometry(), false });
    page.installEventFilter(this);
}

PageLayout::Child* PageLayout::find(QWidget* widget) {
    for (Child& child : children_) {
        if (child.widget == widget)
            return &child;
    }
    return nullptr;
}

void PageLayout::place(QWidget* widget, const QRect& design) {
    Child* child = find(widget);
    if (!child) {
        children_.push_back({ widget, design, false });
        child = &children_.back();
    }
    child->design = design;
    apply(*child);
}

void PageLayout::keepSize(QWidget* widget) {
    if (Child* child = find(widget)) {
        child->keepSize = true;
        apply(*child);
    }
}

QRect PageLayout::map(const QRect& design) const {
    const double sx = page_.width() / double(kDesignWidth);
    const double sy = page_.height() / double(kDesignHeight);
    // Edges are mapped, not sizes, so neighbours that touch in the design still touch.
    const int left = static_cast<int>(std::lround(design.x() * sx));
    const int top = static_cast<int>(std::lround(design.y() * sy));
    const int right = static_cast<int>(std::lround((design.x() + design.width()) * sx));
    const int bottom = static_cast<int>(std::lround((design.y() + design.height()) * sy));
    return QRect(left, top, right - left, bottom - top);
}

void PageLayout::apply(const Child& child) const {
    if (!child.widget)
        return;
    QRect target = map(child.design);
    if (child.keepSize) {
        const QPoint centre = target.center();
        target = QRect(QPoint(0, 0), child.design.size());
        target.moveCenter(centre);
    }
    child.widget->setGeometry(target);
}

void PageLayout::apply() {
    for (const Child& child : children_)
        apply(child);
}

bool PageLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &page_ && event->type() == QEvent::Resize)
        apply();
    return QObject::eventFilter(watched, event);
}

} // namespace sweeplight::app
