#pragma once

#include "motion/SwingSimulator.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sweeplight::display {
class WaveDisplay;
}
namespace sweeplight::foundation {
class ManualRunLoop;
}
namespace sweeplight::motion {
class AirView;
class PhonePath;
class RecordedPath;
class TraceAccelerometer;
} // namespace sweeplight::motion

namespace sweeplight::render {

// The wave display without a window, in virtual time: a ManualRunLoop drives the frame timer
// and the accelerometer (a simulated swing or a recorded trace), and every presented frame is
// kept for the onlooker's long exposure and the per-frame record. The same run gives the same
// output on every machine.
class RenderSession final {
public:
    struct Options {
        std::optional<QString> message; // handed to the display as is; none keeps its "hey!"
        QString picturePath;            // picture mode when set
        bool repeat { false };
        std::optional<QColor> color;
        bool rainbow { false };
        bool wholeLetter { false };
        bool steady { false };              // steady letters instead of frame-stepped columns
        double interval { 1.0 / 120 };      // the frame timer
        double sampleInterval { 1.0 / 70 }; // the accelerometer
        motion::SwingSimulator::Parameters swing;
        double seconds { 3 };    // length of a simulated run
        std::string tracePath;   // a recorded swing instead of the simulated one
        double airScale { 0.5 }; // exposure pixels per screen pixel
        bool expose { true };    // keep the onlooker's long exposure
    };

    struct Frame {
        double time { 0 }; // when the frame was presented
        bool forwards { true };
        int column { -1 };   // strip column, picture column or character; -1 for black
        int halfSwing { 0 }; // counts the changes of direction before this frame
    };

    // The text as the shell hands a typed message over: every character lower-cased and
    // preceded by a space, and one space at the end ("Hey" becomes " h e y ").
    static QString shellMessage(const QString& typed);
    // A one-line error when the options cannot make a run, else an empty text.
    static std::string optionsError(const Options& options);

    // Null and a one-line `error` when the options are unusable, the picture or trace cannot be
    // read, or no OpenGL ES 1.1 context can be made.
    static std::unique_ptr<RenderSession> create(const Options& options, std::string& error);
    ~RenderSession();

    // Runs the whole swing (the simulated seconds, or until the trace's last sample). Every
    // frame is recorded; those that `expose` accepts (all when it is empty) are exposed.
    void run(const std::function<bool(const Frame&)>& expose = {});

    const std::vector<Frame>& frames() const { return frames_; }
    // One line per frame: time, f or b, column.
    std::string framesCsv() const;
    const QImage& exposure() const;
    const motion::AirView& airView() const { return *airView_; }
    // Seconds the run lasts.
    double duration() const;
    const motion::PhonePath& path() const;

    // The strip of the message, 7 lines of '#' and '.', top row first.
    std::string stripText() const;
    // The 320 x 480 frame that shows strip column `column` (picture column in picture mode), as
    // on the screen; nothing and a one-line `error` for a column outside the strip or picture.
    std::optional<QImage> drawColumn(int column, std::string& error);

    display::WaveDisplay& display() { return *display_; }

private:
    RenderSession() = default;
    void presentFrame(const std::function<bool(const Frame&)>& expose);

    Options options_;
    std::unique_ptr<foundation::ManualRunLoop> runLoop_;
    std::unique_ptr<display::WaveDisplay> display_;
    std::unique_ptr<motion::SwingSimulator> simulator_;
    std::unique_ptr<motion::TraceAccelerometer> trace_;
    std::unique_ptr<motion::RecordedPath> recordedPath_;
    std::unique_ptr<motion::AccelerometerDelegate> feed_;
    std::unique_ptr<motion::AirView> airView_;
    std::vector<Frame> frames_;
};

} // namespace sweeplight::render
