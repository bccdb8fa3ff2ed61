#pragma once

#include "fetcher/FetchError.h"
#include "fetcher/transport/UrlAuthenticationChallenge.h"
#include "fetcher/transport/UrlConnection.h"
#include "fetcher/transport/UrlConnectionDelegate.h"
#include "fetcher/transport/UrlConnectionFactory.h"
#include "fetcher/transport/UrlRequest.h"
#include "fetcher/transport/UrlResponse.h"

#include <QByteArray>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sweeplight::fetcher::testing {

class ScriptedConnection;

// What a test knows about one connection the fetcher made; outlives the connection itself.
struct ConnectionRecord {
    UrlRequest request;
    UrlConnectionDelegate* delegate { nullptr };
    ScriptedConnection* connection { nullptr };
    bool startedImmediately { false };
    bool started { false };
    bool cancelled { false };
    std::vector<std::string> modes;

    // Playing the server's side through the connection's delegate callbacks; nothing once the
    // connection is gone, as a destroyed connection calls nothing.
    void respond(int status, HTTPHeaderFields fields = {},
                 QString mimeType = QStringLiteral("text/plain"));
    void respondWithoutStatus();
    void send(const QByteArray& data);
    void finish();
    void fail(long code, const std::string& domain = kURLErrorDomain);
    // The fetcher's answer to a redirect proposal.
    std::optional<UrlRequest> redirect(const QUrl& to, int status = 302,
                                       HTTPHeaderFields fields = {});
    // Returns how the challenge was answered.
    struct ChallengeOutcome {
        std::optional<UrlCredential> used;
        bool cancelled { false };
    };
    ChallengeOutcome challenge(int previousFailureCount, bool isProxy = false);
    // A full exchange: status, body, finished.
    void answer(int status, const QByteArray& body = {}, HTTPHeaderFields fields = {});
};

class ScriptedConnection final : public UrlConnection {
public:
    explicit ScriptedConnection(std::shared_ptr<ConnectionRecord> record)
        : record_(std::move(record)) {
        record_->connection = this;
    }
    ~ScriptedConnection() override { record_->connection = nullptr; }
    void scheduleInRunLoop(const std::string& mode) override { record_->modes.push_back(mode); }
    void start() override { record_->started = true; }
    void cancel() override { record_->cancelled = true; }

private:
    std::shared_ptr<ConnectionRecord> record_;
};

class ScriptedConnectionFactory final : public UrlConnectionFactory {
public:
    std::unique_ptr<UrlConnection> initWithRequest(const UrlRequest& request,
                                                   UrlConnectionDelegate& delegate,
                                                   bool startImmediately) override {
        if (refuse)
            return nullptr;
        auto record = std::make_shared<ConnectionRecord>();
        record->request = request;
        record->delegate = &delegate;
        record->startedImmediately = startImmediately;
        record->started = startImmediately;
        records.push_back(record);
        return std::make_unique<ScriptedConnection>(record);
    }

    ConnectionRecord& last() { return *records.back(); }

    bool refuse { false };
    std::vector<std::shared_ptr<ConnectionRecord>> records;
};

} // namespace sweeplight::fetcher::testing
