#include "EditImageController.h"

#include "AppLog.h"
#include "AppResources.h"
#include "EditImageDelegate.h"
#include "ImageView.h"
#include "PageLayout.h"
#include "foundation/Log.h"
#include "ui_EditImage.h"

#include <QKeyEvent>

namespace sweeplight::app {

namespace {
constexpr const char* kPictures[EditImageController::kPictureCount] = {
    "heart.png",       "happy_1.png",        "devil2.png",      "star.png",    "tonge_2.png",
    "plain_face2.png", "happy_face_sm2.png", "frown_2.png",     "smile_3.png", "cake2.png",
    "rose2.png",       "beer.png",           "heart_break.png", "drink.png",   "poo.png",
};
constexpr char kApplePicture[] = "apple.png";
constexpr char kPacmanPicture[] = "pacman.png";

QImage imageNamed(const char* name) {
    QImage image(QStringLiteral(":/") + QString::fromLatin1(name));
    if (image.isNull())
        foundation::logWarning(lcApp(), std::string("missing picture ") + name);
    return image;
}
} // namespace

EditImageController::EditImageController(QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::EditImage>()) {
    initAppResources();
    ui_->setupUi(this);
    setObjectName("EditImageController");
    resize(320, 480);
    // Drawn for 320 x 480, laid out for the screen it is shown on; the picture keeps its size.
    auto* layout = new PageLayout(*this);
    layout->keepSize(ui_->imageView);
    setAttribute(Qt::WA_StyledBackground);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet("#EditImageController { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                  "stop:0 #202028, stop:1 #000000); }"
                  "QLabel, QCheckBox { color: #dddddd; }"
                  "#titleLabel { color: white; font-weight: bold; font-size: 17px; }"
                  "#easterEggButton { background: transparent; border: none; }"
                  "#backButton, #forwardButton { font-size: 24px; font-weight: bold; }");
    connect(ui_->forwardButton, &QAbstractButton::clicked, this, [this] { goForward(); });
    connect(ui_->backButton, &QAbstractButton::clicked, this, [this] { goBack(); });
    connect(ui_->easterEggButton, &QAbstractButton::clicked, this, [this] { easterEgg(); });
    connect(ui_->doneButton, &QAbstractButton::clicked, this, [this] { doneClicked(); });
    connect(ui_->cancelButton, &QAbstractButton::clicked, this, [this] { cancel(); });
    connect(ui_->repeatSwitch, &QCheckBox::toggled, this,
            [this] { repeatSwitched(ui_->repeatSwitch); });
    viewDidLoad();
}

EditImageController::~EditImageController() = default;

ImageView* EditImageController::imageView() const {
    return ui_->imageView;
}
QCheckBox* EditImageController::repeatSwitch() const {
    return ui_->repeatSwitch;
}
QAbstractButton* EditImageController::doneButton() const {
    return ui_->doneButton;
}
QAbstractButton* EditImageController::cancelButton() const {
    return ui_->cancelButton;
}
QAbstractButton* EditImageController::forwardButton() const {
    return ui_->forwardButton;
}
QAbstractButton* EditImageController::backButton() const {
    return ui_->backButton;
}
QAbstractButton* EditImageController::easterEggButton() const {
    return ui_->easterEggButton;
}

const char* EditImageController::pictureName(int index) {
    return index >= 0 && index < kPictureCount ? kPictures[index] : nullptr;
}

void EditImageController::viewDidLoad() {
    rander_ = 0;
    easterEgg_ = 0;
    displayImage();
}

void EditImageController::goForward() {
    ++rander_;
    displayImage();
}

void EditImageController::goBack() {
    --rander_;
    displayImage();
}

void EditImageController::displayImage() {
    if (rander_ == kPictureCount)
        rander_ = 0;
    if (rander_ == -1)
        rander_ = kPictureCount - 1;
    QImage image = imageNamed(kPictures[rander_]);
    ui_->imageView->setImage(image);
    if (image.height() > 0)
        ui_->imageView->setTransformScale(kShownHeight / image.height());
}

void EditImageController::easterEgg() {
    ++easterEgg_;
}

void EditImageController::repeatSwitched(QCheckBox* sender) {
    if (!delegate_)
        return;
    if (sender->isChecked())
        delegate_->setRepeatOn();
    else
        delegate_->setRepeatOff();
}

void EditImageController::doneClicked() {
    if (easterEgg_ == kAppleCount)
        ui_->imageView->setImage(imageNamed(kApplePicture));
    else if (easterEgg_ == kPacmanCount)
        ui_->imageView->setImage(imageNamed(kPacmanPicture));
    if (!delegate_)
        return;
    delegate_->enableImageMode();
    delegate_->closeImageView();
}

void EditImageController::cancel() {
    easterEgg_ = 0;
    if (delegate_)
        delegate_->closeImageView();
}

void EditImageController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

void EditImageController::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        cancel();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        doneClicked();
        return;
    case Qt::Key_Left:
        goBack();
        return;
    case Qt::Key_Right:
        goForward();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace sweeplight::app
