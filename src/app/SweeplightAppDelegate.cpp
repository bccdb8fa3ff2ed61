#include "SweeplightAppDelegate.h"

#include "AppKeys.h"
#include "AppResources.h"
#include "EAGLView.h"
#include "EditImageController.h"
#include "EditMessageController.h"
#include "ImageView.h"
#include "PageLayout.h"
#include "PhoneScreen.h"
#include "ScreenSaverInhibitor.h"
#include "fernwick/Fernwick.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Preferences.h"
#include "foundation/RunLoop.h"
#include "uikit/AlertView.h"
#include "uikit/AnimatedImageView.h"
#include "uikit/ImageButton.h"
#include "uikit/StretchableImage.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>
#include <cassert>

namespace sweeplight::app {

namespace {
constexpr char kSetMessageTitle[] = "Set Message";
constexpr char kSetImageTitle[] = "Set Image";
constexpr char kInstructionsTitle[] = "Instructions";
constexpr char kShareTitle[] = "Share • Feedback";
constexpr char kCancelTitle[] = "Cancel";
constexpr char kMessageWord[] = "Message";
constexpr char kInstructionsWord[] = "Instructions";
constexpr char kShareWord[] = "Share";
constexpr char kImageWord[] = "Image";

constexpr char kSplashFrame1[] = ":/splash_frame_1.png";
constexpr char kSplashFrame2[] = ":/splash_frame_2.png";
constexpr char kStartButtonImage[] = ":/start_fun.png";
constexpr char kStartButtonPressedImage[] = ":/start_fun_down.png";
constexpr char kHelpFeature[] = "help";
constexpr char kNoConnectionTitle[] = "No Connection";
constexpr char kNoConnectionMessage[] =
    "Sorry, you need to be connected to a data network to use this feature.";
constexpr char kBrieflyShowWave[] = "brieflyShowWave";
} // namespace

const QStringList& SweeplightAppDelegate::menuButtonTitles() {
    static const QStringList titles { QString::fromUtf8(kSetMessageTitle),
                                      QString::fromUtf8(kSetImageTitle),
                                      QString::fromUtf8(kInstructionsTitle),
                                      QString::fromUtf8(kShareTitle),
                                      QString::fromUtf8(kCancelTitle) };
    return titles;
}

SweeplightAppDelegate::SweeplightAppDelegate(std::unique_ptr<QWidget> window,
                                             std::unique_ptr<EAGLView> glView,
                                             Environment environment)
    : runLoop_(*environment.runLoop)
    , preferences_(environment.preferences ? *environment.preferences
                                           : foundation::Preferences::standardUserDefaults())
    , notificationCenter_(environment.notificationCenter
                              ? *environment.notificationCenter
                              : foundation::NotificationCenter::defaultCenter())
    , serviceClient_(environment.serviceClient
                         ? std::move(environment.serviceClient)
                         : std::function<fernwick::Fernwick&()>(&fernwick::Fernwick::instance))
    , window_(std::move(window))
    , glView_(std::move(glView))
    , screenSaverInhibitor_(std::make_unique<ScreenSaverInhibitor>()) {
    assert(window_ && glView_);
    initAppResources();
    // On a desktop the menu is also a key away (the info button needs a tap on the display
    // first); the phone's behaviour is unchanged.
    for (QKeySequence key : { QKeySequence(Qt::Key_Menu), QKeySequence(Qt::Key_F10) }) {
        auto* shortcut = new QShortcut(key, window_.get());
        // The whole window: right after launch nothing in it has the keyboard yet.
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window_.get(), [this] {
            // Not over a screen, nor over the menu or an alert already asking the user.
            if (!isDisplayCovered() && !(menu_ && menu_->isVisible()) &&
                !(alert_ && alert_->isVisible()))
                displayMenu();
        });
    }
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(application, &QGuiApplication::applicationStateChanged, window_.get(),
                         [this](Qt::ApplicationState state) {
                             if (state == Qt::ApplicationActive)
                                 applicationDidBecomeActive();
                             else
                                 applicationWillResignActive();
                         });
    }
}

