// sweeplight: the wave display in a 320 x 480 portrait window. With a simulated swing the
// onlooker's view of the message in the air is shown beside the phone.
#include "app/EAGLView.h"
#include "app/OnlookerView.h"
#include "foundation/Log.h"
#include "foundation/QtRunLoop.h"
#include "motion/AccelerometerFactory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QHBoxLayout>
#include <cstdio>

using namespace sweeplight;

namespace {
constexpr double kFrameInterval = 1.0 / 120.0;
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sweeplight"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Wave the phone, and the message is written in the air."));
    parser.addHelpOption();
    const QCommandLineOption accelerometerOption(
        QStringLiteral("accelerometer"),
        QStringLiteral("Where the motion comes from: %1 (default: auto).")
            .arg(QLatin1String(motion::AccelerometerFactory::kChoices)),
        QStringLiteral("source"), QStringLiteral("auto"));
    parser.addOption(accelerometerOption);
    parser.process(application);

    foundation::QtRunLoop runLoop;
    motion::AccelerometerFactory::Result source = motion::AccelerometerFactory::create(
        parser.value(accelerometerOption).toStdString(), runLoop);
    if (!source.accelerometer) {
        std::fprintf(stderr, "sweeplight: %s\n", source.error.c_str());
        return 2;
    }
    foundation::logLine("accelerometer: " + source.description);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Sweeplight"));
    window.setStyleSheet(QStringLiteral("background: black;"));
    auto* layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Declared after the window and the source: it goes first, and leaves both behind intact.
    std::unique_ptr<app::EAGLView> view = app::EAGLView::create(runLoop, *source.accelerometer);
    if (!view) {
        std::fprintf(stderr, "sweeplight: no OpenGL ES 1.1 context can be created\n");
        return 1;
    }
    view->setFixedSize(view->sizeHint());
    layout->addWidget(view.get());

    std::unique_ptr<app::OnlookerView> onlooker;
    if (source.simulator) {
        onlooker =
            std::make_unique<app::OnlookerView>(*source.simulator, source.simulator->amplitude());
        onlooker->setMinimumSize(480, 480);
        layout->addWidget(onlooker.get(), 1);
        view->onFramePresented = [&](const QImage& frame, const display::DrawnFrame&) {
            onlooker->framePresented(frame, runLoop.now(), view->animationInterval());
        };
    }

    view->setAnimationInterval(kFrameInterval);
    view->startAnimation();
    window.show();
    const int status = application.exec();
    view->onFramePresented = nullptr;
    return status;
}
