// sweeplight: the application. A 320 x 480 portrait window on a desktop (full screen where the
// platform draws no window frames); with a simulated swing the onlooker's view of the message
// in the air is shown beside the phone.
#include "app/EAGLView.h"
#include "app/OnlookerView.h"
#include "app/PhoneScreen.h"
#include "app/SweeplightAppDelegate.h"
#include "fernwick/Fernwick.h"
#include "fernwick/ui/FernwickWidgetScreens.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/QtRunLoop.h"
#include "motion/AccelerometerFactory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QHBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace sweeplight;

namespace {

constexpr char kScaleOption[] = "--scale";

// Platforms that show one full-screen surface and no window frames, as a phone does.
bool platformHasNoWindowFrames(const QString& platform) {
    return platform == QLatin1String("eglfs") || platform == QLatin1String("linuxfb") ||
           platform == QLatin1String("vkkhrdisplay") || platform == QLatin1String("minimalegl");
}

// "--scale F" must act before the application object exists: Qt reads its scale factor then.
bool takeScaleOption(std::vector<std::string>& arguments, std::string& error) {
    std::string scale;
    bool found = false;
    if (!foundation::Paths::takeOption(arguments, kScaleOption, scale, found, &error))
        return false;
    if (!found)
        return true;
    char* end = nullptr;
    const double factor = std::strtod(scale.c_str(), &end);
    if (scale.empty() || *end != '\0' || !(factor >= 0.5 && factor <= 8)) {
        error = std::string(kScaleOption) + " needs a factor from 0.5 to 8, not \"" + scale + "\"";
        return false;
    }
    qputenv("QT_SCALE_FACTOR", QByteArray::fromStdString(scale));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Options that must be settled before Qt starts, taken out of the arguments Qt parses.
    std::vector<std::string> early(argv + 1, argv + argc);
    std::string error;
    if (!takeScaleOption(early, error) ||
        !fernwick::Fernwick::takeCommandLineOptions(early, &error)) {
        std::fprintf(stderr, "sweeplight: %s\n", error.c_str());
        return 2;
    }
    std::vector<char*> remaining { argv[0] };
    std::vector<std::string> kept = early;
    for (std::string& argument : kept)
        remaining.push_back(argument.data());
    remaining.push_back(nullptr);
    int remainingCount = static_cast<int>(remaining.size()) - 1;

    // The help page's web view shares GL contexts; this must precede the application object.
    // Only the attribute is set here: the web engine itself is loaded with the first page.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(remainingCount, remaining.data());
    QApplication::setApplicationName(QStringLiteral("Sweeplight"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Wave the phone, and the message is written in the air.\n"
                       "Also: --scale F (enlarge everything by F), --data-dir DIR (where the "
                       "preferences and the service data live), --settings FILE (service "
                       "settings)."));
    parser.addHelpOption();
    const QCommandLineOption accelerometerOption(
        QStringLiteral("accelerometer"),
        QStringLiteral("Where the motion comes from: %1 (default: auto).")
            .arg(QLatin1String(motion::AccelerometerFactory::kChoices)),
        QStringLiteral("source"), QStringLiteral("auto"));
    parser.addOption(accelerometerOption);
    const QCommandLineOption fullScreenOption(QStringLiteral("fullscreen"),
                                              QStringLiteral("Fill the screen, as on a phone."));
    parser.addOption(fullScreenOption);
    const QCommandLineOption windowOption(
        QStringLiteral("window"), QStringLiteral("A 320 x 480 window even without window frames."));
    parser.addOption(windowOption);
    parser.process(application);

    foundation::QtRunLoop runLoop;
    fernwick::Fernwick::Environment serviceEnvironment;
    serviceEnvironment.runLoop = &runLoop;
    serviceEnvironment.screens = std::make_shared<fernwick::FernwickWidgetScreens>();
    fernwick::Fernwick::setEnvironment(std::move(serviceEnvironment));

    motion::AccelerometerFactory::Result source = motion::AccelerometerFactory::create(
        parser.value(accelerometerOption).toStdString(), runLoop);
    if (!source.accelerometer) {
        std::fprintf(stderr, "sweeplight: %s\n", source.error.c_str());
        return 2;
    }
    foundation::logLine("accelerometer: " + source.description);

    const bool fullScreen =
        parser.isSet(fullScreenOption) ||
        (!parser.isSet(windowOption) && platformHasNoWindowFrames(QGuiApplication::platformName()));

    QWidget frame;
    frame.setWindowTitle(QStringLiteral("Sweeplight"));
    // A palette, not a style sheet: a sheet here would cascade into every screen inside.
    QPalette black = frame.palette();
    black.setColor(QPalette::Window, Qt::black);
    frame.setPalette(black);
    frame.setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The phone's screen and the display in it, as the main interface description supplies
    // them; the delegate owns both from here on, and goes before the frame that holds them.
    auto screen = std::make_unique<app::PhoneScreen>();
    std::unique_ptr<app::EAGLView> view =
        app::EAGLView::create(runLoop, *source.accelerometer, screen.get());
    if (!view) {
        std::fprintf(stderr, "sweeplight: no OpenGL ES 1.1 context can be created\n");
        return 1;
    }
    screen->setDisplayView(view.get());
    if (!fullScreen)
        screen->setFixedSize(app::PhoneScreen::kWidth, app::PhoneScreen::kHeight);
    layout->addWidget(screen.get(), 1);
    app::EAGLView* display = view.get();

    std::unique_ptr<app::OnlookerView> onlooker;
    if (source.simulator && !fullScreen) {
        onlooker =
            std::make_unique<app::OnlookerView>(*source.simulator, source.simulator->amplitude());
        onlooker->setMinimumSize(480, 480);
        layout->addWidget(onlooker.get(), 1);
        display->onFramePresented = [&](const QImage& image, const display::DrawnFrame&) {
            onlooker->framePresented(image, runLoop.now());
        };
    }

    app::SweeplightAppDelegate::Environment environment;
    environment.runLoop = &runLoop;
    app::SweeplightAppDelegate delegate(std::move(screen), std::move(view), environment);

    if (fullScreen)
        frame.showFullScreen();
    else
        frame.show();
    delegate.applicationDidFinishLaunching();
    const int status = application.exec();
    display->onFramePresented = nullptr;
    return status;
}
