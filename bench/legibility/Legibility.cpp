// How well a message reads in the air, frame-stepped against steady letters, on swings made from
// known paths: sines, and hand-like swings whose rate and reach drift, whose ends differ and
// that carry harmonics and sensor noise. The real display draws every frame; where the phone
// truly is tells where each column landed. Prints one table.
//
//   legibility_bench                       the table
//   legibility_bench --only "hand"         the rows of the swings whose name holds "hand"
//   legibility_bench --fit-table           the longest message each mode fits in a half-swing
//   legibility_bench --write-trace FILE    a hand-like swing as a trace (t,x,y,z) to render
//
// Per half-swing after a warm-up of 2 s:
//   mirror  share of lit frames drawn while the display thought the phone ran the other way
//   room    share of half-swings long enough to hold the message one column a frame between the
//           black ends, by the rule that classes the row, applied to each half-swing's true
//           length (a hand's rate drifts, so a "long" message may not fit every half-swing)
//   whole   share of half-swings in which every lit column was drawn (in the right direction);
//           steady letters also give it among the half-swings with room, after a slash
//   gap     widest over narrowest gap between neighbouring columns (median over half-swings);
//           a column's place is the mean position of the frames that drew it
//   ghost   distance between a column's place in a forward half-swing and in the backward one
//           after it, in column widths (mean over the columns, median over the pairs; p90 over
//           all columns)
#include "display/SteadyPlacement.h"
#include "display/WaveDisplay.h"
#include "foundation/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using namespace sweeplight;

namespace {

constexpr double kGravity = 9.80665;
constexpr double kPi = std::numbers::pi;
constexpr double kWarmUp = 2.0;

// Where the phone is, in metres, positive to the device's right.
struct Path {
    std::string name;
    double frequency { 1 }; // swings per second (the mean for a hand)
    double noise { 0.03 };  // g
    double sampleRate { 70 };
    // Sine: amplitude * sin(2 pi f t). Hand: drifting rate and reach, harmonics.
    bool hand { false };
    double amplitude { 0 };

    double position(double t) const {
        if (!hand)
            return amplitude * std::sin(2 * kPi * frequency * t);
        const double f = frequency;
        // The rate drifts by about +-15 % and the reach by about +-20 % from swing to swing.
        const double theta = 2 * kPi * f * t + 0.31 * std::sin(2 * kPi * 0.29 * f * t) +
                             0.128 * std::sin(2 * kPi * 0.47 * f * t + 1.3);
        const double reach = amplitude * (1 + 0.12 * std::sin(2 * kPi * 0.23 * f * t + 0.4) +
                                          0.08 * std::sin(2 * kPi * 0.41 * f * t + 2.1));
        // A second harmonic makes the two ends and the two halves unequal.
        return reach * (std::sin(theta) + 0.12 * std::sin(2 * theta + 0.9) +
                        0.04 * std::sin(3 * theta + 0.3));
    }
    double velocity(double t) const {
        constexpr double h = 1e-5;
        return (position(t + h) - position(t - h)) / (2 * h);
    }
    // The accelerometer's x: the opposite of the device's acceleration, in g.
    double reading(double t) const {
        constexpr double h = 1e-4;
        return -(position(t + h) - 2 * position(t) + position(t - h)) / (h * h) / kGravity;
    }
};

Path sine(double frequency, double peak, double noise = 0.03) {
    Path path;
    char name[64];
    std::snprintf(name, sizeof name, "sine %g Hz %g g%s", frequency, peak,
                  noise > 0 ? "" : " clean");
    path.name = name;
    path.frequency = frequency;
    path.noise = noise;
    path.amplitude = peak * kGravity / std::pow(2 * kPi * frequency, 2);
    return path;
}

Path hand(double frequency, double peak, double sampleRate = 70) {
    Path path = sine(frequency, peak);
    char name[64];
    std::snprintf(name, sizeof name, "hand %g Hz %g g %g/s", frequency, peak, sampleRate);
    path.name = name;
    path.hand = true;
    path.sampleRate = sampleRate;
    return path;
}

QString shellMessage(const std::string& typed) {
    QString text;
    for (char c : typed) {
        text += QLatin1Char(' ');
        text += QChar(c).toLower();
    }
    return text + QLatin1Char(' ');
}

struct Drawn {
    double time;
    int column;
    bool forwards;
};

std::vector<Drawn> run(display::WaveDisplay& display, const Path& path, bool steady,
                       double frameRate, double seconds, std::uint32_t seed) {
    double clock = 0;
    display.setSteadyLetters(steady);
    display.setClock([&clock] { return clock; });
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, path.noise > 0 ? path.noise : 1);
    auto noisy = [&](double value) { return path.noise > 0 ? value + noise(random) : value; };
    std::vector<Drawn> frames;
    long sample = 0;
    long frame = 1;
    while (true) {
        const double sampleTime = static_cast<double>(sample) / path.sampleRate;
        const double frameTime = static_cast<double>(frame) / frameRate;
        if (std::min(sampleTime, frameTime) > seconds)
            break;
        if (sampleTime <= frameTime) {
            clock = sampleTime;
            display.didAccelerate(noisy(path.reading(sampleTime)), noisy(-1), noisy(0));
            ++sample;
        } else {
            clock = frameTime;
            const display::DrawnFrame drawn = display.drawView();
            frames.push_back({ frameTime, drawn.column, drawn.forwards });
            ++frame;
        }
    }
    return frames;
}

