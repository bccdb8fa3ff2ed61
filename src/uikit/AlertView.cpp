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
    , alive_(std::make_shared<bool>(true)) {
    if (!cancelButtonTitle.isNull())
        cancelButtonIndex_ = addButtonWithTitle(cancelButtonTitle);
    for (const QString& other : otherButtonTitles)
        addButtonWithTitle(other);
}

AlertView::~AlertView() {
    *alive_ = false;
    discardView();
}

void AlertView::discardView() {
    if (!view_)
        return;
    // Inside one of its own buttons' clicks the widget must outlive the click: Qt deletes it
    // once the click is over.
    view_->hide();
    if (dispatching_)
        view_->deleteLater();
    else
        delete view_;
    view_ = nullptr;
    buttonWidgets_.clear();
}

int AlertView::addButtonWithTitle(const QString& title) {
    buttonTitles_.push_back(title);
    return numberOfButtons() - 1;
}

QString AlertView::buttonTitleAtIndex(int buttonIndex) const {
    if (buttonIndex < 0 || buttonIndex >= numberOfButtons())
        return {};
    return buttonTitles_[static_cast<std::size_t>(buttonIndex)];
}

void AlertView::buildView() {
    discardView();
    view_ = new QWidget;
    view_->setObjectName(QStringLiteral("alertBackdrop"));
    auto* outer = new QVBoxLayout(view_);
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
    buttonWidgets_.clear();
    for (int index = 0; index < numberOfButtons(); ++index) {
        auto* button = new QPushButton(buttonTitleAtIndex(index));
        button->setFocusPolicy(Qt::NoFocus);
        QObject::connect(button, &QAbstractButton::clicked, button,
                         [this, index] { buttonClicked(index); });
        buttons->addWidget(button);
        buttonWidgets_.push_back(button);
    }
    // A centred box is given its size hint, which guesses the height of wrapped text; fix the
    // height from the box's real width instead.
    box->setFixedHeight(column->totalHeightForWidth(kBoxWidth));
}

void AlertView::show(QWidget* inView) {
    buildView();
    if (inView) {
        // Over the app's own window: a dim backdrop that also keeps touches from what is behind.
        view_->setParent(inView);
        view_->setAttribute(Qt::WA_StyledBackground);
        view_->setStyleSheet(
            QStringLiteral("QWidget#alertBackdrop { background: rgba(0, 0, 0, 110); }"));
        view_->setGeometry(inView->rect());
    } else {
        view_->setWindowFlags(Qt::Dialog);
        view_->setWindowTitle(title_);
    }
    view_->show();
    view_->raise();
}

bool AlertView::isVisible() const {
    return view_ && view_->isVisible();
}

void AlertView::dismissWithClickedButtonIndex(int buttonIndex, bool) {
    if (view_)
        view_->hide();
    if (delegate_)
        delegate_->modalView(*this, buttonIndex);
}

QWidget* AlertView::view() const {
    return view_;
}

QAbstractButton* AlertView::buttonAtIndex(int buttonIndex) const {
    if (!view_ || buttonIndex < 0 || buttonIndex >= static_cast<int>(buttonWidgets_.size()))
        return nullptr;
    return buttonWidgets_[static_cast<std::size_t>(buttonIndex)];
}

void AlertView::buttonClicked(int buttonIndex) {
    // The delegate may destroy this alert in either call; nothing of it is touched afterwards.
    std::shared_ptr<bool> alive = alive_;
    dispatching_ = true;
    if (delegate_)
        delegate_->alertView(*this, buttonIndex);
    if (!*alive)
        return;
    if (view_)
        view_->hide();
    if (delegate_)
        delegate_->modalView(*this, buttonIndex);
    if (*alive)
        dispatching_ = false;
}

} // namespace sweeplight::uikit