SweeplightAppDelegate::~SweeplightAppDelegate() {
    runLoop_.cancelPreviousPerformRequests(glView_.get());
    runLoop_.cancelPreviousPerformRequests(this);
    notificationCenter_.removeObserver(this);
    if (glView_)
        glView_->setDelegate(nullptr);
}

// --- Application events ------------------------------------------------------------------------

void SweeplightAppDelegate::applicationDidFinishLaunching() {
    // The window decides about full screen (no status bar is ever drawn); the screen must not
    // dim while the user waves the phone.
    screenSaverInhibitor_->setIdleTimerDisabled(true);
    serviceClient_();

    if (!preferences_.hasObjectForKey(kHasAppOpenedKey)) {
        preferences_.setBool(true, kHasAppOpenedKey);
        showHelp();
    } else {
        QString text = preferences_.hasObjectForKey(kRecentTextKey)
                           ? QString::fromStdString(preferences_.stringForKey(kRecentTextKey))
                           : QString::fromLatin1(kDefaultMessage);
        setMessage(text);
        if (preferences_.hasObjectForKey(kRecentColorRKey))
            setUIColor(QColor::fromRgbF(preferences_.floatForKey(kRecentColorRKey),
                                        preferences_.floatForKey(kRecentColorGKey),
                                        preferences_.floatForKey(kRecentColorBKey), 1.0f));
        else
            setUIColor(Qt::green);
        // After the colour: setUIColor turns the rainbow off.
        if (preferences_.hasObjectForKey(kRainbowOnKey)) {
            glView_->setRainbowMode(preferences_.boolForKey(kRainbowOnKey));
        } else {
            preferences_.setBool(false, kRainbowOnKey);
            glView_->setRainbowMode(false);
        }
        EAGLView* view = glView_.get();
        runLoop_.performAfterDelay(view, kBrieflyShowWave, kLaunchWaveDelay,
                                   [view] { view->brieflyShowWave(); });
    }
    glView_->display().setSteadyLetters(preferences_.hasObjectForKey(kSteadyLettersKey) &&
                                        preferences_.boolForKey(kSteadyLettersKey));
    glView_->setDelegate(this);
    glView_->setAnimationInterval(kLaunchFrameInterval);
    glView_->startAnimation();
}

void SweeplightAppDelegate::applicationWillResignActive() {
    glView_->setAnimationInterval(kInactiveFrameInterval);
}

void SweeplightAppDelegate::applicationDidBecomeActive() {
    glView_->setAnimationInterval(kActiveFrameInterval);
}

// --- Menu --------------------------------------------------------------------------------------

void SweeplightAppDelegate::displayMenu() {
    menu_ = std::make_unique<uikit::ActionSheet>(QString(), this, QString(), QString(),
                                                 menuButtonTitles());
    menu_->setActionSheetStyle(uikit::ActionSheetStyle::BlackOpaque);
    menu_->setDestructiveButtonIndex(menu_->numberOfButtons() - 1);
    // "Cancel" is also what Esc picks on a desktop.
    menu_->setCancelButtonIndex(menu_->numberOfButtons() - 1);
    menu_->showInView(window_.get());
}

void SweeplightAppDelegate::actionSheet(uikit::ActionSheet& actionSheet, int buttonIndex) {
    QString title = actionSheet.buttonTitleAtIndex(buttonIndex);
    if (title.contains(QLatin1String(kMessageWord)))
        showEditView();
    else if (title.contains(QLatin1String(kInstructionsWord)))
        showHelp();
    else if (title.contains(QLatin1String(kShareWord)))
        showHelpScreen();
    else if (title.contains(QLatin1String(kImageWord)))
        showImageView();
}