struct Scores {
    double mirrored { 0 }; // share of lit frames
    double whole { 0 };    // share of half-swings
    double room { 0 };     // share of half-swings that could hold the message
    double wholeWithRoom { 0 };
    double gapRatio { 0 }; // median over half-swings
    double ghost { 0 };    // median over pairs of the mean over columns
    double ghostP90 { 0 }; // over all columns of all pairs
    int halfSwings { 0 };
};

double median(std::vector<double> values) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * values.size()))];
}

Scores score(const std::vector<Drawn>& frames, const Path& path, const display::MessageStrip& strip,
             double seconds) {
    const int length = strip.messageLength();
    auto isLit = [&](int column) {
        const std::uint8_t* leds = strip.column(column);
        return std::any_of(leds, leds + 7, [](std::uint8_t led) { return led != 0; });
    };
    struct Half {
        bool forwards;
        double start;
        std::vector<double> sum;
        std::vector<int> count;
    };
    // Half-swings from the true motion; only whole ones after the warm-up count.
    std::vector<Half> halves;
    long lit = 0;
    long mirrored = 0;
    bool previous = path.velocity(frames.front().time) > 0;
    bool started = false;
    for (const Drawn& frame : frames) {
        const bool forwards = path.velocity(frame.time) > 0;
        if (forwards != previous) {
            if (frame.time > kWarmUp) {
                started = true;
                halves.push_back({ forwards, frame.time, std::vector<double>(length, 0),
                                   std::vector<int>(length, 0) });
            }
            previous = forwards;
        }
        if (!started)
            continue;
        if (frame.column < 0)
            continue;
        if (frame.forwards != forwards) {
            if (isLit(frame.column)) {
                ++lit;
                ++mirrored;
            }
            continue;
        }
        if (isLit(frame.column))
            ++lit;
        Half& half = halves.back();
        half.sum[frame.column] += path.position(frame.time);
        half.count[frame.column] += 1;
    }
    (void)seconds;
    const double frameInterval = frames.size() > 1 ? frames[1].time - frames[0].time : 0;
    std::vector<bool> room;
    for (std::size_t i = 0; i + 1 < halves.size(); ++i)
        room.push_back(length <= display::SteadyPlacement::longestWhole(
                                     halves[i + 1].start - halves[i].start, frameInterval));
    if (!halves.empty())
        halves.pop_back(); // cut off by the end of the run

    Scores scores;
    scores.halfSwings = static_cast<int>(halves.size());
    scores.mirrored = lit > 0 ? static_cast<double>(mirrored) / lit : 0;
    auto place = [](const Half& half, int column) {
        return half.count[column] ? half.sum[column] / half.count[column] : NAN;
    };
    int whole = 0;
    int roomy = 0;
    int wholeWithRoom = 0;
    std::vector<double> ratios;
    for (std::size_t i = 0; i < halves.size(); ++i) {
        const Half& half = halves[i];
        bool all = true;
        for (int column = 0; column < length; ++column)
            all = all && (!isLit(column) || half.count[column] > 0);
        whole += all ? 1 : 0;
        roomy += room[i] ? 1 : 0;
        wholeWithRoom += room[i] && all ? 1 : 0;
        double widest = 0;
        double narrowest = INFINITY;
        for (int column = 0; column + 1 < length; ++column) {
            const double gap = place(half, column + 1) - place(half, column);
            if (std::isnan(gap))
                continue;
            widest = std::max(widest, gap);
            narrowest = std::min(narrowest, gap);
        }
        if (widest > 0)
            ratios.push_back(narrowest > 0 ? widest / narrowest : INFINITY);
    }
    scores.whole = halves.empty() ? 0 : static_cast<double>(whole) / halves.size();
    scores.room = halves.empty() ? 0 : static_cast<double>(roomy) / halves.size();
    scores.wholeWithRoom = roomy > 0 ? static_cast<double>(wholeWithRoom) / roomy : NAN;
    scores.gapRatio = median(ratios);

    std::vector<double> pairGhosts;
    std::vector<double> columnGhosts;
    for (std::size_t i = 0; i + 1 < halves.size(); ++i) {
        const Half& forward = halves[i];
        const Half& backward = halves[i + 1];
        if (!forward.forwards)
            continue;
        // The column width: the span of the placed columns over their count, both directions.
        double widths = 0;
        int counted = 0;
        for (const Half* half : { &forward, &backward }) {
            int first = -1;
            int last = -1;
            for (int column = 0; column < length; ++column) {
                if (half->count[column] == 0)
                    continue;
                if (first < 0)
                    first = column;
                last = column;
            }
            if (last > first) {
                widths += std::fabs(place(*half, last) - place(*half, first)) / (last - first);
                ++counted;
            }
        }
        if (counted == 0)
            continue;
        const double width = widths / counted;
        double sum = 0;
        int columns = 0;
        for (int column = 0; column < length; ++column) {
            const double distance = std::fabs(place(forward, column) - place(backward, column));
            if (std::isnan(distance))
                continue;
            sum += distance / width;
            columnGhosts.push_back(distance / width);
            ++columns;
        }
        if (columns > 0)
            pairGhosts.push_back(sum / columns);
    }
    scores.ghost = median(pairGhosts);
    scores.ghostP90 = percentile(columnGhosts, 0.9);
    return scores;
}

