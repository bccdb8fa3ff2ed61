#include "PhoneScreen.h"

#include <algorithm>

namespace sweeplight::app {

namespace {
constexpr char kPageFitProperty[] = "sweeplightPageFit";
} // namespace

PhoneScreen::PhoneScreen(QWidget* parent)
    : QWidget(parent) {
    setObjectName("PhoneScreen");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet("#PhoneScreen { background: black; }");
}

void PhoneScreen::setDisplayView(QWidget* view) {
    displayView_ = view;
    layOut();
}

void PhoneScreen::showPage(QWidget* page, PageFit fit) {
    page->setParent(this);
    page->setProperty(kPageFitProperty, static_cast<int>(fit));
    layOut(page);
    page->show();
    page->raise();
}

QRect PhoneScreen::pageRect() const {
    const double scale = std::min(width() / double(kWidth), height() / double(kHeight));
    const QSize size(static_cast<int>(kWidth * scale), static_cast<int>(kHeight * scale));
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QSize PhoneScreen::windowSize(const QSize& available) {
    if (available.width() >= kWidth && available.height() >= kHeight)
        return { kWidth, kHeight };
    return available;
}

bool PhoneScreen::hasRoomForOnlooker(const QSize& available) {
    return available.width() >= kWidth + kOnlookerMinimumWidth && available.height() >= kHeight;
}

void PhoneScreen::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void PhoneScreen::layOut() {
    if (displayView_)
        displayView_->setGeometry(rect());
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        layOut(child);
}

void PhoneScreen::layOut(QWidget* page) {
    const QVariant fit = page->property(kPageFitProperty);
    if (!fit.isValid())
        return;
    page->setGeometry(static_cast<PageFit>(fit.toInt()) == PageFit::Fill ? rect() : pageRect());
}

} // namespace sweeplight::app
