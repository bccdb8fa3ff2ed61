// sweeplight-render: the wave display without a window, in virtual time. Writes the onlooker's
// long exposure, the per-frame record, single frames or the message strip.

#include "OutputFile.h"
#include "RenderSession.h"
#include "ToolCommandLine.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <optional>

using sweeplight::render::RenderSession;
namespace tools = sweeplight::tools;

namespace {

QCommandLineOption option(const char* name, const char* help, const char* valueName = nullptr) {
    if (!valueName)
        return { QString::fromLatin1(name), QString::fromLatin1(help) };
    return { QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(valueName) };
}

const QList<QCommandLineOption>& options() {
    static const QList<QCommandLineOption> list = {
        // What the display shows (default: the display's own "hey!").
        option("message", "A typed message, spaced as the app hands it over (\" h e y \").",
               "text"),
        option("raw-message", "Text given to the display as is.", "text"),
        option("picture", "A picture instead of a message.", "file"),
        option("repeat", "Repeat the picture during a swing."),
        option("color", "The LED colour (default ff0000).", "RRGGBB"),
        option("rainbow", "Hue running along the message."),
        option("whole-letter", "Whole-letter mode."),
        option("steady", "Steady letters: each frame draws the column that belongs where the "
                         "phone is, centred on the middle of the swing."),
        // How the phone moves (default: a simulated swing).
        option("swing-hz", "Swings per second (default 2).", "F"),
        option("swing-peak-g", "Peak sideways acceleration in g (default 1.5).", "G"),
        option("swing-noise-g", "Noise added to every sample, in g (default 0).", "N"),
        option("seconds", "Length of the run (default 3).", "S"),
        option("trace", "A recorded swing, lines t,x,y,z (seconds, g); the run lasts to its end.",
               "file.csv"),
        option("interval",
               "Frame timer period in seconds, or a fraction like 1/60 "
               "(default 1/120); samples come at 70 Hz.",
               "S"),
        // What to write (at least one).
        option("out", "The onlooker's long exposure of the whole run.", "file.png"),
        option("half-swing",
               "Expose only half-swing N (0 runs from the start to the first "
               "turn-around, 1 to the next, ...).",
               "N"),
        option("scale", "Exposure pixels per screen pixel (default 0.5).", "X"),
        option("frames", "One line per frame: time,f|b,column (-1 for a black frame).", "file.csv"),
        option("frame-png", "The single frame showing --column N, 320 x 480, as on the screen.",
               "file"),
        option("column", "The strip column --frame-png shows.", "N"),
        option("dump-strip", "Print the message strip (7 lines of # and .) and exit."),
    };
    return list;
}

double interval(const tools::ToolCommandLine& commandLine) {
    // "1/120" is how everyone writes a frame period.
    const QString text = commandLine.value(QStringLiteral("interval"));
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0)
        return commandLine.number(QStringLiteral("interval"));
    bool numeratorOk = false;
    bool denominatorOk = false;
    const double numerator = text.left(slash).toDouble(&numeratorOk);
    const double denominator = text.mid(slash + 1).toDouble(&denominatorOk);
    if (!numeratorOk || !denominatorOk || denominator == 0)
        throw tools::UsageError { QStringLiteral("--interval needs a number, not '%1'").arg(text) };
    return numerator / denominator;
}

