#pragma once

// Scripted stand-ins for the platform: a transport whose connections the test answers, a
// reachability source whose flags the test sets, and a client set up in a temporary folder.

#include "fernwick/Fernwick.h"
#include "fernwick/FernwickScreens.h"
#include "fetcher/FetchError.h"
#include "fetcher/transport/UrlConnection.h"
#include "fetcher/transport/UrlConnectionDelegate.h"
#include "fetcher/transport/UrlConnectionFactory.h"
#include "fetcher/transport/UrlRequest.h"
#include "fetcher/transport/UrlResponse.h"
#include "foundation/ManualRunLoop.h"
#include "foundation/PropertyList.h"
#include "network/Reachability.h"
#include "network/ReachabilitySource.h"

#include <QTemporaryDir>
#include <arpa/inet.h>
#include <map>
#include <memory>
#include <vector>

namespace fernwick_test {

using namespace sweeplight;

// One connection the test answers by hand.
class ScriptedConnection final : public fetcher::UrlConnection {
public:
    ScriptedConnection(fetcher::UrlRequest request, fetcher::UrlConnectionDelegate& delegate,
                       std::shared_ptr<bool> factoryAlive)
        : request_(std::move(request))
        , delegate_(&delegate)
        , factoryAlive_(std::move(factoryAlive)) {}
    ~ScriptedConnection() override { *destroyed_ = true; }

    void scheduleInRunLoop(const std::string&) override {}
    void start() override { started_ = true; }
    void cancel() override { cancelled_ = true; }

    // Answers with a status and a body; nothing happens once cancelled.
    void respond(int status, const QByteArray& body) {
        if (cancelled_)
            return;
        auto destroyed = destroyed_;
        fetcher::UrlResponse response(request_.URL(), QStringLiteral("text/plain"), status,
                                      fetcher::HTTPHeaderFields());
        delegate_->connection(*this, response);
        if (*destroyed || cancelled_)
            return;
        if (!body.isEmpty())
            delegate_->connection(*this, body);
        if (*destroyed || cancelled_)
            return;
        delegate_->connectionDidFinishLoading(*this);
    }
    void fail(long code = fetcher::kURLErrorNotConnectedToInternet) {
        if (cancelled_)
            return;
        delegate_->connection(*this, fetcher::FetchError(fetcher::kURLErrorDomain, code));
    }

    const fetcher::UrlRequest& request() const { return request_; }
    QString url() const { return request_.URL().toString(QUrl::FullyEncoded); }
    bool cancelled() const { return cancelled_; }
    std::shared_ptr<bool> destroyedFlag() const { return destroyed_; }

private:
    fetcher::UrlRequest request_;
    fetcher::UrlConnectionDelegate* delegate_;
    std::shared_ptr<bool> factoryAlive_;
    std::shared_ptr<bool> destroyed_ = std::make_shared<bool>(false);
    bool started_ { false };
    bool cancelled_ { false };
};

class ScriptedTransport final : public fetcher::UrlConnectionFactory {
public:
    std::unique_ptr<fetcher::UrlConnection>
    initWithRequest(const fetcher::UrlRequest& request, fetcher::UrlConnectionDelegate& delegate,
                    bool) override {
        auto connection = std::make_unique<ScriptedConnection>(request, delegate, alive_);
        connections_.push_back(connection.get());
        destroyedFlags_.push_back(connection->destroyedFlag());
        return connection;
    }