// --- Message editor results ----------------------------------------------------------------------

void SweeplightAppDelegate::setMessage(const QString& text) {
    glView_->setInImageMode(false);
    preferences_.setObject(text.toStdString(), kRecentTextKey);
    QString displayText;
    displayText.reserve(text.size() * 2 + 1);
    for (QChar character : text) {
        displayText += u' ';
        displayText += QString(character).toLower();
    }
    displayText += u' ';
    glView_->setMessage(displayText);
}

void SweeplightAppDelegate::setUIColor(const QColor& color) {
    QColor rgb = color.toRgb();
    preferences_.setFloat(rgb.redF(), kRecentColorRKey);
    preferences_.setFloat(rgb.greenF(), kRecentColorGKey);
    preferences_.setFloat(rgb.blueF(), kRecentColorBKey);
    if (glView_->display().rainbowMode())
        preferences_.setBool(false, kRainbowOnKey);
    glView_->setRainbowMode(false);
    glView_->setUIColor(color);
}

void SweeplightAppDelegate::setRainbowOn() {
    glView_->setRainbowMode(true);
    preferences_.setBool(true, kRainbowOnKey);
}

void SweeplightAppDelegate::setSteadyLetters(bool on) {
    glView_->display().setSteadyLetters(on);
}

void SweeplightAppDelegate::setRainbowOff() {
    glView_->setRainbowMode(false);
    preferences_.setBool(false, kRainbowOnKey);
}

void SweeplightAppDelegate::showEditView() {
    glView_->stopAnimation();
    if (!editMessage_) {
        editMessage_ =
            std::make_unique<EditMessageController>(runLoop_, preferences_, window_.get());
        editMessage_->setDelegate(this);
    }
    showOnTop(editMessage_.get(), PhoneScreen::PageFit::Fill);
}

void SweeplightAppDelegate::doneEditing() {
    editMessage_->hide();
    EAGLView* view = glView_.get();
    runLoop_.performAfterDelay(view, kBrieflyShowWave, kDoneEditingWaveDelay,
                               [view] { view->brieflyShowWave(); });
    glView_->startAnimation();
}

void SweeplightAppDelegate::closeEditing() {
    editMessage_->hide();
    glView_->hideWavePhone();
    glView_->startAnimation();
}

// --- Picture chooser results ---------------------------------------------------------------------

void SweeplightAppDelegate::setRepeatOn() {
    glView_->setInRepeatMode(true);
}

void SweeplightAppDelegate::setRepeatOff() {
    glView_->setInRepeatMode(false);
}

void SweeplightAppDelegate::showImageView() {
    glView_->stopAnimation();
    if (!editImage_) {
        editImage_ = std::make_unique<EditImageController>(window_.get());
        editImage_->setDelegate(this);
    }
    showOnTop(editImage_.get(), PhoneScreen::PageFit::Fill);
}

void SweeplightAppDelegate::enableImageMode() {
    EAGLView* view = glView_.get();
    runLoop_.performAfterDelay(view, kBrieflyShowWave, kImageModeWaveDelay,
                               [view] { view->brieflyShowWave(); });
    glView_->setImageRef(editImage_->imageView()->image());
    glView_->setInImageMode(true);
}

void SweeplightAppDelegate::closeImageView() {
    editImage_->hide();
    glView_->hideWavePhone();
    glView_->startAnimation();
}

// --- Intro and help --------------------------------------------------------------------------

void SweeplightAppDelegate::showOnTop(QWidget* view, PhoneScreen::PageFit fit) {
    if (auto* screen = qobject_cast<PhoneScreen*>(window_.get())) {
        screen->showPage(view, fit);
        return;
    }
    view->setParent(window_.get());
    view->show();
    view->raise();
}

