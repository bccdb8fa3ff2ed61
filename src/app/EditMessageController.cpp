#include "EditMessageController.h"

#include "AppKeys.h"
#include "AppLog.h"
#include "AppResources.h"
#include "EditMessageDelegate.h"
#include "ImageView.h"
#include "MessageEntryValidator.h"
#include "PageLayout.h"
#include "TouchView.h"
#include "foundation/Log.h"
#include "foundation/Preferences.h"
#include "foundation/RunLoop.h"
#include "ui_EditMessage.h"
#include "uikit/AlertView.h"
#include "uikit/UiHelpers.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QTouchEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace sweeplight::app {

namespace {
constexpr char kCurrentTimePreset[] = "Current Time";
constexpr char kYowsersTitle[] = "Yowsers";
constexpr char kYowsersMessage[] = "Please Enter a message to display.";
constexpr char kHeyMessage[] = "HEY!";
constexpr char kILoveYouMessage[] = "I LOVE YOU!";
constexpr char kRowSelectedLogLine[] = "Row selecrted";
constexpr char kContextError[] = "Context not created!";
constexpr char kAllowedPunctuation[] = " !?.:*-";
constexpr char kColorWheelImage[] = ":/colorWheel.png";

struct Preset {
    const char* text;
    std::uint32_t color;
};
constexpr Preset kPresets[] = {
    { "HEY!", 0x00FF00 },        { kCurrentTimePreset, 0x55AAFF },
    { "I LOVE YOU!", 0xFF66FF }, { "STOP!", 0xFF0000 },
    { "LOOK", 0xFFCC00 },        { "COOL", 0x1155FF },
    { "LOL", 0xFFFF44 },         { "Over Here", 0x00FF00 },
    { "Quiet", 0xFF4455 },       { "Lets Go!", 0xFF4455 },
    { "Laugh", 0xFF4455 },       { "OMG", 0xFF4455 },
    { "ROTFL", 0xFF4455 },       { "Look Out", 0xFF4455 },
    { "Danger", 0xFF4455 },
};

// The preset list sits at the bottom of the 320 x 480 screen (no status bar is shown).
constexpr int kApplicationFrameHeight = 480;
constexpr QSize kPickerNaturalSize { 320, 216 };
} // namespace

EditMessageController::EditMessageController(foundation::RunLoop& runLoop,
                                             foundation::Preferences& preferences, QWidget* parent)
    : QWidget(parent)
    , runLoop_(runLoop)
    , preferences_(preferences)
    , ui_(std::make_unique<Ui::EditMessage>()) {
    initAppResources();
    ui_->setupUi(this);
    setObjectName("EditMessageController");
    resize(320, 480);
    // Drawn for 320 x 480, laid out for the screen it is shown on; the colour wheel is read
    // pixel for pixel and keeps its size.
    pageLayout_ = new PageLayout(*this);
    pageLayout_->keepSize(ui_->imgColors);
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_StyledBackground);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet("#EditMessageController { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                  "stop:0 #202028, stop:1 #000000); }"
                  "QLabel, QCheckBox { color: #dddddd; }"
                  "#titleLabel { color: white; font-weight: bold; font-size: 17px; }"
                  "#fadeView { background: rgba(0, 0, 0, 150); }"
                  "#smokedSelect { background: rgba(40, 40, 40, 230); }");
    ui_->imgColors->setImage(QImage(kColorWheelImage));

    ui_->messageText->setValidator(new MessageEntryValidator(
        *ui_->messageText, [this](int location, int length, const QString& replacement) {
            return textField(ui_->messageText, location, length, replacement);
        }));
    ui_->messageText->installEventFilter(this);
    ui_->fadeView->onTouched = [this] { fadeViewTouched(); };
    connect(ui_->cancelEditingButton, &QAbstractButton::clicked, this,
            [this] { cancelEditingClicked(); });
    connect(ui_->cancelPresetButton, &QAbstractButton::clicked, this,
            [this] { cancelPresetClicked(); });
    connect(ui_->selectPresetButton, &QAbstractButton::clicked, this,
            [this] { selectPresetClicked(); });
    connect(ui_->doneButton, &QAbstractButton::clicked, this, [this] { doneClicked(); });
    connect(ui_->cancelButton, &QAbstractButton::clicked, this, [this] { cancel(); });
    connect(ui_->presetsButton, &QAbstractButton::clicked, this, [this] { presetsClicked(); });
    connect(ui_->heyButton, &QAbstractButton::clicked, this, [this] { hey(); });
    connect(ui_->iloveyouButton, &QAbstractButton::clicked, this, [this] { iloveyou(); });
    connect(ui_->rainbowButton, &QAbstractButton::clicked, this, [this] { rainbow(); });
    connect(ui_->rainbowSwitch, &QCheckBox::toggled, this,
            [this] { rainbowSwitched(ui_->rainbowSwitch); });
    connect(ui_->steadySwitch, &QCheckBox::toggled, this,
            [this] { steadySwitched(ui_->steadySwitch); });
    viewDidLoad();
}

