// sweeplight: the application. A 320 x 480 portrait window on a desktop (full screen where the
// platform draws no window frames); with a simulated swing the onlooker's view of the message
// in the air is shown beside the phone.
#include "app/AppLog.h"
#include "app/EAGLView.h"
#include "app/OnlookerView.h"
#include "app/PhoneScreen.h"
#include "app/SweeplightAppDelegate.h"
#include "fernwick/Fernwick.h"
#include "fernwick/ui/FernwickWidgetScreens.h"
#include "fetcher/FetcherEnvironment.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/QtRunLoop.h"
#include "motion/AccelerometerFactory.h"
#include "motion/TraceRecorder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QHBoxLayout>
#include <QIcon>
#include <QScreen>
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

// The command line as the help page shows it. "--scale", "--data-dir" and "--settings" are
// taken out before Qt starts (see main); they are listed here so that the help tells of them.
struct Options {
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption accelerometer {
        QStringLiteral("accelerometer"),
        QStringLiteral("Where the motion comes from: %1 (default: auto).")
            .arg(QLatin1String(motion::AccelerometerFactory::kChoices)),
        QStringLiteral("source"), QStringLiteral("auto")
    };
    QCommandLineOption fullScreen { QStringLiteral("fullscreen"),
                                    QStringLiteral("Fill the screen, as on a phone.") };
    QCommandLineOption window { QStringLiteral("window"),
                                QStringLiteral("A 320 x 480 window even without window frames.") };
    QCommandLineOption scale { QStringLiteral("scale"),
                               QStringLiteral("Enlarge everything by F (0.5 to 8)."),
                               QStringLiteral("F") };
    QCommandLineOption dataDirectory {
        QStringLiteral("data-dir"),
        QStringLiteral("Keep the preferences and the service data in DIR (default: the user's "
                       "config and data folders)."),
        QStringLiteral("DIR")
    };
    QCommandLineOption settings { QStringLiteral("settings"),
                                  QStringLiteral("Read the service settings (baseurl, fernwickkey, "
                                                 "gamekey, secretkey) from FILE."),
                                  QStringLiteral("FILE") };
    QCommandLineOption recordTrace {
        QStringLiteral("record-trace"),
        QStringLiteral("Write every accelerometer sample to FILE as a trace (t,x,y,z) that "
                       "sweeplight-render --trace replays."),
        QStringLiteral("FILE")
    };

    explicit Options(QCommandLineParser& parser)
        : help(parser.addHelpOption())
        , version(parser.addVersionOption()) {
        // Qt's own options ("-reverse", "-stylesheet") are words, not bundles of "-v" and "-h".
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            QStringLiteral("Wave the phone, and the message is written in the air."));
        for (const QCommandLineOption* option : { &accelerometer, &fullScreen, &window, &scale,
                                                  &dataDirectory, &settings, &recordTrace })
            parser.addOption(*option);
    }
};

// "--help" and "--version" answer before the window system is asked for (there may be none).
bool answeredWithoutDisplay(int argc, char** argv) {
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments << QString::fromLocal8Bit(argv[index]);
    QCommandLineParser parser;
    const Options options(parser);
    parser.parse(arguments);
    if (parser.isSet(options.version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return true;
    }
    // "--help-all" would add Qt's own options, which only an application object can list.
    if (parser.isSet(options.help) || parser.isSet(QStringLiteral("help-all"))) {
        // Without an application object the parser cannot know the program's name.
        std::printf("%s", qPrintable(parser.helpText().replace(QLatin1String("<executable_name>"),
                                                               QLatin1String("sweeplight"))));
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("Sweeplight"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SWEEPLIGHT_VERSION));
    if (answeredWithoutDisplay(argc, argv))
        return 0;

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
    // The desktop entry and the icon installed with the app (see data/).
    QGuiApplication::setDesktopFileName(QStringLiteral(SWEEPLIGHT_APP_ID));
    QIcon icon = QIcon::fromTheme(QStringLiteral(SWEEPLIGHT_APP_ID));
    if (icon.isNull()) {
        for (const int size : { 32, 64, 128, 256 })
            icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);

    QCommandLineParser parser;
    const Options options(parser);
    parser.process(application);

    foundation::QtRunLoop runLoop;
    // One loop for the whole app: the service client's fetchers retry on it too.
    fetcher::FetcherEnvironment::process()->setRunLoop(&runLoop);
    fernwick::Fernwick::Environment serviceEnvironment;
    serviceEnvironment.runLoop = &runLoop;
    serviceEnvironment.screens = std::make_shared<fernwick::FernwickWidgetScreens>();
    fernwick::Fernwick::setEnvironment(std::move(serviceEnvironment));

    motion::AccelerometerFactory::Result source = motion::AccelerometerFactory::create(
        parser.value(options.accelerometer).toStdString(), runLoop);
    if (!source.accelerometer) {
        std::fprintf(stderr, "sweeplight: %s\n", source.error.c_str());
        return 2;
    }
    foundation::logLine(lcApp(), "accelerometer: " + source.description);
    motion::Accelerometer* accelerometer = source.accelerometer.get();
    std::unique_ptr<motion::TraceRecorder> recorder;
    if (parser.isSet(options.recordTrace)) {
        recorder = motion::TraceRecorder::create(
            *accelerometer, parser.value(options.recordTrace).toStdString(), error);
        if (!recorder) {
            std::fprintf(stderr, "sweeplight: %s\n", error.c_str());
            return 1;
        }
        accelerometer = recorder.get();
    }

    const bool fullScreen = parser.isSet(options.fullScreen) ||
                            (!parser.isSet(options.window) &&
                             platformHasNoWindowFrames(QGuiApplication::platformName()));

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
        app::EAGLView::create(runLoop, *accelerometer, screen.get());
    if (!view) {
        std::fprintf(stderr, "sweeplight: no OpenGL ES 1.1 context can be created\n");
        return 1;
    }
    screen->setDisplayView(view.get());
    // A phone's screen may have less room than the 320 x 480 design; the pages fit themselves.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QSize available = primary ? primary->availableGeometry().size()
                                    : QSize(app::PhoneScreen::kWidth, app::PhoneScreen::kHeight);
    if (!fullScreen)
        screen->setFixedSize(app::PhoneScreen::windowSize(available));
    layout->addWidget(screen.get(), 1);
    app::EAGLView* display = view.get();

    std::unique_ptr<app::OnlookerView> onlooker;
    if (source.simulator && !fullScreen && app::PhoneScreen::hasRoomForOnlooker(available)) {
        onlooker =
            std::make_unique<app::OnlookerView>(*source.simulator, source.simulator->amplitude());
        onlooker->setMinimumSize(app::PhoneScreen::kOnlookerMinimumWidth,
                                 app::PhoneScreen::kHeight);
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
    fetcher::FetcherEnvironment::process()->setRunLoop(nullptr); // the loop ends with this scope
    return status;
}
