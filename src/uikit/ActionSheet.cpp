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
    , panel_([this](int buttonIndex) { buttonClicked(buttonIndex); }) {
    if (!destructiveButtonTitle.isNull())
        destructiveButtonIndex_ = addButtonWithTitle(destructiveButtonTitle);
    for (const QString& other : otherButtonTitles)
        addButtonWithTitle(other);
    if (!cancelButtonTitle.isNull())
        cancelButtonIndex_ = addButtonWithTitle(cancelButtonTitle);
}

ActionSheet::~ActionSheet() = default;

void ActionSheet::setDestructiveButtonIndex(int buttonIndex) {
    destructiveButtonIndex_ = buttonIndex;
    if (QWidget* shown = view())
        buildView(shown->parentWidget());
}

void ActionSheet::setActionSheetStyle(ActionSheetStyle style) {
    actionSheetStyle_ = style;
    if (QWidget* shown = view())
        buildView(shown->parentWidget());
}

void ActionSheet::buildView(QWidget* parent) {
    const bool wasVisible = isVisible();
    QWidget* backdrop = panel_.createView(parent);
    if (!parent) {
        backdrop->setWindowFlags(Qt::Dialog);
        backdrop->setWindowTitle(title_);
    }
    backdrop->setObjectName(QStringLiteral("actionSheetBackdrop"));
    backdrop->setAttribute(Qt::WA_StyledBackground);
    backdrop->setStyleSheet(
        QStringLiteral("QWidget#actionSheetBackdrop { background: rgba(0, 0, 0, 60); }"));
    auto* outer = new QVBoxLayout(backdrop);
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
        QPushButton* button = panel_.createButton(index);
        button->setProperty("destructive", index == destructiveButtonIndex_);
        button->setStyleSheet(QLatin1String(
            index == destructiveButtonIndex_ ? kDestructiveButtonStyle : kButtonStyle));
        column->addWidget(button);
    }
    if (parent)
        backdrop->setGeometry(parent->rect());
    if (wasVisible)
        panel_.show(cancelButtonIndex_);
}

void ActionSheet::showInView(QWidget* view) {
    buildView(view);
    panel_.show(cancelButtonIndex_);
}

void ActionSheet::dismissWithClickedButtonIndex(int buttonIndex, bool) {
    panel_.hide();
    if (delegate_)
        delegate_->actionSheet(*this, buttonIndex);
}

void ActionSheet::buttonClicked(int buttonIndex) {
    // The delegate may destroy the sheet; nothing of it is touched afterwards.
    const ButtonPanel::Dispatch dispatch(panel_);
    panel_.hide();
    if (delegate_)
        delegate_->actionSheet(*this, buttonIndex);
}

} // namespace sweeplight::uikit
