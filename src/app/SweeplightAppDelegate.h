#pragma once

#include "app/EAGLViewDelegate.h"
#include "app/EditImageDelegate.h"
#include "app/EditMessageDelegate.h"
#include "app/PhoneScreen.h"
#include "uikit/ActionSheet.h"

#include <QStringList>
#include <functional>
#include <memory>

class QColor;
class QString;
class QWidget;

namespace sweeplight::foundation {
class NotificationCenter;
class Preferences;
class RunLoop;
} // namespace sweeplight::foundation

namespace sweeplight::fernwick {
class Fernwick;
}

namespace sweeplight::uikit {
class AlertView;
class AnimatedImageView;
class ImageButton;
} // namespace sweeplight::uikit

namespace sweeplight::app {

class EAGLView;
class EditImageController;
class EditMessageController;
class ScreenSaverInhibitor;

// The application's spine: restores the last message, colour and rainbow setting, starts the
// service client and the display, and routes everything after that: the menu, the editors, the
// intro and the help page over the display, their results to the display and to the
// preferences, and the frame rate while the app is in the background.
class SweeplightAppDelegate final : public EAGLViewDelegate,
                                    public EditMessageDelegate,
                                    public EditImageDelegate,
                                    public uikit::ActionSheetDelegate {
public:
    static constexpr double kLaunchFrameInterval = 1.0 / 120.0;
    static constexpr double kActiveFrameInterval = 1.0 / 60.0;
    static constexpr double kInactiveFrameInterval = 0.2;
    static constexpr double kLaunchWaveDelay = 0.4;
    static constexpr double kDoneEditingWaveDelay = 0.3;
    static constexpr double kImageModeWaveDelay = 0.1;
    static constexpr double kIntroCycleSeconds = 1.6;
    static constexpr const char* kDefaultMessage = "hey!";
    // The menu's buttons, in order; the last is shown in the warning style.
    static const QStringList& menuButtonTitles();

    struct Environment {
        foundation::RunLoop* runLoop { nullptr };                       // required
        foundation::Preferences* preferences { nullptr };               // default: the user's
        foundation::NotificationCenter* notificationCenter { nullptr }; // default: the process's
        // The shared service client; default: Fernwick::instance().
        std::function<fernwick::Fernwick&()> serviceClient;
    };

    // `window` is the 320 x 480 screen; `glView` is the display, already inside it. Both are
    // owned from here on (the window after the view, which it contains).
    SweeplightAppDelegate(std::unique_ptr<QWidget> window, std::unique_ptr<EAGLView> glView,
                          Environment environment);
    ~SweeplightAppDelegate() override;
    SweeplightAppDelegate(const SweeplightAppDelegate&) = delete;
    SweeplightAppDelegate& operator=(const SweeplightAppDelegate&) = delete;

    QWidget* window() const { return window_.get(); }
    EAGLView* glView() const { return glView_.get(); }
    EditMessageController* editMessage() const { return editMessage_.get(); }
    EditImageController* editImage() const { return editImage_.get(); }
    QWidget* helpNav() const { return helpNav_.get(); }
    uikit::AnimatedImageView* introScreen() const { return introScreen_.get(); }
    uikit::ImageButton* introStartButton() const { return introStartButton_; }
    uikit::ActionSheet* menu() const { return menu_.get(); }
    uikit::AlertView* alert() const { return alert_.get(); }
    ScreenSaverInhibitor& screenSaverInhibitor() const { return *screenSaverInhibitor_; }

    // --- Application events ----------------------------------------------------------------
    void applicationDidFinishLaunching();
    void applicationWillResignActive();
    void applicationDidBecomeActive();

    // --- Menu ------------------------------------------------------------------------------
    void displayMenu() override;
    void actionSheet(uikit::ActionSheet& actionSheet, int buttonIndex) override;

    // --- Message editor results --------------------------------------------------------------
    void setMessage(const QString& text) override;
    void setUIColor(const QColor& color) override;
    void setRainbowOn() override;
    void setRainbowOff() override;
    void setSteadyLetters(bool on) override;
    void doneEditing() override;
    void closeEditing() override;

    // --- Picture chooser results -------------------------------------------------------------
    void setRepeatOn() override;
    void setRepeatOff() override;
    void enableImageMode() override;
    void closeImageView() override;

    // --- Screens -----------------------------------------------------------------------------
    void showEditView();
    void showImageView();
    void showHelp();
    void closeIntro();
    void showHelpScreen();
    void helpClosed();

    // Whether an editor, the intro or the help page covers the display.
    bool isDisplayCovered() const;

private:
    void showOnTop(QWidget* view, PhoneScreen::PageFit fit);
    void showAlert(const QString& title, const QString& message);

    foundation::RunLoop& runLoop_;
    foundation::Preferences& preferences_;
    foundation::NotificationCenter& notificationCenter_;
    std::function<fernwick::Fernwick&()> serviceClient_;

    std::unique_ptr<QWidget> window_;
    std::unique_ptr<EAGLView> glView_;
    std::unique_ptr<EditMessageController> editMessage_;
    std::unique_ptr<EditImageController> editImage_;
    std::unique_ptr<QWidget> helpNav_;
    std::unique_ptr<uikit::AnimatedImageView> introScreen_;
    // A closed intro waits here for the next turn of the run loop: it is closed from inside its
    // own button's click.
    std::unique_ptr<uikit::AnimatedImageView> closedIntro_;
    uikit::ImageButton* introStartButton_ { nullptr }; // owned by the intro view
    std::unique_ptr<uikit::ActionSheet> menu_;
    std::unique_ptr<uikit::AlertView> alert_;
    std::unique_ptr<ScreenSaverInhibitor> screenSaverInhibitor_;
    bool observingHelpClosed_ { false };
};

} // namespace sweeplight::app
