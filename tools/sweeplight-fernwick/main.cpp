// sweeplight-fernwick [--settings FILE] [--data-dir DIR] COMMAND
//
// Sets the service client up exactly as the app does (so every run counts a launch), runs one
// command, keeps the run loop going until the command is complete and no save is pending, then
// exits: 0 on success, 1 on failure with a one-line reason, 2 on a bad command line.
#include "ToolCommandLine.h"
#include "fernwick/Fernwick.h"
#include "fetcher/FetchError.h"
#include "fetcher/HTTPFetcher.h"
#include "fetcher/transport/UrlConnection.h"
#include "fetcher/transport/UrlConnectionFactory.h"
#include "fetcher/transport/UrlResponse.h"
#include "foundation/Paths.h"
#include "foundation/QtRunLoop.h"
#include "reachability/Reachability.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace sweeplight;

namespace {

// What became of the plain connections the client made: the tool reports it, the client
// itself ignores it.
struct Outcome {
    int finished = 0;
    int failed = 0;
    std::optional<int> lastStatus;
    std::string lastError;
};

// Forwards every call to the client's delegate, naming the wrapper as the connection, as the
// client only knows the wrapper.
class ObservingDelegate final : public fetcher::UrlConnectionDelegate {
public:
    ObservingDelegate(fetcher::UrlConnectionDelegate& inner, Outcome& outcome)
        : inner_(inner)
        , outcome_(outcome) {}
    fetcher::UrlConnection* outer = nullptr;
    std::optional<fetcher::UrlRequest> connection(fetcher::UrlConnection&,
                                                  const fetcher::UrlRequest& request,
                                                  const fetcher::UrlResponse* redirect) override {
        return inner_.connection(*outer, request, redirect);
    }
    void connection(fetcher::UrlConnection&, const fetcher::UrlResponse& response) override {
        if (response.statusCode())
            outcome_.lastStatus = *response.statusCode();
        inner_.connection(*outer, response);
    }
    void connection(fetcher::UrlConnection&, const QByteArray& data) override {
        inner_.connection(*outer, data);
    }
    void
    connection(fetcher::UrlConnection&,
               const std::shared_ptr<fetcher::UrlAuthenticationChallenge>& challenge) override {
        inner_.connection(*outer, challenge);
    }
    void connectionDidFinishLoading(fetcher::UrlConnection&) override {
        ++outcome_.finished;
        inner_.connectionDidFinishLoading(*outer);
    }
    void connection(fetcher::UrlConnection&, const fetcher::FetchError& error) override {
        ++outcome_.failed;
        outcome_.lastError = error.localizedDescription();
        inner_.connection(*outer, error);
    }

private:
    fetcher::UrlConnectionDelegate& inner_;
    Outcome& outcome_;
};

class ObservedConnection final : public fetcher::UrlConnection {
public:
    explicit ObservedConnection(std::unique_ptr<ObservingDelegate> delegate)
        : delegate_(std::move(delegate)) {
        delegate_->outer = this;
    }
    ~ObservedConnection() override { inner_.reset(); }
    void scheduleInRunLoop(const std::string& mode) override { inner_->scheduleInRunLoop(mode); }
    void start() override { inner_->start(); }
    void cancel() override { inner_->cancel(); }