QColor color(const QString& text) {
    const QString digits = text.startsWith(u'#') ? text.mid(1) : text;
    bool ok = digits.size() == 6 && std::all_of(digits.begin(), digits.end(), [](QChar c) {
                  return c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f');
              });
    const uint value = ok ? digits.toUInt(&ok, 16) : 0;
    if (!ok)
        throw tools::UsageError {
            QStringLiteral("--color needs six hexadecimal digits RRGGBB, not '%1'").arg(text)
        };
    return QColor::fromRgb((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
}

void refuseTogether(const tools::ToolCommandLine& commandLine, const char* first,
                    const char* second, const QString& reason) {
    if (commandLine.isSet(QLatin1String(first)) && commandLine.isSet(QLatin1String(second)))
        throw tools::UsageError { reason };
}

struct Command {
    RenderSession::Options options;
    QString outPath;
    QString framesPath;
    QString framePngPath;
    std::optional<int> column;
    std::optional<int> halfSwing;
    bool dumpStrip { false };
};

RenderSession::Options displayOptions(const tools::ToolCommandLine& commandLine) {
    RenderSession::Options options;
    refuseTogether(commandLine, "message", "raw-message",
                   QStringLiteral("give --message or --raw-message, not both"));
    if (commandLine.isSet(QStringLiteral("message")))
        options.message = RenderSession::shellMessage(commandLine.value(QStringLiteral("message")));
    if (commandLine.isSet(QStringLiteral("raw-message")))
        options.message = commandLine.value(QStringLiteral("raw-message"));
    if (commandLine.isSet(QStringLiteral("picture"))) {
        if (options.message)
            throw tools::UsageError { QStringLiteral("give a message or a picture, not both") };
        options.picturePath = commandLine.value(QStringLiteral("picture"));
    }
    options.repeat = commandLine.isSet(QStringLiteral("repeat"));
    if (options.repeat && options.picturePath.isEmpty())
        throw tools::UsageError { QStringLiteral("--repeat applies to a --picture") };
    options.rainbow = commandLine.isSet(QStringLiteral("rainbow"));
    options.wholeLetter = commandLine.isSet(QStringLiteral("whole-letter"));
    options.steady = commandLine.isSet(QStringLiteral("steady"));
    if (commandLine.isSet(QStringLiteral("color")))
        options.color = color(commandLine.value(QStringLiteral("color")));
    return options;
}

void readMotion(const tools::ToolCommandLine& commandLine, RenderSession::Options& options) {
    if (commandLine.isSet(QStringLiteral("trace"))) {
        for (const char* name : { "swing-hz", "swing-peak-g", "swing-noise-g", "seconds" })
            if (commandLine.isSet(QLatin1String(name)))
                throw tools::UsageError {
                    QStringLiteral("--%1 describes a simulated swing; it cannot go with --trace")
                        .arg(QLatin1String(name))
                };
        options.tracePath = commandLine.value(QStringLiteral("trace")).toStdString();
    }
    auto number = [&](const char* name, double& target) {
        if (commandLine.isSet(QLatin1String(name)))
            target = commandLine.number(QLatin1String(name));
    };
    number("swing-hz", options.swing.frequency);
    number("swing-peak-g", options.swing.peakAcceleration);
    number("swing-noise-g", options.swing.noise);
    number("seconds", options.seconds);
    number("scale", options.airScale);
    if (commandLine.isSet(QStringLiteral("interval")))
        options.interval = interval(commandLine);
}

Command parseCommand(const tools::ToolCommandLine& commandLine) {
    if (!commandLine.positionalArguments().isEmpty())
        throw tools::UsageError {
            QStringLiteral("unexpected argument '%1'").arg(commandLine.positionalArguments()[0])
        };
    Command command;
    command.options = displayOptions(commandLine);
    readMotion(commandLine, command.options);
    command.outPath = commandLine.value(QStringLiteral("out"));
    command.options.expose = !command.outPath.isEmpty();
    command.framesPath = commandLine.value(QStringLiteral("frames"));
    command.framePngPath = commandLine.value(QStringLiteral("frame-png"));
    command.dumpStrip = commandLine.isSet(QStringLiteral("dump-strip"));
    if (commandLine.isSet(QStringLiteral("column")))
        command.column =
            int(commandLine.wholeNumber(QStringLiteral("column"), -1000000000, 1000000000));
    if (commandLine.isSet(QStringLiteral("half-swing")))
        command.halfSwing =
            int(commandLine.wholeNumber(QStringLiteral("half-swing"), 0, 1000000000));

    if (command.halfSwing && command.outPath.isEmpty())
        throw tools::UsageError { QStringLiteral("--half-swing chooses what --out exposes") };
    if (command.column && command.framePngPath.isEmpty())
        throw tools::UsageError { QStringLiteral("--column goes with --frame-png") };
    if (!command.framePngPath.isEmpty() && !command.column)
        throw tools::UsageError { QStringLiteral("--frame-png needs --column N") };
    if (command.dumpStrip && !command.options.picturePath.isEmpty())
        throw tools::UsageError { QStringLiteral(
            "--dump-strip prints a message strip; there is no message with --picture") };
    if (!command.dumpStrip && command.outPath.isEmpty() && command.framesPath.isEmpty() &&
        command.framePngPath.isEmpty())
        throw tools::UsageError { QStringLiteral(
            "nothing to write: give --out, --frames, --frame-png or --dump-strip") };
    const std::string error = RenderSession::optionsError(command.options);
    if (!error.empty())
        throw tools::UsageError { QString::fromStdString(error) };
    return command;
}

// Files the session reads with a reader that could block on a FIFO or never end on a device.
QString inputError(const RenderSession::Options& options) {
    if (!options.picturePath.isEmpty() && !QFileInfo(options.picturePath).isFile())
        return QStringLiteral("%1: not a regular file").arg(options.picturePath);
    return {};
}

// The image is encoded in memory first, so the encoder's buffered writes cannot hide a failed
// write.
QString writePng(const QString& path, const QImage& image) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return QStringLiteral("%1: cannot encode the image as PNG").arg(path);
    return tools::writeOutputFile(path, encoded);
}

int writeFramePng(const Command& command, RenderSession& session) {
    std::string error;
    std::optional<QImage> frame = session.drawColumn(*command.column, error);
    if (!frame)
        return tools::fail(QString::fromStdString(error));
    const QString writeError = writePng(command.framePngPath, *frame);
    return writeError.isEmpty() ? 0 : tools::fail(writeError);
}

int run(const QCoreApplication& application) {
    tools::ToolCommandLine commandLine(
        QStringLiteral("The wave display without a window, in virtual time: writes the "
                       "onlooker's long exposure, the per-frame record, single frames or the "
                       "message strip."),
        options());
    commandLine.process(application);
    const Command command = parseCommand(commandLine);
    if (const QString error = inputError(command.options); !error.isEmpty())
        return tools::fail(error);

    std::string error;
    std::unique_ptr<RenderSession> session = RenderSession::create(command.options, error);
    if (!session)
        return tools::fail(QString::fromStdString(error));

    if (command.dumpStrip) {
        std::fputs(session->stripText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : tools::fail(QStringLiteral("cannot write the strip"));
    }
    if (!command.framePngPath.isEmpty()) {
        if (const int status = writeFramePng(command, *session); status != 0)
            return status;
        if (command.outPath.isEmpty() && command.framesPath.isEmpty())
            return 0;
        // The single frame moved the cursors; the run starts from a fresh display.
        session = RenderSession::create(command.options, error);
        if (!session)
            return tools::fail(QString::fromStdString(error));
    }

    const std::optional<int> halfSwing = command.halfSwing;
    session->run([halfSwing](const RenderSession::Frame& frame) {
        return !halfSwing || frame.halfSwing == *halfSwing;
    });
    if (halfSwing) {
        const auto& frames = session->frames();
        const int last = frames.empty() ? 0 : frames.back().halfSwing;
        if (*halfSwing > last)
            throw tools::UsageError { QStringLiteral("--half-swing %1 is past the end of the "
                                                     "run, whose last half-swing is %2")
                                          .arg(*halfSwing)
                                          .arg(last) };
    }
    if (!command.outPath.isEmpty())
        if (const QString writeError = writePng(command.outPath, session->exposure());
            !writeError.isEmpty())
            return tools::fail(writeError);
    if (!command.framesPath.isEmpty()) {
        const std::string csv = session->framesCsv();
        if (const QString writeError =
                tools::writeOutputFile(command.framesPath, QByteArray::fromStdString(csv));
            !writeError.isEmpty())
            return tools::fail(writeError);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    return tools::runTool([&] { return run(application); });
}