void SweeplightAppDelegate::showHelp() {
    if (!introScreen_) {
        introScreen_ = std::make_unique<uikit::AnimatedImageView>(runLoop_, window_.get());
        introScreen_->setObjectName("introScreen");
        introScreen_->setAccessibleName("Instructions");
        introScreen_->setGeometry(0, 0, 320, 480);
        introScreen_->setAnimationImages({ QImage(kSplashFrame1), QImage(kSplashFrame2) });
        introScreen_->setAnimationDuration(kIntroCycleSeconds);
        introScreen_->setAnimationRepeatCount(0);
        introScreen_->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        introScreen_->startAnimating();

        introStartButton_ = new uikit::ImageButton(introScreen_.get());
        introStartButton_->setObjectName("introStartButton");
        introStartButton_->setAccessibleName("Start");
        introStartButton_->setGeometry(0, 401, 320, 79);
        introStartButton_->setBackgroundImage(uikit::StretchableImage(QImage(kStartButtonImage)),
                                              uikit::ImageButton::State::Normal);
        introStartButton_->setBackgroundImage(
            uikit::StretchableImage(QImage(kStartButtonPressedImage)),
            uikit::ImageButton::State::Highlighted);
        QObject::connect(introStartButton_, &QAbstractButton::clicked, introScreen_.get(),
                         [this] { closeIntro(); });
        for (QKeySequence key : { QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) }) {
            auto* shortcut = new QShortcut(key, introScreen_.get());
            // The whole window: right after launch nothing in it has the keyboard yet.
            shortcut->setContext(Qt::WindowShortcut);
            QObject::connect(shortcut, &QShortcut::activated, introScreen_.get(),
                             [this] { closeIntro(); });
        }
        // The splash pictures and their start band scale together on any screen.
        new PageLayout(*introScreen_);
    }
    showOnTop(introScreen_.get(), PhoneScreen::PageFit::ScaledDesign);
    introStartButton_->setFocus(Qt::OtherFocusReason);
}

void SweeplightAppDelegate::closeIntro() {
    if (!introScreen_)
        return;
    introScreen_->hide();
    introScreen_->stopAnimating();
    introStartButton_ = nullptr;
    closedIntro_ = std::move(introScreen_);
    runLoop_.performAfterDelay(this, "releaseIntro", 0, [this] { closedIntro_.reset(); });
    showEditView();
}

void SweeplightAppDelegate::showHelpScreen() {
    fernwick::Fernwick& client = serviceClient_();
    if (!client.hasInternet()) {
        showAlert(kNoConnectionTitle, kNoConnectionMessage);
        return;
    }
    glView_->stopAnimation();
    helpNav_ = fernwick::Fernwick::getFeatureViewController(kHelpFeature, client);
    if (!helpNav_) {
        glView_->startAnimation();
        return;
    }
    helpNav_->setGeometry(0, 0, 320, 480);
    showOnTop(helpNav_.get(), PhoneScreen::PageFit::Fill);
    // One registration is enough: a second would only run helpClosed twice per closing.
    if (!observingHelpClosed_) {
        notificationCenter_.addObserver(this, fernwick::kFernwickClosedNotification,
                                        [this] { helpClosed(); });
        observingHelpClosed_ = true;
    }
}

void SweeplightAppDelegate::helpClosed() {
    glView_->startAnimation();
    // Only hidden: the page's own Close button is still on the stack. The next opening
    // replaces it.
    if (helpNav_)
        helpNav_->hide();
}

void SweeplightAppDelegate::showAlert(const QString& title, const QString& message) {
    alert_ = std::make_unique<uikit::AlertView>(title, message, nullptr, kOkButtonTitle);
    alert_->show(window_.get());
}

bool SweeplightAppDelegate::isDisplayCovered() const {
    auto shown = [](const QWidget* view) { return view && view->isVisible(); };
    return shown(editMessage_.get()) || shown(editImage_.get()) || shown(helpNav_.get()) ||
           shown(introScreen_.get());
}

} // namespace sweeplight::app
