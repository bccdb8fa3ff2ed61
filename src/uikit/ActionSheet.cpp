#include "ActionSheet.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace sweeplight::uikit {

namespace {

const char* panelStyle(ActionSheetStyle style) {
    switch (style) {
    case ActionSheetStyle::BlackOpaque:
        return "QFrame#actionSheetPanel { background: rgb(0, 0, 0); }";
    case ActionSheetStyle::BlackTranslucent:
        return "QFrame#actionSheetPanel { background: rgba(0, 0, 0, 200); }";
    case ActionSheetStyle::Default:
        break;
    }
    return "QFrame#actionSheetPanel { background: rgba(60, 70, 90, 235); }";
}

constexpr const char* kButtonStyle =
    "QPushButton { color: white; font-weight: bold; font-size: 18px; min-height: 40px;"
    " background: rgb(70, 70, 74); border: 1px solid rgb(20, 20, 20); border-radius: 8px; }"
    "QPushButton:pressed { background: rgb(110, 110, 116); }";
// The warning style: white on red, for the button that destroys or leaves.
constexpr const char* kDestructiveButtonStyle =
    "QPushButton { color: white; font-weight: bold; font-size: 18px; min-height: 40px;"
    " background: rgb(205, 32, 32); border: 1px solid rgb(110, 0, 0); border-radius: 8px; }"
    "QPushButton:pressed { background: rgb(240, 70, 70); }";

} // namespace

ActionSheet::ActionSheet(const QString& title, ActionSheetDelegate* delegate,
                         const QString& cancelButtonTitle, const QString& destructiveButtonTitle,
                         const QStringList& otherButtonTitles)
    : title_(title)
    , delegate_(delegate)
    , alive_(std::make_shared<bool>(true)) {
    if (!destructiveButtonTitle.isNull())
        destructiveButtonIndex_ = addButtonWithTitle(destructiveButtonTitle);
    for (const QString& other : otherButtonTitles)
        addButtonWithTitle(other);
    if (!cancelButtonTitle.isNull())
        cancelButtonIndex_ = addButtonWithTitle(cancelButtonTitle);
}

ActionSheet::~ActionSheet() {
    *alive_ = false;
    discardView();
}

int ActionSheet::addButtonWithTitle(const QString& title) {
    buttonTitles_.push_back(title);
    return numberOfButtons() - 1;
}

QString ActionSheet::buttonTitleAtIndex(int buttonIndex) const {
    if (buttonIndex < 0 || buttonIndex >= numberOfButtons())
        return {};
    return buttonTitles_[static_cast<std::size_t>(buttonIndex)];
}

void ActionSheet::setDestructiveButtonIndex(int buttonIndex) {
    destructiveButtonIndex_ = buttonIndex;
    if (view_)
        buildView(view_->parentWidget());
}

void ActionSheet::setActionSheetStyle(ActionSheetStyle style) {
    actionSheetStyle_ = style;
    if (view_)
        buildView(view_->parentWidget());
}

void ActionSheet::discardView() {
    if (!view_)
        return;
    // Inside one of its own buttons' clicks the widget must outlive the click.
    view_->hide();
    if (dispatching_)
        view_->deleteLater();
    else
        delete view_;
    view_ = nullptr;
    buttonWidgets_.clear();
}

void ActionSheet::buildView(QWidget* parent) {
    const bool wasVisible = isVisible();
    discardView();

    view_ = new QWidget(parent);
    if (!parent) {
        view_->setWindowFlags(Qt::Dialog);
        view_->setWindowTitle(title_);
    }
    view_->setObjectName(QStringLiteral("actionSheetBackdrop"));
    view_->setAttribute(Qt::WA_StyledBackground);
    view_->setStyleSheet(
        QStringLiteral("QWidget#actionSheetBackdrop { background: rgba(0, 0, 0, 60); }"));
    auto* outer = new QVBoxLayout(view_);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addStretch(1);

    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("actionSheetPanel"));
    panel->setStyleSheet(QLatin1String(panelStyle(actionSheetStyle_)));
    outer->addWidget(panel);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(18, 14, 18, 18);
    column->setSpacing(8);
    if (!title_.isEmpty()) {
        auto* titleLabel = new QLabel(title_);
        titleLabel->setAlignment(Qt::AlignCenter);
        titleLabel->setWordWrap(true);
        titleLabel->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        column->addWidget(titleLabel);
    }
    for (int index = 0; index < numberOfButtons(); ++index) {
        auto* button = new QPushButton(buttonTitleAtIndex(index));
        button->setFocusPolicy(Qt::NoFocus);
        button->setProperty("destructive", index == destructiveButtonIndex_);
        button->setStyleSheet(QLatin1String(
            index == destructiveButtonIndex_ ? kDestructiveButtonStyle : kButtonStyle));
        QObject::connect(button, &QAbstractButton::clicked, button,
                         [this, index] { buttonClicked(index); });
        column->addWidget(button);
        buttonWidgets_.push_back(button);
    }
    if (parent)
        view_->setGeometry(parent->rect());
    if (wasVisible) {
        view_->show();
        view_->raise();
    }
}

void ActionSheet::showInView(QWidget* view) {
    buildView(view);
    view_->show();
    view_->raise();
}

bool ActionSheet::isVisible() const {
    return view_ && view_->isVisible();
}

void ActionSheet::dismissWithClickedButtonIndex(int buttonIndex, bool) {
    if (view_)
        view_->hide();
    if (delegate_)
        delegate_->actionSheet(*this, buttonIndex);
}

QWidget* ActionSheet::view() const {
    return view_;
}

QAbstractButton* ActionSheet::buttonAtIndex(int buttonIndex) const {
    if (!view_ || buttonIndex < 0 || buttonIndex >= static_cast<int>(buttonWidgets_.size()))
        return nullptr;
    return buttonWidgets_[static_cast<std::size_t>(buttonIndex)];
}

void ActionSheet::buttonClicked(int buttonIndex) {
    // The delegate may destroy the sheet; nothing of it is touched afterwards.
    std::shared_ptr<bool> alive = alive_;
    dispatching_ = true;
    if (view_)
        view_->hide();
    if (delegate_)
        delegate_->actionSheet(*this, buttonIndex);
    if (*alive)
        dispatching_ = false;
}

} // namespace sweeplight::uikit
