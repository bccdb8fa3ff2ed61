// sweeplight-render: the wave display without a window, in virtual time. Writes the onlooker's
// long exposure, the per-frame record, single frames or the message strip.

#include "RenderSession.h"

#include <QCoreApplication>
#include <QFile>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using sweeplight::render::RenderSession;

namespace {

constexpr const char* kUsage = R"(usage: sweeplight-render [options]

What the display shows (default: the display's own "hey!"):
  --message TEXT        a typed message, spaced as the app hands it over (" h e y ")
  --raw-message TEXT    text given to the display as is
  --picture FILE        a picture instead of a message; --repeat repeats it during a swing
  --color RRGGBB        the LED colour (default ff0000)
  --rainbow             hue running along the message
  --whole-letter        whole-letter mode
  --steady              steady letters: each frame draws the column that belongs where the
                        phone is, from a learned model of the swing

How the phone moves (default: a simulated swing):
  --swing-hz F          swings per second (default 2)
  --swing-peak-g G      peak sideways acceleration in g (default 1.5)
  --swing-noise-g N     noise added to every sample, in g (default 0)
  --seconds S           length of the run (default 3)
  --trace FILE.csv      a recorded swing, lines t,x,y,z (seconds, g); the run lasts to its end
  --interval S          frame timer period in seconds (default 1/120); samples come at 70 Hz

What to write (at least one):
  --out FILE.png        the onlooker's long exposure of the whole run
  --half-swing N        expose only half-swing N (0 runs from the start to the first
                        turn-around, 1 to the next, ...), as a short camera exposure would
  --scale X             exposure pixels per screen pixel (default 0.5)
  --frames FILE.csv     one line per frame: time,f|b,column (-1 for a black frame)
  --frame-png FILE      the single frame showing --column N, 320 x 480, as on the screen
  --dump-strip          print the message strip (7 lines of # and .) and exit
)";

class UsageError {
public:
    std::string message;
};

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> parseInterval(std::string_view text) {
    // "1/120" is how everyone writes a frame period.
    std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return parseNumber(text);
    std::optional<double> numerator = parseNumber(text.substr(0, slash));
    std::optional<double> denominator = parseNumber(text.substr(slash + 1));
    if (!numerator || !denominator || *denominator == 0)
        return std::nullopt;
    return *numerator / *denominator;
}

std::optional<QColor> parseColor(std::string_view text) {
    if (text.size() == 7 && text.front() == '#')
        text.remove_prefix(1);
    if (text.size() != 6)
        return std::nullopt;
    unsigned value = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (failure != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return QColor::fromRgb((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
}

struct Command {
    RenderSession::Options options;
    std::string outPath;
    std::string framesPath;
    std::string framePngPath;
    std::optional<int> column;
    std::optional<int> halfSwing;
    bool dumpStrip { false };
    bool help { false };
};

Command parseArguments(const std::vector<std::string>& arguments) {
    static const std::set<std::string> kFlags = { "--repeat",     "--rainbow", "--whole-letter",
                                                  "--dump-strip", "--help",    "-h",
                                                  "--steady" };
    static const std::set<std::string> kValued = {
        "--message",    "--raw-message",  "--picture",       "--color",
        "--swing-hz",   "--swing-peak-g", "--swing-noise-g", "--seconds",
        "--trace",      "--interval",     "--out",           "--scale",
        "--half-swing", "--frames",       "--frame-png",     "--column"
    };
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (kFlags.contains(argument)) {
            flags.insert(argument);
            continue;
        }
        if (!kValued.contains(argument))
            throw UsageError { "unknown argument '" + argument + "' (see --help)" };
        if (i + 1 >= arguments.size())
            throw UsageError { argument + " needs a value" };
        if (values.contains(argument))
            throw UsageError { argument + " given twice" };
        values[argument] = arguments[++i];
    }

    Command command;
    command.help = flags.contains("--help") || flags.contains("-h");
    RenderSession::Options& options = command.options;
    auto number = [&](const std::string& name) -> std::optional<double> {
        auto found = values.find(name);
        if (found == values.end())
            return std::nullopt;
        std::optional<double> value =
            name == "--interval" ? parseInterval(found->second) : parseNumber(found->second);
        if (!value)
            throw UsageError { name + " needs a number, not '" + found->second + "'" };
        return value;
    };

    if (values.contains("--message") && values.contains("--raw-message"))
        throw UsageError { "give --message or --raw-message, not both" };
    if (values.contains("--message"))
        options.message = RenderSession::shellMessage(QString::fromStdString(values["--message"]));
    if (values.contains("--raw-message"))
        options.message = QString::fromStdString(values["--raw-message"]);
    if (values.contains("--picture")) {
        if (values.contains("--message") || values.contains("--raw-message"))
            throw UsageError { "give a message or a picture, not both" };
        options.picturePath = QString::fromStdString(values["--picture"]);
    }
    if (flags.contains("--repeat") && options.picturePath.isEmpty())
        throw UsageError { "--repeat applies to a --picture" };
    options.repeat = flags.contains("--repeat");
    options.rainbow = flags.contains("--rainbow");
    options.wholeLetter = flags.contains("--whole-letter");
    options.steady = flags.contains("--steady");
    if (values.contains("--color")) {
        options.color = parseColor(values["--color"]);
        if (!options.color)
            throw UsageError { "--color needs six hexadecimal digits RRGGBB, not '" +
                               values["--color"] + "'" };
    }

    if (values.contains("--trace")) {
        for (const char* name :
             { "--swing-hz", "--swing-peak-g", "--swing-noise-g", "--seconds" }) {
            if (values.contains(name))
                throw UsageError { std::string(name) +
                                   " describes a simulated swing; it cannot go with --trace" };
        }
        options.tracePath = values["--trace"];
    }
    if (auto value = number("--swing-hz"))
        options.swing.frequency = *value;
    if (auto value = number("--swing-peak-g"))
        options.swing.peakAcceleration = *value;
    if (auto value = number("--swing-noise-g"))
        options.swing.noise = *value;
    if (auto value = number("--seconds"))
        options.seconds = *value;
    if (auto value = number("--interval"))
        options.interval = *value;
    if (auto value = number("--scale"))
        options.airScale = *value;

    command.outPath = values["--out"];
    command.options.expose = !command.outPath.empty();
    command.framesPath = values["--frames"];
    command.framePngPath = values["--frame-png"];
    command.dumpStrip = flags.contains("--dump-strip");
    if (auto value = number("--column")) {
        if (*value != std::floor(*value) || std::abs(*value) > 1e9)
            throw UsageError { "--column needs a whole number, not '" + values["--column"] + "'" };
        command.column = static_cast<int>(*value);
    }
    if (auto value = number("--half-swing")) {
        if (*value != std::floor(*value) || *value < 0 || *value > 1e9)
            throw UsageError { "--half-swing needs a whole number, 0 or more, not '" +
                               values["--half-swing"] + "'" };
        command.halfSwing = static_cast<int>(*value);
    }
    if (command.halfSwing && command.outPath.empty())
        throw UsageError { "--half-swing chooses what --out exposes" };
    if (command.column && command.framePngPath.empty())
        throw UsageError { "--column goes with --frame-png" };
    if (!command.framePngPath.empty() && !command.column)
        throw UsageError { "--frame-png needs --column N" };
    if (command.dumpStrip && !options.picturePath.isEmpty())
        throw UsageError {
            "--dump-strip prints a message strip; there is no message with --picture"
        };
    if (!command.help && !command.dumpStrip && command.outPath.empty() &&
        command.framesPath.empty() && command.framePngPath.empty())
        throw UsageError { "nothing to write: give --out, --frames, --frame-png or --dump-strip" };
    std::string error = RenderSession::optionsError(options);
    if (!error.empty())
        throw UsageError { error };
    return command;
}

bool writeText(const std::string& path, const std::string& text) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(text.data(), static_cast<qint64>(text.size())) ==
               static_cast<qint64>(text.size()) &&
           file.flush();
}

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "sweeplight-render: %s\n", message.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    Command command;
    try {
        command = parseArguments(arguments);
    } catch (const UsageError& usage) {
        return fail(usage.message, 2);
    }
    if (command.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    std::string error;
    std::unique_ptr<RenderSession> session = RenderSession::create(command.options, error);
    if (!session)
        return fail(error, 1);

    if (command.dumpStrip) {
        std::fputs(session->stripText().c_str(), stdout);
        return 0;
    }
    if (!command.framePngPath.empty()) {
        std::optional<QImage> frame = session->drawColumn(*command.column, error);
        if (!frame)
            return fail(error, 1);
        if (!frame->save(QString::fromStdString(command.framePngPath), "PNG"))
            return fail(command.framePngPath + ": cannot write the frame", 1);
        if (command.outPath.empty() && command.framesPath.empty())
            return 0;
        // The single frame moved the cursors; the run starts from a fresh display.
        session = RenderSession::create(command.options, error);
        if (!session)
            return fail(error, 1);
    }

    std::optional<int> halfSwing = command.halfSwing;
    session->run([halfSwing](const RenderSession::Frame& frame) {
        return !halfSwing || frame.halfSwing == *halfSwing;
    });
    if (!command.outPath.empty() &&
        !session->exposure().save(QString::fromStdString(command.outPath), "PNG"))
        return fail(command.outPath + ": cannot write the exposure", 1);
    if (!command.framesPath.empty() && !writeText(command.framesPath, session->framesCsv()))
        return fail(command.framesPath + ": cannot write the frames", 1);
    return 0;
}
