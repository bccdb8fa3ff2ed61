#pragma once

// Scripted stand-ins for the platform: a transport whose connections the test answers, a
// reachability source whose flags the test sets, and a client set up in a temporary folder.

#include "FakeReachabilitySource.h"
#include "ScriptedTransport.h"
#include "fernwick/Fernwick.h"
#include "fernwick/FernwickScreens.h"
#include "fetcher/FetcherEnvironment.h"
#include "foundation/ManualRunLoop.h"
#include "foundation/PropertyList.h"
#include "reachability/Reachability.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace fernwick_test {

using namespace sweeplight;

using fixtures::FakeReachabilitySource;
using fixtures::ScriptedTransport;

inline constexpr char kDeviceId[] = "D3V1CE";
inline constexpr char kSecret[] = "S3CRET";
inline constexpr char kBaseUrl[] = "http://service.test";

// A remote message link: JSON text of its type member, or empty to leave it out.
struct Link {
    std::string title, url, type;
};

// The message service's answer with `links` in the first of its three slots.
inline QByteArray messageJson(const std::string& date, std::vector<Link> links = {},
                              const std::string& title = "\"News\"") {
    std::string json = "{\"message_title\": " + title + ", \"message_date\": \"" + date +
                       "\", \"message_detail\": \"Hello there\"";
    links.resize(3);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string slot = "\"link_" + std::to_string(i + 1);
        json += ", " + slot + "_title\": \"" + links[i].title + "\", " + slot + "_url\": \"" +
                links[i].url + "\"";
        if (!links[i].type.empty())
            json += ", " + slot + "_type\": " + links[i].type;
    }
    return QByteArray::fromStdString(json + "}");
}

// Everything one client needs, in a temporary folder: bare, with the default settings written,
// or with a client started on them.
struct ClientWorld {
    enum Setup { Bare, Settings, Started };
    QTemporaryDir folder;
    foundation::ManualRunLoop loop;
    std::shared_ptr<ScriptedTransport> transport = std::make_shared<ScriptedTransport>();
    FakeReachabilitySource* source { nullptr };
    std::unique_ptr<reachability::Reachability> reachability;
    std::vector<QUrl> opened;
    std::vector<fernwick::RemoteMessageAlert> alerts;
    std::function<void(int)> dismissAlert;
    std::vector<std::string> fatalErrors;
    // What the client shows through; none by default, as in a headless host.
    std::shared_ptr<fernwick::FernwickScreens> screens;

    std::shared_ptr<fetcher::FetcherEnvironment> fetchers =
        std::make_shared<fetcher::FetcherEnvironment>();
    std::unique_ptr<fernwick::Fernwick> client;

    int successes = 0, failures = 0;

    explicit ClientWorld(Setup setup = Bare) {
        fetchers->setRunLoop(&loop);
        fetchers->setConnectionFactory(transport);
        resetReachability();
        if (setup == Settings)
            writeDefaultSettings();
        else if (setup == Started)
            startClient();
    }
    ~ClientWorld() {
        client.reset();
        loop.advance(1.0);
    }

    void resetReachability() {
        auto fake = std::make_unique<FakeReachabilitySource>();
        source = fake.get();
        reachability = std::make_unique<reachability::Reachability>(std::move(fake), loop);
    }

    QString dataDirectory() const { return folder.filePath(QStringLiteral("data")); }
    QString dataFile() const { return folder.filePath(QStringLiteral("data/FernwickData.plist")); }
    QString settingsFile() const { return folder.filePath(QStringLiteral("settings.plist")); }

    // A null base URL is left out.
    void writeDefaultSettings(const char* baseUrl = kBaseUrl,
                              const char* appKey = "sweeplight") const {
        using P = foundation::PropertyList;
        P settings = P::dictionary({ { "fernwickkey", P::string(appKey) },
                                     { "gamekey", P::string("game42") },
                                     { "secretkey", P::string(kSecret) } });
        if (baseUrl)
            settings.set("baseurl", P::string(baseUrl));
        settings.writeFile(settingsFile());
    }

    fernwick::Fernwick::Environment environment() {
        fernwick::Fernwick::Environment environment;
        environment.fetchers = fetchers;
        environment.screens = screens;
        environment.reachability = reachability.get();
        environment.openUrl = [this](const QUrl& url) { opened.push_back(url); };
        environment.presentAlert = [this](const fernwick::RemoteMessageAlert& alert,
                                          std::function<void(int)> dismissed) {
            alerts.push_back(alert);
            dismissAlert = std::move(dismissed);
        };
        environment.fatalError = [this](const std::string& text) { fatalErrors.push_back(text); };
        environment.dataDirectory = dataDirectory();
        environment.settingsFile = settingsFile();
        environment.deviceId = kDeviceId;
        environment.probeHostName = "probe.test";
        return environment;
    }

    std::unique_ptr<fernwick::Fernwick> start() {
        return fernwick::Fernwick::createUnshared(environment());
    }
    // A new start of the client on the same folder, as the next launch.
    void restart() {
        client.reset();
        resetReachability();
        client = start();
    }
    // Starts `client` with the default settings.
    fernwick::Fernwick& startClient() {
        writeDefaultSettings();
        client = start();
        return *client;
    }

    // Submits a score through the fetcher, or the plain form, counting its reports.
    void submit(bool plain, int score, std::function<void()> success = {},
                std::function<void()> fail = {}) {
        if (!success) {
            success = [this] { ++successes; };
            fail = [this] { ++failures; };
        }
        std::invoke(plain ? &fernwick::Fernwick::submitScore2 : &fernwick::Fernwick::submitScore,
                    *client, score, success, fail);
        loop.runPending();
    }

    // Runs one message check answered with `body`; returns whether an alert was shown.
    bool checkMessage(const QByteArray& body) {
        const std::size_t before = alerts.size();
        client->checkForRemoteMessage();
        auto* connection = transport->last();
        if (!connection)
            return ADD_FAILURE() << "no request", false;
        EXPECT_EQ(connection->url(), QString(kBaseUrl) + "/message/list?app_key=sweeplight");
        connection->respond(200, body);
        loop.runPending();
        return alerts.size() > before;
    }

    std::optional<foundation::PropertyList> storedData() const {
        return foundation::PropertyList::readFile(dataFile());
    }
    bool storedShouldSubmit() const {
        auto data = storedData();
        return data && *data->find("highscore")->find("shouldsubmit")->asBoolean();
    }
};

// Writes `bytes` as the whole file at `path`, making its folder.
inline void writeRaw(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

// The MD5 text of the client's signatures, computed independently of the client.
inline std::string upperMd5(const std::string& text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5)
        .toHex()
        .toUpper()
        .toStdString();
}

} // namespace fernwick_test