EditMessageController::~EditMessageController() {
    runLoop_.cancelPreviousPerformRequests(this);
}

QLineEdit* EditMessageController::messageText() const {
    return ui_->messageText;
}
ImageView* EditMessageController::imgColors() const {
    return ui_->imgColors;
}
QWidget* EditMessageController::smokedSelect() const {
    return ui_->smokedSelect;
}
QWidget* EditMessageController::currentColor() const {
    return ui_->currentColor;
}
QCheckBox* EditMessageController::rainbowSwitch() const {
    return ui_->rainbowSwitch;
}
QCheckBox* EditMessageController::steadySwitch() const {
    return ui_->steadySwitch;
}
TouchView* EditMessageController::fadeView() const {
    return ui_->fadeView;
}
QAbstractButton* EditMessageController::cancelEditingButton() const {
    return ui_->cancelEditingButton;
}
QAbstractButton* EditMessageController::cancelPresetButton() const {
    return ui_->cancelPresetButton;
}
QAbstractButton* EditMessageController::selectPresetButton() const {
    return ui_->selectPresetButton;
}
QAbstractButton* EditMessageController::doneButton() const {
    return ui_->doneButton;
}
QAbstractButton* EditMessageController::cancelButton() const {
    return ui_->cancelButton;
}
QAbstractButton* EditMessageController::presetsButton() const {
    return ui_->presetsButton;
}
QAbstractButton* EditMessageController::heyButton() const {
    return ui_->heyButton;
}
QAbstractButton* EditMessageController::iloveyouButton() const {
    return ui_->iloveyouButton;
}
QAbstractButton* EditMessageController::rainbowButton() const {
    return ui_->rainbowButton;
}

bool EditMessageController::isPickerShowing() const {
    return myPickerView_ && myPickerView_->parentWidget();
}

// --- Lifecycle -----------------------------------------------------------------------------

void EditMessageController::viewDidLoad() {
    // Sizes are pixels of the design, as everywhere else in the interface; points would grow
    // with the screen's dots per inch (20 points are 27 pixels at 96 dpi).
    QFont font = ui_->messageText->font();
    font.setBold(true);
    font.setPixelSize(20);
    ui_->messageText->setFont(font);
    QPalette palette = ui_->messageText->palette();
    palette.setColor(QPalette::Base, QColor(0x10, 0x10, 0x10));
    ui_->messageText->setPalette(palette);
    setTextColor(Qt::white);
}

void EditMessageController::viewWillAppear(bool) {
    if (preferences_.hasObjectForKey(kRecentTextKey)) {
        std::string text = preferences_.stringForKey(kRecentTextKey);
        foundation::logLine(lcApp(), text);
        ui_->messageText->setText(QString::fromStdString(text));
    }
    // Only the green key decides, as the stored colour is always written as a whole.
    if (preferences_.hasObjectForKey(kRecentColorGKey)) {
        QColor color = QColor::fromRgbF(preferences_.floatForKey(kRecentColorRKey),
                                        preferences_.floatForKey(kRecentColorGKey),
                                        preferences_.floatForKey(kRecentColorBKey), 1.0f);
        changeBgColor(color);
    }
    if (preferences_.hasObjectForKey(kRainbowOnKey)) {
        QSignalBlocker blocker(ui_->rainbowSwitch);
        ui_->rainbowSwitch->setChecked(preferences_.boolForKey(kRainbowOnKey));
    }
    QSignalBlocker steadyBlocker(ui_->steadySwitch);
    ui_->steadySwitch->setChecked(preferences_.hasObjectForKey(kSteadyLettersKey) &&
                                  preferences_.boolForKey(kSteadyLettersKey));
}

