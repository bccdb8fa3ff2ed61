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
#include <memory>
#include <vector>

namespace fernwick_test {

using namespace sweeplight;

using fixtures::FakeReachabilitySource;
using fixtures::ScriptedTransport;
// A connection made through the scripted transport, as the test sees it.
using ScriptedConnection = fixtures::ConnectionRecord;

inline constexpr char kDeviceId[] = "D3V1CE";
inline constexpr char kSecret[] = "S3CRET";
inline constexpr char kAppKey[] = "sweeplight";
inline constexpr char kGameKey[] = "game42";
inline constexpr char kBaseUrl[] = "http://service.test";

// Everything one client needs, in a temporary folder.
struct ClientWorld {
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

    // The score fetcher's, and through it the client's run loop and transport.
    std::shared_ptr<fetcher::FetcherEnvironment> fetchers =
        std::make_shared<fetcher::FetcherEnvironment>();
    std::unique_ptr<fernwick::Fernwick> client;

    ClientWorld() {
        fetchers->setRunLoop(&loop);
        fetchers->setConnectionFactory(transport);
        resetReachability();
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

    void writeSettings(const foundation::PropertyList& settings) const {
        settings.writeFile(settingsFile());
    }
    // A null base URL is left out.
    void writeDefaultSettings(const char* baseUrl = kBaseUrl, const char* appKey = kAppKey) const {
        using foundation::PropertyList;
        PropertyList settings = PropertyList::dictionary({
            { "fernwickkey", PropertyList::string(appKey) },
            { "gamekey", PropertyList::string(kGameKey) },
            { "secretkey", PropertyList::string(kSecret) },
        });
        if (baseUrl)
            settings.set("baseurl", PropertyList::string(baseUrl));
        writeSettings(settings);
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
        environment.fatalError = [this](const std::string& message) {
            fatalErrors.push_back(message);
        };
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