    std::size_t count() const { return connections_.size(); }
    // The n-th connection made; null once it has been destroyed.
    ScriptedConnection* at(std::size_t index) const {
        if (index >= connections_.size() || *destroyedFlags_[index])
            return nullptr;
        return connections_[index];
    }
    ScriptedConnection* last() const { return connections_.empty() ? nullptr : at(count() - 1); }
    QString urlAt(std::size_t index) const { return urls().at(index); }
    std::vector<QString> urls() const {
        std::vector<QString> result;
        for (std::size_t i = 0; i < connections_.size(); ++i)
            result.push_back(*destroyedFlags_[i] ? QStringLiteral("<gone>")
                                                 : connections_[i]->url());
        return result;
    }

private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::vector<ScriptedConnection*> connections_;
    std::vector<std::shared_ptr<bool>> destroyedFlags_;
};

// Reachability handles whose flags the test sets; a change calls back on the loop.
class FakeHandle final : public network::ReachabilityHandle {
public:
    explicit FakeHandle(std::string target)
        : target_(std::move(target)) {}
    bool getFlags(network::ReachabilityFlags& flags) override {
        flags = flags_;
        return readable_;
    }
    void setCallback(Callback callback) override { callback_ = std::move(callback); }
    bool scheduleWithRunLoop(foundation::RunLoop&) override {
        ++scheduled_;
        return true;
    }
    void unscheduleFromRunLoop(foundation::RunLoop&) override { --scheduled_; }

    void change(network::ReachabilityFlags flags) {
        flags_ = flags;
        if (scheduled_ > 0 && callback_)
            callback_(*this, flags);
    }

    std::string target_;
    network::ReachabilityFlags flags_ { 0 };
    bool readable_ { true };
    int scheduled_ { 0 };
    Callback callback_;
};

class FakeReachabilitySource final : public network::ReachabilitySource {
public:
    explicit FakeReachabilitySource(std::map<std::string, FakeHandle*>& handles)
        : handles_(handles) {}
    std::unique_ptr<network::ReachabilityHandle>
    createWithName(const std::string& hostName) override {
        return make(hostName);
    }
    std::unique_ptr<network::ReachabilityHandle>
    createWithAddress(const sockaddr_in& address) override {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
        return make(text);
    }

    // Flags every new handle of a target starts with.
    std::map<std::string, network::ReachabilityFlags> initialFlags;

private:
    std::unique_ptr<network::ReachabilityHandle> make(const std::string& target) {
        auto handle = std::make_unique<FakeHandle>(target);
        if (auto found = initialFlags.find(target); found != initialFlags.end())
            handle->flags_ = found->second;
        handles_[target] = handle.get();
        return handle;
    }
    std::map<std::string, FakeHandle*>& handles_;
};

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
    std::map<std::string, FakeHandle*> handles;
    FakeReachabilitySource* source { nullptr };
    std::unique_ptr<network::Reachability> reachability;
    std::vector<QUrl> opened;
    std::vector<fernwick::RemoteMessageAlert> alerts;
    std::function<void(int)> dismissAlert;
    std::vector<std::string> fatalErrors;
    // What the client shows through; none by default, as in a headless host.
    std::shared_ptr<fernwick::FernwickScreens> screens;

    ClientWorld() { resetReachability(); }

    void resetReachability() {
        auto fake = std::make_unique<FakeReachabilitySource>(handles);
        source = fake.get();
        reachability = std::make_unique<network::Reachability>(std::move(fake), loop);
    }

    QString dataDirectory() const { return folder.filePath(QStringLiteral("data")); }
    QString dataFile() const { return folder.filePath(QStringLiteral("data/FernwickData.plist")); }
    QString settingsFile() const { return folder.filePath(QStringLiteral("settings.plist")); }

    void writeSettings(const foundation::PropertyList& settings) const {
        settings.writeFile(settingsFile());
    }
    void writeDefaultSettings(bool withBaseUrl = true) const {
        foundation::PropertyList settings = foundation::PropertyList::dictionary({
            { "fernwickkey", foundation::PropertyList::string(kAppKey) },
            { "gamekey", foundation::PropertyList::string(kGameKey) },
            { "secretkey", foundation::PropertyList::string(kSecret) },
        });
        if (withBaseUrl)
            settings.set("baseurl", foundation::PropertyList::string(kBaseUrl));
        writeSettings(settings);
    }

    fernwick::Fernwick::Environment environment() {
        fernwick::Fernwick::Environment environment;
        environment.runLoop = &loop;
        environment.connectionFactory = transport;
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

    std::optional<foundation::PropertyList> storedData() const {
        return foundation::PropertyList::readFile(dataFile());
    }
};

// The MD5 text of the client's signatures, computed independently of the client.
std::string upperMd5(const std::string& text);

} // namespace fernwick_test