void EditMessageController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    viewWillAppear(false);
    // Keys reach the editor (Enter for Done, Esc to leave), but typing starts only when the
    // user picks the field: beginning to edit clears it.
    setFocus(Qt::OtherFocusReason);
}

void EditMessageController::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Done, Cancel and the quick messages close the editor while the user may still be typing
    // (Cancel resigns the keyboard first, so the typing state no longer tells). The next
    // presentation must start idle: no aid left on screen, and picking the field begins editing.
    if (event->spontaneous())
        return;
    resignKeyboard();
    ui_->fadeView->hide();
    ui_->cancelEditingButton->hide();
    ui_->cancelPresetButton->hide();
    ui_->selectPresetButton->hide();
    removePicker();
    ui_->smokedSelect->hide();
}

// --- Text entry ------------------------------------------------------------------------------

bool EditMessageController::isAllowedCharacter(const QString& character) {
    QString lower = character.toLower();
    if (lower.size() != 1)
        return false;
    QChar c = lower.at(0);
    if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
        return true;
    return c.unicode() < 0x80 && std::strchr(kAllowedPunctuation, c.toLatin1()) != nullptr;
}

bool EditMessageController::textField(QLineEdit*, int, int,
                                      const QString& replacementString) const {
    if (replacementString.size() > 1)
        return false;
    if (replacementString.isEmpty())
        return true;
    return isAllowedCharacter(replacementString);
}

bool EditMessageController::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ui_->messageText)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        if (!isEditing_)
            textFieldDidBeginEditing(ui_->messageText);
        return false;
    case QEvent::KeyPress: {
        // The keyboard's return key ends typing; it must not go on to the editor as Done. Escape
        // goes on to the editor, which leaves the typing state.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        textFieldShouldReturn(ui_->messageText);
        return true;
    }
    default:
        return false;
    }
}

void EditMessageController::textFieldDidBeginEditing(QLineEdit*) {
    isEditing_ = true;
    ui_->messageText->setText(QString());
    pageLayout_->place(ui_->fadeView, QRect(0, 115, 320, 480));
    ui_->fadeView->show();
    ui_->cancelEditingButton->show();
    ui_->cancelEditingButton->raise();
}

void EditMessageController::resignKeyboard() {
    isEditing_ = false;
    if (ui_->messageText->hasFocus())
        setFocus(Qt::OtherFocusReason);
}

bool EditMessageController::textFieldShouldReturn(QLineEdit*) {
    resignKeyboard();
    ui_->fadeView->hide();
    ui_->cancelEditingButton->hide();
    return true;
}

void EditMessageController::cancelEditingClicked() {
    resignKeyboard();
    ui_->fadeView->hide();
    ui_->cancelEditingButton->hide();
    viewWillAppear(false);
}

void EditMessageController::fadeViewTouched() {
    hideAnyEditingUI();
}

void EditMessageController::cancelPresetClicked() {
    hideAnyEditingUI();
}

void EditMessageController::hideAnyEditingUI() {
    ui_->cancelPresetButton->hide();
    ui_->selectPresetButton->hide();
    resignKeyboard();
    viewWillAppear(false);
    ui_->fadeView->hide();
    ui_->cancelEditingButton->hide();
    removePicker();
    ui_->smokedSelect->hide();
}

// --- Done, Cancel, quick messages ------------------------------------------------------------

void EditMessageController::showAlert(const QString& title, const QString& message) {
    alert_ = std::make_unique<uikit::AlertView>(title, message, nullptr, kOkButtonTitle);
    alert_->show(this);
}