    std::unique_ptr<ObservingDelegate> delegate_;
    std::unique_ptr<fetcher::UrlConnection> inner_;
};

class ObservingFactory final : public fetcher::UrlConnectionFactory {
public:
    ObservingFactory(std::shared_ptr<fetcher::UrlConnectionFactory> inner, Outcome& outcome)
        : inner_(std::move(inner))
        , outcome_(outcome) {}
    std::unique_ptr<fetcher::UrlConnection>
    initWithRequest(const fetcher::UrlRequest& request, fetcher::UrlConnectionDelegate& delegate,
                    bool startImmediately) override {
        auto observed = std::make_unique<ObservedConnection>(
            std::make_unique<ObservingDelegate>(delegate, outcome_));
        observed->inner_ = inner_->initWithRequest(request, *observed->delegate_, startImmediately);
        if (!observed->inner_)
            return nullptr;
        return observed;
    }

private:
    std::shared_ptr<fetcher::UrlConnectionFactory> inner_;
    Outcome& outcome_;
};

void print(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
}

int fail(const std::string& reason) {
    return tools::fail(QString::fromStdString(reason));
}

// Once the client is set up it lives until the process ends: leave without tearing the run
// loop down under it.
[[noreturn]] void leave(int exitCode) {
    std::fflush(stdout);
    std::_Exit(exitCode);
}

const char* yesNo(bool value) {
    return value ? "true" : "false";
}

// What one command needs from the command line, checked before the client is set up, so
// that a typo counts no launch.
struct Arguments {
    QStringList rest;
    std::int32_t number { 0 };
    float latitude { 0 };
    float longitude { 0 };
    std::optional<int> press;
    bool plain { false };
};

std::int32_t wholeNumber(const QString& text, const QString& what) {
    bool ok = false;
    const std::int32_t value = text.toInt(&ok);
    if (!ok)
        throw tools::UsageError {
            QStringLiteral("%1 needs a whole number, not '%2'").arg(what, text)
        };
    return value;
}

// Read with the C rules whatever the environment's locale, so that "1.5" is one and a half
// under a decimal comma too.
float degrees(const QString& text) {
    bool ok = false;
    const float value = text.toLatin1().toFloat(&ok);
    if (!ok || !std::isfinite(value))
        throw tools::UsageError {
            QStringLiteral("location needs LAT LNG in degrees; '%1' is not a number").arg(text)
        };
    return value;
}

struct CommandSpec {
    const char* name;
    const char* synopsis;
    int argumentCount; // -1: `read` checks the arguments itself
    // Reads the command's arguments (and its own options, which follow the command).
    void (*read)(Arguments& arguments);
};

void noArguments(Arguments&) {}

void scoreArgument(Arguments& arguments) {
    arguments.number = wholeNumber(arguments.rest[0], QStringLiteral("SCORE"));
}

const CommandSpec kCommands[] = {
    { "url", "url FEATURE                  the service URL of a feature", 1, noArguments },
    { "score-url", "score-url SCORE              the signed score submission URL", 1,
      scoreArgument },
    { "device-id", "device-id                    this device's identifier as the service sees it",
      0, noArguments },
    { "usage", "usage                        send a usage report", 0, noArguments },
    { "location", "location LAT LNG             send a location report", 2,
      [](Arguments& arguments) {
          arguments.latitude = degrees(arguments.rest[0]);
          arguments.longitude = degrees(arguments.rest[1]);
      } },
    { "message",
      "message [--press N]          check for the remote message; print (and press) "
      "its alert",
      -1,
      [](Arguments& arguments) {
          if (arguments.rest.isEmpty())
              return;
          if (arguments.rest.size() != 2 || arguments.rest[0] != QLatin1String("--press"))
              throw tools::UsageError { QStringLiteral("message takes only --press N") };
          arguments.press = wholeNumber(arguments.rest[1], QStringLiteral("--press"));
      } },
    { "submit-score",
      "submit-score SCORE [--plain]  submit a score (through the fetcher, or a "
      "plain connection)",
      -1,
      [](Arguments& arguments) {
          const QStringList& rest = arguments.rest;
          if (rest.isEmpty() || rest.size() > 2 ||
              (rest.size() == 2 && rest[1] != QLatin1String("--plain")))
              throw tools::UsageError { QStringLiteral("submit-score needs SCORE [--plain]") };
          scoreArgument(arguments);
          arguments.plain = rest.size() == 2;
      } },
    { "high-score", "high-score                   the stored high score", 0, noArguments },
    { "save-high-score", "save-high-score SCORE        store a high score, marked for submission",
      1, scoreArgument },
    { "status", "status                       the network flags and statuses", 0, noArguments },
};

QString commandsHelp() {
    QString text = QStringLiteral(
        "Runs one command of the service client, set up as the app does it.\n\nCommands:");
    for (const CommandSpec& command : kCommands)
        text += QStringLiteral("\n  ") + QLatin1String(command.synopsis);
    return text;
}

// The command and its arguments; a UsageError for anything the command does not take.
std::pair<QString, Arguments> readCommand(const tools::ToolCommandLine& commandLine) {
    QStringList positional = commandLine.positionalArguments();
    if (positional.isEmpty())
        throw tools::UsageError { QStringLiteral("no COMMAND given (see --help)") };
    const QString name = positional.takeFirst();
    const auto found =
        std::find_if(std::begin(kCommands), std::end(kCommands), [&](const CommandSpec& command) {
            return name == QLatin1String(command.name);
        });
    if (found == std::end(kCommands))
        throw tools::UsageError { QStringLiteral("unknown command '%1' (see --help)").arg(name) };
    if (found->argumentCount >= 0 && positional.size() != found->argumentCount)
        throw tools::UsageError {
            QStringLiteral("usage: %1")
                .arg(QString::fromLatin1(found->synopsis).section(QStringLiteral("  "), 0, 0))
        };
    Arguments arguments;
    arguments.rest = positional;
    found->read(arguments);
    return { name, arguments };
}

int run(QCoreApplication& application) {
    tools::ToolCommandLine commandLine(
        commandsHelp(),
        { { QStringLiteral("settings"), QStringLiteral("The service settings file to use."),
            QStringLiteral("file") },
          { QStringLiteral("data-dir"), QStringLiteral("The folder of the client's data file."),
            QStringLiteral("dir") } });
    // Options go before the command; what follows it is the command's own (a latitude may
    // well start with a minus sign).
    commandLine.parser().setOptionsAfterPositionalArgumentsMode(
        QCommandLineParser::ParseAsPositionalArguments);
    commandLine.parser().addPositionalArgument(QStringLiteral("command"),
                                               QStringLiteral("The command and its arguments."),
                                               QStringLiteral("COMMAND [ARGUMENTS...]"));
    commandLine.process(application);
    // A plain variable rather than a structured binding, which lambdas below capture.
    const std::pair<QString, Arguments> read = readCommand(commandLine);
    const Arguments& arguments = read.second;
    // The app's name: the tool works on the app's own data folder unless told otherwise.
    QCoreApplication::setApplicationName(QStringLiteral("Sweeplight"));
    const std::string command = read.first.toStdString();
    if (commandLine.isSet(QStringLiteral("data-dir")))
        foundation::Paths::setDataDirectory(commandLine.value(QStringLiteral("data-dir")));

    foundation::QtRunLoop runLoop;
    fetcher::HTTPFetcher::setRunLoop(&runLoop);
    reachability::Reachability::configureShared({}, runLoop);

    Outcome outcome;
    bool commandDone = false;
    int exitCode = 0;
    std::optional<fernwick::RemoteMessageAlert> shownAlert;
    std::function<void(int)> dismissAlert;
    auto finish = [&](int code) {
        exitCode = code;
        commandDone = true;
    };

    fernwick::Fernwick::Environment environment;
    environment.settingsFile = commandLine.value(QStringLiteral("settings"));
    environment.runLoop = &runLoop;
    environment.connectionFactory =
        std::make_shared<ObservingFactory>(fetcher::HTTPFetcher::connectionClass(), outcome);
    environment.openUrl = [](const QUrl& url) { print(QStringLiteral("open ") + url.toString()); };
    environment.presentAlert = [&](const fernwick::RemoteMessageAlert& alert,
                                   std::function<void(int)> dismissed) {
        shownAlert = alert;
        dismissAlert = std::move(dismissed);
    };
    environment.fatalError = [](const std::string& message) {
        std::fprintf(stderr, "sweeplight-fernwick: %s\n", message.c_str());
        std::exit(1);
    };
    fernwick::Fernwick::setEnvironment(environment);
    fernwick::Fernwick& client = fernwick::Fernwick::instance();
    // The client runs on without settings it cannot read, as the app must; a file named on
    // purpose is another matter. Left before the delayed save, so no launch is counted.
    if (client.isSettingsFileNamed() && !client.settingsDictionary())
        leave(fail("the settings file " + client.settingsFilePath().toStdString() +
                   " cannot be read"));

    // Plain connections that end report through `outcome`; a command that sent one is done
    // when the client has no connection left.
    auto connectionsDone = [&] { return client.liveConnectionCount() == 0; };
    std::function<bool()> pending = [] { return false; };

    if (command == "url") {
        print(client.getUrlForFeature(arguments.rest[0]));
        finish(0);
    } else if (command == "score-url") {
        print(client.getScoreSubmitUrlForScore(arguments.number));
        finish(0);
    } else if (command == "device-id") {
        print(client.deviceId());
        finish(0);
    } else if (command == "high-score") {
        if (!client.dataDictionary())
            leave(fail("the data file cannot be read"));
        print(QString::number(client.getHighScore()));
        finish(0);
    } else if (command == "save-high-score") {
        if (!client.dataDictionary())
            leave(fail("the data file cannot be read; nothing was stored"));
        const auto* record = client.dataDictionary()->find(fernwick::kHighScoreKey);
        if (client.saveHighScore(arguments.number))
            finish((print(QString::number(client.getHighScore())), 0));
        else if (!record || !record->is(foundation::PropertyList::Type::Dictionary))
            finish(fail("the data file holds no high score record; nothing was stored"));
        else
            finish(fail("the data file could not be written; the score was not stored"));
    } else if (command == "usage" || command == "location") {
        if (command == "usage")
            client.logAppUsage();
        else
            client.logLocationWithLat(arguments.latitude, arguments.longitude);
        if (client.liveConnectionCount() == 0)
            leave(fail("the report URL is not valid: check the settings"));
        pending = [&] {
            if (!connectionsDone())
                return true;
            if (outcome.failed > 0)
                finish(fail("report failed: " + outcome.lastError));
            else if (outcome.lastStatus && *outcome.lastStatus >= 400)
                finish(
                    fail("report refused with HTTP status " + std::to_string(*outcome.lastStatus)));
            else
                finish((print(QStringLiteral("sent")), 0));
            return false;
        };
    } else if (command == "message") {
        client.checkForRemoteMessage();
        if (client.liveConnectionCount() == 0)
            leave(fail("the message URL is not valid: check the settings"));
        bool pressed = false;
        int failedBeforePress = 0;
        pending = [&, pressed, failedBeforePress]() mutable {
            if (!connectionsDone())
                return true;
            if (pressed) {
                finish(outcome.failed > failedBeforePress
                           ? fail("link request failed: " + outcome.lastError)
                           : 0);
                return false;
            }
            if (outcome.failed > 0) {
                finish(fail("message check failed: " + outcome.lastError));
                return false;
            }
            if (!shownAlert) {
                print(QStringLiteral("no new message"));
                finish(arguments.press ? fail("there is no alert to press a button of") : 0);
                return false;
            }
            print(shownAlert->title);
            print(shownAlert->message);
            for (const QString& caption : shownAlert->buttonTitles)
                print(caption);
            if (!arguments.press) {
                finish(0);
                return false;
            }
            pressed = true;
            failedBeforePress = outcome.failed;
            dismissAlert(*arguments.press);
            return true;
        };
    } else if (command == "submit-score") {
        auto succeeded = [&] { finish((print(QStringLiteral("success")), 0)); };
        auto failed = [&] { finish((print(QStringLiteral("failure")), 1)); };
        if (arguments.plain)
            client.submitScore2(arguments.number, succeeded, failed);
        else
            client.submitScore(arguments.number, succeeded, failed);
    } else if (command == "status") {
        // Printed at the end, after the monitor had the run to resolve the probe host.
        pending = [&] {
            finish(0);
            return false;
        };
    }

    auto& monitor = reachability::Reachability::sharedReachability();
    const auto poll = runLoop.scheduleRepeating(0.02, [&] {
        if (!commandDone && !pending())
            return;
        if (!commandDone || client.isSavePending() || !connectionsDone())
            return;
        application.exit(exitCode);
    });
    application.exec();
    runLoop.cancel(poll);

    if (command == "status") {
        std::printf("hasInternet %s\nhasHost %s\nhasWifi %s\n", yesNo(client.hasInternet()),
                    yesNo(client.hasHost()), yesNo(client.hasWifi()));
        std::printf(
            "remoteHostStatus %d\ninternetConnectionStatus %d\nlocalWiFiConnectionStatus %d\n",
            int(monitor.remoteHostStatus()), int(monitor.internetConnectionStatus()),
            int(monitor.localWiFiConnectionStatus()));
    }
    leave(exitCode);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    return tools::runTool([&] {
        const int status = run(application);
        // Once the client is set up it lives until the process ends.
        leave(status);
        return status;
    });
}