std::string fitLabel(const Path& path, double frameRate, int length) {
    const double half = 0.5 / path.frequency;
    const double interval = 1 / frameRate;
    if (display::SteadyPlacement::fitsEvenly(half, interval, length))
        return "fits";
    if (length <= display::SteadyPlacement::longestWhole(half, interval))
        return "long";
    return "too long";
}

std::string number(double value, const char* format, double largest = 99) {
    if (std::isnan(value))
        return "-";
    char text[32];
    if (std::isinf(value) || value > largest)
        std::snprintf(text, sizeof text, ">%d", static_cast<int>(largest));
    else
        std::snprintf(text, sizeof text, format, value);
    return text;
}

void printTable(const std::string& only) {
    const double frameRate = 120;
    const double seconds = 14;
    const std::vector<Path> paths = {
        sine(1, 1, 0),
        sine(1, 1),
        sine(2, 1.5),
        sine(2, 3),
        sine(3, 3),
        hand(1.5, 1.5),
        hand(2.5, 2),
        hand(1.5, 1.5, 60),
        hand(2.5, 2, 100),
        // Rates at which two seconds do not hold whole swings.
        sine(1.13, 1),
        sine(1.77, 1.5),
        sine(2.31, 2),
        hand(1.8, 1.5),
        hand(2.2, 2),
    };
    const std::vector<std::string> messages = { "hi", "hey", "yes!", "hello", "hello you" };
    std::unique_ptr<display::WaveDisplay> display = display::WaveDisplay::create();
    if (!display) {
        std::fprintf(stderr, "legibility_bench: no OpenGL ES 1.1 context\n");
        return;
    }
    std::printf("%d frames/s, %g s per run, warm-up %g s; frame-stepped | steady\n",
                static_cast<int>(frameRate), seconds, kWarmUp);
    std::printf("%-22s %-10s %4s %-8s %5s | %6s %5s %5s %5s %5s | %6s %10s %5s %5s %5s\n", "swing",
                "message", "cols", "fit", "room", "mirror", "whole", "gap", "ghost", "p90",
                "mirror", "whole", "gap", "ghost", "p90");
    // Each row's noise follows from its place in the full table, so `--only` repeats its rows.
    std::uint32_t seed = 1;
    for (const Path& path : paths) {
        if (path.name.find(only) == std::string::npos) {
            seed += static_cast<std::uint32_t>(messages.size());
            continue;
        }
        for (const std::string& message : messages) {
            Scores both[2];
            int length = 0;
            for (int steady = 0; steady < 2; ++steady) {
                // A fresh display per run: what one run learned must not help the next.
                display = display::WaveDisplay::create();
                display->setMessage(shellMessage(message));
                length = display->strip().messageLength();
                const std::vector<Drawn> frames =
                    run(*display, path, steady != 0, frameRate, seconds, seed);
                both[steady] = score(frames, path, display->strip(), seconds);
            }
            ++seed;
            const std::string quoted = "\"" + message + '"';
            std::printf("%-22s %-10s %4d %-8s %4s%%", path.name.c_str(), quoted.c_str(), length,
                        fitLabel(path, frameRate, length).c_str(),
                        number(100 * both[1].room, "%.0f", 100).c_str());
            for (int steady = 0; steady < 2; ++steady) {
                const Scores& s = both[steady];
                std::string whole = number(100 * s.whole, "%.0f", 100) + '%';
                if (steady)
                    whole += '/' + number(100 * s.wholeWithRoom, "%.0f", 100) + '%';
                std::printf(" | %5s%% %*s %5s %5s %5s",
                            number(100 * s.mirrored, "%.1f", 100).c_str(), steady ? 10 : 5,
                            whole.c_str(), number(s.gapRatio, "%.2f").c_str(),
                            number(s.ghost, "%.2f").c_str(), number(s.ghostP90, "%.2f").c_str());
            }
            std::printf("\n");
            std::fflush(stdout);
        }
    }
}

