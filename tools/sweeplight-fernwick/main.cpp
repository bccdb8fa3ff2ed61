// sweeplight-fernwick [--settings FILE] [--data-dir DIR] COMMAND
//
// Sets the service client up exactly as the app does (so every run counts a launch), runs one
// command, keeps the run loop going until the command is complete and no save is pending, then
// exits: 0 on success, 1 on failure with a one-line reason.
#include "fernwick/Fernwick.h"
#include "fetcher/FetchError.h"
#include "fetcher/HTTPFetcher.h"
#include "fetcher/transport/UrlConnection.h"
#include "fetcher/transport/UrlConnectionFactory.h"
#include "fetcher/transport/UrlResponse.h"
#include "foundation/QtRunLoop.h"
#include "network/Reachability.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace sweeplight;

namespace {

constexpr char kUsage[] =
    "usage: sweeplight-fernwick [--settings FILE] [--data-dir DIR] COMMAND\n"
    "commands:\n"
    "  url FEATURE                 the service URL of a feature\n"
    "  score-url SCORE             the signed score submission URL\n"
    "  device-id                   this device's identifier as the service sees it\n"
    "  usage                       send a usage report\n"
    "  location LAT LNG            send a location report\n"
    "  message [--press N]         check for the remote message; print (and press) its alert\n"
    "  submit-score SCORE [--plain] submit a score (through the fetcher, or a plain connection)\n"
    "  high-score                  the stored high score\n"
    "  save-high-score SCORE       store a high score, marked for submission\n"
    "  status                      the network flags and statuses\n";

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

bool parseInt32(const std::string& text, std::int32_t& value) {
    try {
        std::size_t used = 0;
        const long long parsed = std::stoll(text, &used, 10);
        if (used != text.size() || parsed < INT32_MIN || parsed > INT32_MAX)
            return false;
        value = std::int32_t(parsed);
        return true;
    } catch (...) {
        return false;
    }
}

// Read with the C rules whatever the environment's locale (which the application object has
// set), so that "1.5" is one and a half under a decimal comma too.
bool parseFloat(const std::string& text, float& value) {
    bool ok = false;
    value = QByteArray::fromStdString(text).toFloat(&ok);
    return ok && std::isfinite(value);
}

int fail(const std::string& reason) {
    std::fprintf(stderr, "sweeplight-fernwick: %s\n", reason.c_str());
    return 1;
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // The app's name: the tool works on the app's own data folder unless told otherwise.
    QCoreApplication::setApplicationName(QStringLiteral("Sweeplight"));

    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    if (!fernwick::Fernwick::takeCommandLineOptions(arguments, &error))
        return fail(error);
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h") {
        std::fputs(kUsage, arguments.empty() ? stderr : stdout);
        return arguments.empty() ? 1 : 0;
    }
    const std::string command = arguments[0];
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());

    // Check the arguments before the client is set up, so that a typo counts no launch.
    std::int32_t number = 0;
    float latitude = 0;
    float longitude = 0;
    std::optional<int> press;
    bool plain = false;
    if (command == "url") {
        if (rest.size() != 1)
            return fail("url needs one FEATURE");
    } else if (command == "score-url" || command == "save-high-score") {
        if (rest.size() != 1 || !parseInt32(rest[0], number))
            return fail(command + " needs one whole SCORE");
    } else if (command == "submit-score") {
        if (rest.empty() || rest.size() > 2 || !parseInt32(rest[0], number) ||
            (rest.size() == 2 && rest[1] != "--plain"))
            return fail("submit-score needs SCORE [--plain]");
        plain = rest.size() == 2;
    } else if (command == "location") {
        if (rest.size() != 2)
            return fail("location needs LAT LNG in degrees");
        for (auto [text, value] : { std::pair { &rest[0], &latitude }, { &rest[1], &longitude } })
            if (!parseFloat(*text, *value))
                return fail("location needs LAT LNG in degrees; '" + *text + "' is not a number");
    } else if (command == "message") {
        std::int32_t index = 0;
        if (!rest.empty() &&
            (rest.size() != 2 || rest[0] != "--press" || !parseInt32(rest[1], index)))
            return fail("message takes only --press N");
        if (!rest.empty())
            press = index;
    } else if (command == "device-id" || command == "usage" || command == "high-score" ||
               command == "status") {
        if (!rest.empty())
            return fail(command + " takes no arguments");
    } else {
        return fail("unknown command '" + command + "' (see --help)");
    }

    foundation::QtRunLoop runLoop;
    fetcher::HTTPFetcher::setRunLoop(&runLoop);
    network::Reachability::configureShared({}, runLoop);

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
        print(client.getUrlForFeature(QString::fromStdString(rest[0])));
        finish(0);
    } else if (command == "score-url") {
        print(client.getScoreSubmitUrlForScore(number));
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
        if (client.saveHighScore(number))
            finish((print(QString::number(client.getHighScore())), 0));
        else if (!record || !record->is(foundation::PropertyList::Type::Dictionary))
            finish(fail("the data file holds no high score record; nothing was stored"));
        else
            finish(fail("the data file could not be written; the score was not stored"));
    } else if (command == "usage" || command == "location") {
        if (command == "usage")
            client.logAppUsage();
        else
            client.logLocationWithLat(latitude, longitude);
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
                finish(press ? fail("there is no alert to press a button of") : 0);
                return false;
            }
            print(shownAlert->title);
            print(shownAlert->message);
            for (const QString& caption : shownAlert->buttonTitles)
                print(caption);
            if (!press) {
                finish(0);
                return false;
            }
            pressed = true;
            failedBeforePress = outcome.failed;
            dismissAlert(*press);
            return true;
        };
    } else if (command == "submit-score") {
        auto succeeded = [&] { finish((print(QStringLiteral("success")), 0)); };
        auto failed = [&] { finish((print(QStringLiteral("failure")), 1)); };
        if (plain)
            client.submitScore2(number, succeeded, failed);
        else
            client.submitScore(number, succeeded, failed);
    } else if (command == "status") {
        // Printed at the end, after the monitor had the run to resolve the probe host.
        pending = [&] {
            finish(0);
            return false;
        };
    }

    auto& monitor = network::Reachability::sharedReachability();
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