void EditMessageController::doneClicked() {
    QString text = ui_->messageText->text();
    if (text.isEmpty()) {
        showAlert(kYowsersTitle, kYowsersMessage);
        return;
    }
    if (!delegate_)
        return;
    // setUIColor: turns the rainbow off, so the rainbow call must come after it.
    delegate_->setUIColor(textColor());
    if (ui_->rainbowSwitch->isChecked())
        delegate_->setRainbowOn();
    else
        delegate_->setRainbowOff();
    delegate_->setMessage(text);
    delegate_->doneEditing();
}

void EditMessageController::cancel() {
    if (isPickerShowing()) {
        removePicker();
        return;
    }
    resignKeyboard();
    if (delegate_)
        delegate_->closeEditing();
}

void EditMessageController::hey() {
    ui_->messageText->setText(kHeyMessage);
    QColor color = QColor::fromRgbF(0, 1, 1, 1);
    if (delegate_)
        delegate_->setUIColor(color);
    changeBgColor(color);
    doneClicked();
}

void EditMessageController::iloveyou() {
    ui_->messageText->setText(kILoveYouMessage);
    QColor color = QColor::fromRgbF(1, 0.55f, 1, 1);
    if (delegate_)
        delegate_->setUIColor(color);
    changeBgColor(color);
    doneClicked();
}

void EditMessageController::rainbow() {
    if (delegate_)
        delegate_->setRainbowOn();
}

void EditMessageController::rainbowSwitched(QCheckBox*) {
    // Read when Done is pressed.
}

void EditMessageController::steadySwitched(QCheckBox* sender) {
    const bool on = sender->isChecked();
    preferences_.setBool(on, kSteadyLettersKey);
    if (delegate_)
        delegate_->setSteadyLetters(on);
}

void EditMessageController::setTextColor(const QColor& color) {
    QPalette palette = ui_->messageText->palette();
    palette.setColor(QPalette::Text, color);
    ui_->messageText->setPalette(palette);
}

QColor EditMessageController::textColor() const {
    return ui_->messageText->palette().color(QPalette::Text);
}

void EditMessageController::changeBgColor(const QColor& color) {
    setTextColor(color);
    QPalette palette = ui_->currentColor->palette();
    palette.setColor(QPalette::Window, color);
    ui_->currentColor->setPalette(palette);
    ui_->currentColor->setAutoFillBackground(true);
}

// --- Presets ---------------------------------------------------------------------------------

void EditMessageController::createPicker() {
    pickerViewArray_.clear();
    pickerColorArray_.clear();
    for (const Preset& preset : kPresets) {
        pickerViewArray_.append(QString::fromLatin1(preset.text));
        pickerColorArray_.push_back(preset.color);
    }

    myPickerView_ = std::make_unique<QListWidget>();
    myPickerView_->setObjectName("myPickerView");
    myPickerView_->setAccessibleName("Presets");
    myPickerView_->resize(kPickerNaturalSize);
    myPickerView_->setGeometry(pickerFrameWithSize(myPickerView_->size()));
    myPickerView_->setStyleSheet(
        "QListWidget { background: black; border: none; }"
        "QListWidget::item:selected { background: rgba(255, 255, 255, 60); "
        "border-top: 1px solid #888; border-bottom: 1px solid #888; }");
    myPickerView_->setSelectionMode(QAbstractItemView::SingleSelection);
    myPickerView_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    myPickerView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int rows = pickerView(myPickerView_.get(), 0);
    for (int row = 0; row < rows; ++row) {
        auto* item = new QListWidgetItem(myPickerView_.get());
        item->setSizeHint(QSize(pickerViewWidth(myPickerView_.get(), 0),
                                pickerViewRowHeight(myPickerView_.get(), 0)));
        item->setData(Qt::AccessibleTextRole, pickerViewArray_.at(row));
        myPickerView_->setItemWidget(item, pickerViewForRow(myPickerView_.get(), row, 0, nullptr));
    }
    // A wheel always has a row under its selection indicator, the first one to begin with.
    myPickerView_->setCurrentRow(0);
    connect(myPickerView_.get(), &QListWidget::currentRowChanged, this,
            [this](int row) { pickerViewDidSelectRow(myPickerView_.get(), row, 0); });
}

