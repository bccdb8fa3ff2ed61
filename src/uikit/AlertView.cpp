#include "AlertView.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace sweeplight::uikit {

namespace {

constexpr int kBoxWidth = 284;

const char* const kBoxStyle = "QFrame#alertBox { background: rgba(16, 36, 84, 235);"
                              " border: 2px solid rgba(255, 255, 255, 200); border-radius: 10px; }"
                              "QLabel { color: white; background: transparent; }"
                              "QPushButton { color: white; font-weight: bold; font-size: 16px;"
                              " background: rgba(255, 255, 255, 40); border: 1px solid"
                              " rgba(255, 255, 255, 120); border-radius: 6px; padding: 8px; }"
                              "QPushButton:pressed { background: rgba(255, 255, 255, 110); }";

} // namespace

void AlertViewDelegate::alertView(AlertView&, int) {}
void AlertViewDelegate::modalView(AlertView&, int) {}

AlertView::AlertView(const QString& title, const QString& message, AlertViewDelegate* delegate,
                     const QString& cancelButtonTitle, const QStringList& otherButtonTitles)
    : title_(title)
    , message_(message)
    , delegate_(delegate)
    , panel_([this](int buttonIndex) { buttonClicked(buttonIndex); }) {
    if (!cancelButtonTitle.isNull())
        cancelButtonIndex_ = addButtonWithTitle(cancelButtonTitle);
    for (const QString& other : otherButtonTitles)
        addButtonWithTitle(other);
}

AlertView::~AlertView() = default;

void AlertView::buildView() {
    QWidget* backdrop = panel_.createView(nullptr);
    backdrop->setObjectName(QStringLiteral("alertBackdrop"));
    auto* outer = new QVBoxLayout(backdrop);
    outer->setAlignment(Qt::AlignCenter);

    auto* box = new QFrame;
    box->setObjectName(QStringLiteral("alertBox"));
    box->setStyleSheet(QLatin1String(kBoxStyle));
    box->setFixedWidth(kBoxWidth);
    outer->addWidget(box, 0, Qt::AlignCenter);

    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);
    auto* titleLabel = new QLabel(title_);
    titleLabel->setObjectName(QStringLiteral("title"));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setWordWrap(true);
    titleLabel->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 18px;"));
    column->addWidget(titleLabel);
    auto* messageLabel = new QLabel(message_);
    messageLabel->setObjectName(QStringLiteral("message"));
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    messageLabel->setStyleSheet(QStringLiteral("font-size: 15px;"));
    column->addWidget(messageLabel);

    // Two buttons sit side by side; one, or three and more, are stacked.
    QBoxLayout* buttons = numberOfButtons() == 2 ? static_cast<QBoxLayout*>(new QHBoxLayout)
                                                 : static_cast<QBoxLayout*>(new QVBoxLayout);
    column->addLayout(buttons);
    for (int index = 0; index < numberOfButtons(); ++index)
        buttons->addWidget(panel_.createButton(index));
    // A centred box is given its size hint, which guesses the height of wrapped text; fix the
    // height from the box's real width instead.
    box->setFixedHeight(column->totalHeightForWidth(kBoxWidth));
}

void AlertView::show(QWidget* inView) {
    buildView();
    QWidget* backdrop = view();
    if (inView) {
        // Over the app's own window: a dim backdrop that also keeps touches from what is behind.
        backdrop->setParent(inView);
        backdrop->setAttribute(Qt::WA_StyledBackground);
        backdrop->setStyleSheet(
            QStringLiteral("QWidget#alertBackdrop { background: rgba(0, 0, 0, 110); }"));
        backdrop->setGeometry(inView->rect());
    } else {
        backdrop->setWindowFlags(Qt::Dialog);
        backdrop->setWindowTitle(title_);
    }
    panel_.show(cancelButtonIndex_);
}

void AlertView::dismissWithClickedButtonIndex(int buttonIndex, bool) {
    panel_.hide();
    if (delegate_)
        delegate_->modalView(*this, buttonIndex);
}

void AlertView::buttonClicked(int buttonIndex) {
    // The delegate may destroy this alert in either call; nothing of it is touched afterwards.
    const ButtonPanel::Dispatch dispatch(panel_);
    if (delegate_)
        delegate_->alertView(*this, buttonIndex);
    if (!dispatch.ownerAlive())
        return;
    panel_.hide();
    if (delegate_)
        delegate_->modalView(*this, buttonIndex);
}

} // namespace sweeplight::uikit