void printFitTable() {
    std::printf("| swing | frames/s | frame-stepped | steady, evenly spaced | steady, whole |\n");
    std::printf("|---|---|---|---|---|\n");
    for (double frequency : { 1.0, 2.0, 3.0 }) {
        for (double frameRate : { 60.0, 120.0 }) {
            const double half = 0.5 / frequency;
            const double interval = 1 / frameRate;
            // A typical character is 4 columns and the dark column before it; one more closes.
            auto cell = [](int columns) {
                char text[48];
                const int chars = std::max(0, (columns - 1) / 5);
                std::snprintf(text, sizeof text, "%d columns (%d char%s)", columns, chars,
                              chars == 1 ? "" : "s");
                return std::string(text);
            };
            std::printf("| %g Hz | %g | %s | %s | %s |\n", frequency, frameRate,
                        cell(static_cast<int>(std::floor(half / interval))).c_str(),
                        cell(display::SteadyPlacement::longestEven(half, interval)).c_str(),
                        cell(display::SteadyPlacement::longestWhole(half, interval)).c_str());
        }
    }
}

bool writeTrace(const char* file) {
    std::FILE* out = std::fopen(file, "w");
    if (!out)
        return false;
    const Path path = hand(1.5, 1.5);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, path.noise);
    std::fprintf(out, "t,x,y,z\n");
    for (long i = 0; i <= static_cast<long>(8 * path.sampleRate); ++i) {
        const double t = static_cast<double>(i) / path.sampleRate;
        std::fprintf(out, "%.5f,%.5f,%.5f,%.5f\n", t, path.reading(t) + noise(random),
                     -1 + noise(random), noise(random));
    }
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char** argv) {
    foundation::setLogSink([](std::string_view) {});
    const std::string option = argc > 1 ? argv[1] : "";
    if (option == "--fit-table") {
        printFitTable();
        return 0;
    }
    if (option == "--write-trace") {
        if (argc < 3 || !writeTrace(argv[2])) {
            std::fprintf(stderr, "legibility_bench: --write-trace needs a file it can write\n");
            return 1;
        }
        return 0;
    }
    if (option == "--only" && argc > 2) {
        printTable(argv[2]);
        return 0;
    }
    if (!option.empty()) {
        std::fprintf(stderr,
                     "usage: legibility_bench [--only SWING | --fit-table | --write-trace FILE]\n");
        return 2;
    }
    printTable("");
    return 0;
}
