#include "RenderSession.h"

#include "display/WaveDisplay.h"
#include "foundation/ManualRunLoop.h"
#include "motion/AirView.h"
#include "motion/RecordedPath.h"
#include "motion/TraceAccelerometer.h"

#include <QImageReader>
#include <cmath>
#include <cstdio>

namespace sweeplight::render {

namespace {

// Hands the samples of whatever source runs to the display's sweep tracker.
class DisplayFeed final : public motion::AccelerometerDelegate {
public:
    explicit DisplayFeed(display::WaveDisplay& display)
        : display_(display) {}
    void accelerometer(motion::Accelerometer&, const motion::Acceleration& sample) override {
        display_.didAccelerate(sample.x, sample.y, sample.z);
    }

private:
    display::WaveDisplay& display_;
};

bool isPositiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

// A 2 Hz, 1.5 g swing at scale 1 is about 1550 x 530 pixels; a hundred million pixels (400 MB)
// is no photograph but a mistyped frequency.
constexpr double kMaximumExposurePixels = 1e8;

// Lets the last recorded sample, due exactly at the end, be delivered despite rounding.
constexpr double kEndTolerance = 1e-9;

// A million frames or samples is hours of swinging; more is a typing mistake, not a run. Counted
// over the time the run really lasts, tolerance included, so a tiny interval cannot slip past.
bool isTooLong(double seconds, const RenderSession::Options& options) {
    const double lasts = seconds + kEndTolerance;
    return lasts / options.interval > 1e6 || lasts / options.sampleInterval > 1e6;
}

} // namespace

QString RenderSession::shellMessage(const QString& typed) {
    QString text;
    for (QChar c : typed) {
        text += QLatin1Char(' ');
        text += c.toLower();
    }
    text += QLatin1Char(' ');
    return text;
}

std::string RenderSession::optionsError(const Options& options) {
    if (!isPositiveFinite(options.interval))
        return "the frame interval must be a positive number of seconds";
    if (!isPositiveFinite(options.sampleInterval))
        return "the sample interval must be a positive number of seconds";
    if (!isPositiveFinite(options.airScale))
        return "the exposure scale must be a positive number";
    if (options.tracePath.empty()) {
        if (!std::isfinite(options.seconds) || options.seconds < 0)
            return "the run length must be a number of seconds, 0 or more";
        if (isTooLong(options.seconds, options))
            return "the run is too long: more than a million frames or samples";
        return motion::SwingSimulator::parametersError(options.swing);
    }
    return {};
}

std::unique_ptr<RenderSession> RenderSession::create(const Options& options, std::string& error) {
    error = optionsError(options);
    if (!error.empty())
        return nullptr;

    std::unique_ptr<RenderSession> session(new RenderSession);
    session->options_ = options;
    session->runLoop_ = std::make_unique<foundation::ManualRunLoop>();

    QImage picture;
    if (!options.picturePath.isEmpty()) {
        QImageReader reader(options.picturePath);
        picture = reader.read();
        if (picture.isNull()) {
            error = options.picturePath.toStdString() +
                    ": cannot read the picture: " + reader.errorString().toStdString();
            return nullptr;
        }
    }

    double reach = 0;
    if (!options.tracePath.empty()) {
        session->trace_ =
            motion::TraceAccelerometer::load(*session->runLoop_, options.tracePath, error);
        if (!session->trace_)
            return nullptr;
        // The replay starts at time 0 of the run loop, with the trace's first sample.
        std::vector<motion::Acceleration> samples = session->trace_->samples();
        double first = samples.front().timestamp;
        for (motion::Acceleration& sample : samples)
            sample.timestamp -= first;
        if (isTooLong(session->trace_->duration(), options)) {
            error = options.tracePath +
                    ": the trace is too long: more than a million frames or samples";
            return nullptr;
        }
        session->recordedPath_ = std::make_unique<motion::RecordedPath>(samples);
        reach = session->recordedPath_->reach();
    } else {
        session->simulator_ =
            std::make_unique<motion::SwingSimulator>(*session->runLoop_, options.swing);
        reach = session->simulator_->amplitude();
    }

    QSize exposureSize = motion::AirView::imageSize(reach, options.airScale);
    if (options.expose && static_cast<double>(exposureSize.width()) * exposureSize.height() >
                              kMaximumExposurePixels) {
        error = "the exposure would be " + std::to_string(exposureSize.width()) + " x " +
                std::to_string(exposureSize.height()) +
                " pixels, too large: swing less widely or choose a smaller --scale";
        return nullptr;
    }

    session->display_ = display::WaveDisplay::create();
    if (!session->display_) {
        error = "cannot create an OpenGL ES 1.1 context for the display";
        return nullptr;
    }
    display::WaveDisplay& display = *session->display_;
    // Frames are read in part and never shown: drawn on the CPU, the same bytes without GL's
    // per-frame hand-over to its rasterizer threads.
    display.setSoftwareFrames(true);
    if (options.message)
        display.setMessage(*options.message);
    if (options.color)
        display.setUIColor(*options.color);
    display.setRainbowMode(options.rainbow);
    display.setDrawWholeLetterMode(options.wholeLetter);
    display.setSteadyLetters(options.steady);
    display.setClock([runLoop = session->runLoop_.get()] { return runLoop->now(); });
    display.setInRepeatMode(options.repeat);
    if (!options.picturePath.isEmpty()) {
        if (!display.setImageRef(picture)) {
            // The display has said why in its own words, without a line end.
            std::fputc('\n', stderr);
            error = options.picturePath.toStdString() + ": the display refused the picture (" +
                    std::to_string(picture.width()) + " x " + std::to_string(picture.height()) +
                    " pixels)";
            return nullptr;
        }
        display.setInImageMode(true);
    }

    if (options.expose)
        session->airView_ = std::make_unique<motion::AirView>(reach, options.airScale);
    session->feed_ = std::make_unique<DisplayFeed>(display);
    return session;
}

RenderSession::~RenderSession() {
    // The sources cancel their timers on the run loop, so they go before it.
    trace_.reset();
    simulator_.reset();
}

double RenderSession::duration() const {
    return trace_ ? trace_->duration() : options_.seconds;
}

const motion::PhonePath& RenderSession::path() const {
    if (simulator_)
        return *simulator_;
    return *recordedPath_;
}

const QImage& RenderSession::exposure() const {
    return airView_->image();
}

void RenderSession::run(const std::function<bool(const Frame&)>& expose) {
    motion::Accelerometer& accelerometer =
        simulator_ ? static_cast<motion::Accelerometer&>(*simulator_) : *trace_;
    // As on the phone: the accelerometer runs from the display's creation, the frame timer is
    // started after it.
    accelerometer.setUpdateInterval(options_.sampleInterval);
    accelerometer.setDelegate(feed_.get());
    foundation::RunLoop::TimerId timer =
        runLoop_->scheduleRepeating(options_.interval, [this, &expose] { presentFrame(expose); });
    runLoop_->advance(duration() + kEndTolerance);
    runLoop_->cancel(timer);
    accelerometer.setDelegate(nullptr);
}

void RenderSession::presentFrame(const std::function<bool(const Frame&)>& expose) {
    Frame frame;
    frame.time = runLoop_->now();
    // Without an exposure nobody looks at the pixels; with one they stay in the framebuffer
    // until the exposure asks for them.
    display::DrawnFrame drawn = airView_ ? display_->drawFrame() : display_->skipFrame();
    frame.forwards = drawn.forwards;
    frame.column = drawn.column;
    frame.halfSwing = frames_.empty() ? 0
                                      : frames_.back().halfSwing +
                                            (frames_.back().forwards != frame.forwards ? 1 : 0);
    frames_.push_back(frame);
    if (!airView_ || (expose && !expose(frame)))
        return;
    // Only the part of the frame that can be lit is read back, when it is exposed, and in the
    // order GL keeps it; a black frame leaves the exposure alone.
    const QRect area = display_->drawnArea();
    const std::uint8_t* pixels = display_->readFrame(area);
    if (!pixels)
        return;
    // Painted where the phone is as the frame reaches the screen, as a camera sees a screen
    // whose light is brief; a held frame would streak each column into the next and blur the
    // letters into blocks.
    airView_->expose(pixels, static_cast<long>(area.width()) * 4, area,
                     path().position(frame.time));
}

std::string RenderSession::framesCsv() const {
    std::string csv;
    char line[64];
    for (const Frame& frame : frames_) {
        std::snprintf(line, sizeof line, "%.6f,%c,%d\n", frame.time, frame.forwards ? 'f' : 'b',
                      frame.column);
        csv += line;
    }
    return csv;
}

std::string RenderSession::stripText() const {
    const display::MessageStrip& strip = display_->strip();
    std::string text;
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < strip.messageLength(); ++column)
            text += strip.column(column)[row] ? '#' : '.';
        text += '\n';
    }
    return text;
}