QRect EditMessageController::pickerFrameWithSize(const QSize& size) const {
    return QRect(0, kApplicationFrameHeight - size.height(), size.width(), size.height());
}

int EditMessageController::numberOfComponentsInPickerView(QListWidget*) const {
    return 1;
}

int EditMessageController::pickerView(QListWidget*, int) const {
    return static_cast<int>(pickerViewArray_.size());
}

int EditMessageController::pickerViewRowHeight(QListWidget*, int) const {
    return kPickerRowHeight;
}

int EditMessageController::pickerViewWidth(QListWidget*, int) const {
    return kPickerRowWidth;
}

void EditMessageController::pickerViewDidSelectRow(QListWidget*, int, int) {
    foundation::logLine(lcApp(), kRowSelectedLogLine);
}

QLabel* EditMessageController::pickerViewForRow(QListWidget*, int row, int, QWidget* reusingView) {
    auto* label = qobject_cast<QLabel*>(reusingView);
    if (!label) {
        label = new QLabel;
        label->resize(240, 40);
        label->setAlignment(Qt::AlignCenter);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setAutoFillBackground(false);
        QFont font = label->font();
        font.setBold(true);
        font.setPixelSize(22);
        label->setFont(font);
    }
    QColor color = uikit::UiHelpers::colorFromHex(pickerColorArray_.at(row));
    label->setStyleSheet(QString("color: %1; background: transparent;").arg(color.name()));
    label->setText(pickerViewArray_.at(row));
    return label;
}

void EditMessageController::presetsClicked() {
    if (!myPickerView_)
        createPicker();
    ui_->smokedSelect->show();
    ui_->smokedSelect->raise();
    ui_->cancelPresetButton->show();
    ui_->cancelPresetButton->raise();
    ui_->selectPresetButton->show();
    ui_->selectPresetButton->raise();
    myPickerView_->setParent(this);
    pageLayout_->place(myPickerView_.get(), pickerFrameWithSize(kPickerNaturalSize));
    myPickerView_->show();
    myPickerView_->raise();
    myPickerView_->setFocus(Qt::OtherFocusReason);
    pageLayout_->place(ui_->fadeView, QRect(0, 0, 320, 480));
    ui_->fadeView->show();
    ui_->fadeView->stackUnder(ui_->smokedSelect);
}

void EditMessageController::removePicker() {
    if (!isPickerShowing())
        return;
    bool hadFocus = myPickerView_->hasFocus();
    myPickerView_->hide();
    myPickerView_->setParent(nullptr);
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
}

QString EditMessageController::currentTimeText() const {
    QString formatted = QLocale().toString(currentTime(), QLocale::ShortFormat);
    // Some locales write their short time with narrow spaces or letters the display has no
    // glyph for; keep what the entry rule would let in. Dropping letters could leave a 12-hour
    // time without its morning or afternoon word, so then (and when no hours and minutes are
    // left) the 24-hour digits stand in.
    QString kept;
    bool droppedLetter = false;
    for (QChar c : formatted) {
        if (c.isSpace())
            kept += u' ';
        else if (isAllowedCharacter(QString(c)))
            kept += c;
        else
            droppedLetter = droppedLetter || c.isLetter();
    }
    kept = kept.simplified();
    const bool hasDigits =
        std::any_of(kept.begin(), kept.end(), [](QChar c) { return c.isDigit(); });
    if (droppedLetter || !hasDigits || !(kept.contains(u':') || kept.contains(u'.')))
        kept = currentTime().toString("HH:mm");
    return kept;
}

void EditMessageController::selectPresetClicked() {
    if (isPickerShowing()) {
        int row = myPickerView_->currentRow();
        if (row >= 0 && row < pickerViewArray_.size()) {
            QString text = pickerViewArray_.at(row);
            if (text == kCurrentTimePreset)
                text = currentTimeText();
            if (delegate_)
                delegate_->setMessage(text);
            ui_->messageText->setText(text);
            QColor color = uikit::UiHelpers::colorFromHex(pickerColorArray_.at(row));
            if (delegate_)
                delegate_->setUIColor(color);
            changeBgColor(color);
            runLoop_.performAfterDelay(this, "closeEditing", kCloseEditingDelay, [this] {
                if (delegate_)
                    delegate_->closeEditing();
            });
        }
        removePicker();
    }
    hideAnyEditingUI();
}