std::optional<QImage> RenderSession::drawColumn(int column, std::string& error) {
    // A chosen column, not the one the swing would place.
    display_->setSteadyLetters(false);
    if (display_->inImageMode()) {
        int width = display_->picture().imageWidth();
        if (column < 0 || column >= width) {
            error = "column " + std::to_string(column) + " is outside the picture (0 to " +
                    std::to_string(width - 1) + ")";
            return std::nullopt;
        }
        display_->setImagePointer(column);
    } else if (display_->drawWholeLetterMode()) {
        // Whole letters: the column is a character. From the start of a forward sweep the mode
        // draws character 0, a pause, character 1, ...; run it up to the wanted one.
        int length = display_->wholeMessageLength();
        if (column < 0 || column >= length) {
            error = "character " + std::to_string(column) + " is outside the message (0 to " +
                    std::to_string(length - 1) + ")";
            return std::nullopt;
        }
        for (int frame = 0; frame <= 2 * length + 1; ++frame) {
            display::DrawnFrame drawn = display_->drawView();
            if (drawn.content == display::DrawnFrame::Content::Letter && drawn.column == column)
                return display_->presentedFrame();
        }
        error = "character " + std::to_string(column) + " was never drawn";
        return std::nullopt;
    } else {
        int length = display_->strip().messageLength();
        if (column < 0 || column >= length) {
            error = "column " + std::to_string(column) + " is outside the strip (0 to " +
                    std::to_string(length - 1) + ")";
            return std::nullopt;
        }
        display_->setMessagePointer(column);
    }
    display_->drawView();
    return display_->presentedFrame();
}

} // namespace sweeplight::render