// --- Keys ------------------------------------------------------------------------------------

void EditMessageController::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        if (isEditing_)
            cancelEditingClicked();
        else if (isPickerShowing())
            cancelPresetClicked();
        else
            cancel();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (isPickerShowing())
            selectPresetClicked();
        else if (!isEditing_)
            doneClicked();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// --- Colour wheel ----------------------------------------------------------------------------

void EditMessageController::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    touchesBegan({ event->position() }, 1);
}

void EditMessageController::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    touchesMoved({ event->position() }, 1);
}

bool EditMessageController::event(QEvent* event) {
    if (event->type() != QEvent::TouchBegin && event->type() != QEvent::TouchUpdate)
        return QWidget::event(event);
    auto* touch = static_cast<QTouchEvent*>(event);
    // A touch that begins off the wheel is left to the buttons and the field under it: Qt turns
    // a touch nobody accepts into a click there.
    if (event->type() == QEvent::TouchBegin &&
        std::none_of(touch->points().begin(), touch->points().end(),
                     [this](const QEventPoint& point) {
                         return childAt(point.position().toPoint()) == ui_->imgColors;
                     })) {
        event->ignore();
        return false;
    }
    std::vector<QPointF> changed;
    int onScreen = 0;
    for (const QEventPoint& point : touch->points()) {
        if (point.state() == QEventPoint::Released)
            continue;
        ++onScreen;
        if (point.state() != QEventPoint::Stationary)
            changed.push_back(point.position());
    }
    if (event->type() == QEvent::TouchBegin)
        touchesBegan(changed, onScreen);
    else
        touchesMoved(changed, onScreen);
    event->accept();
    return true;
}

void EditMessageController::touchesBegan(const std::vector<QPointF>& touchPoints,
                                         int allTouchesCount) {
    hitTest(touchPoints, allTouchesCount);
}

void EditMessageController::touchesMoved(const std::vector<QPointF>& touchPoints,
                                         int allTouchesCount) {
    hitTest(touchPoints, allTouchesCount);
}

void EditMessageController::hitTest(const std::vector<QPointF>& touchPoints, int allTouchesCount) {
    if (allTouchesCount != 1 || touchPoints.empty())
        return;
    QPointF point = ui_->imgColors->mapFrom(this, touchPoints.front());
    if (!(point.x() >= 0 && point.x() <= kWheelMaxX && point.y() >= 0 && point.y() <= kWheelMaxY))
        return;
    getColorFromPoint(point);
}

void EditMessageController::getColorFromPoint(const QPointF& point) {
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
        return;
    // A touch reads one pixel: the wheel is converted to the format it is read in once per image.
    const QImage& image = ui_->imgColors->image();
    if (image.cacheKey() != wheelImageKey_) {
        wheelPixels_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        wheelImageKey_ = image.cacheKey();
    }
    if (wheelPixels_.isNull()) {
        std::fputs(kContextError, stderr);
        return;
    }
    const int row = static_cast<int>(std::clamp(point.y(), 0.0, double(wheelPixels_.height() - 1)));
    const int column =
        static_cast<int>(std::clamp(point.x(), 0.0, double(wheelPixels_.width() - 1)));
    // Premultiplied: a transparent pixel reads as black.
    const QRgb pixel = reinterpret_cast<const QRgb*>(wheelPixels_.constScanLine(row))[column];
    QColor color =
        QColor::fromRgbF(qRed(pixel) / 255.0f, qGreen(pixel) / 255.0f, qBlue(pixel) / 255.0f, 1.0f);
    changeBgColor(color);
    if (ui_->rainbowSwitch->isChecked()) {
        QSignalBlocker blocker(ui_->rainbowSwitch);
        ui_->rainbowSwitch->setChecked(false);
    }
}

} // namespace sweeplight::app
