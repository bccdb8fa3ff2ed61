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

namespace sweeplight::fixtures {

class ScriptedConnection;

// What a test knows about one connection made through the scripted transport; outlives the
// connection itself. The test plays the server's side through the connection's delegate; once
// the connection is gone nothing is delivered, as a destroyed connection calls nothing.
struct ConnectionRecord {
    fetcher::UrlRequest request;
    fetcher::UrlConnectionDelegate* delegate { nullptr };
    ScriptedConnection* connection { nullptr };
    bool cancelled { false };

    QString url() const { return request.URL().toString(QUrl::FullyEncoded); }

    void respond(int status, fetcher::HTTPHeaderFields fields = {},
                 QString mimeType = QStringLiteral("text/plain")) {
        deliver(fetcher::UrlResponse(request.URL(), mimeType, status, std::move(fields)));
    }
    void respondWithoutStatus() {
        deliver(fetcher::UrlResponse(request.URL(), QStringLiteral("text/plain")));
    }
    void send(const QByteArray& data) { deliver(data); }
    void finish();
    void fail(long code = fetcher::kURLErrorNotConnectedToInternet,
              const std::string& domain = fetcher::kURLErrorDomain) {
        deliver(fetcher::FetchError(domain, code));
    }
    // A full exchange: status, body, finished, each step only while the connection lives and
    // has not been cancelled, as a server stops once the client hangs up.
    void answer(int status, const QByteArray& body = {}, fetcher::HTTPHeaderFields fields = {});
    void respond(int status, const QByteArray& body) { answer(status, body); }
    // The delegate's answer to a redirect proposal.
    std::optional<fetcher::UrlRequest> redirect(const QUrl& to, int status = 302,
                                                fetcher::HTTPHeaderFields fields = {});
    // How the delegate answered an authentication challenge.
    struct ChallengeOutcome {
        std::optional<fetcher::UrlCredential> used;
        bool cancelled { false };
    };
    ChallengeOutcome challenge(int previousFailureCount, bool isProxy = false);

private:
    // To the delegate, only while the connection lives.
    template <typename What> void deliver(const What& what);
};

class ScriptedConnection final : public fetcher::UrlConnection {
public:
    explicit ScriptedConnection(std::shared_ptr<ConnectionRecord> record)
        : record_(std::move(record)) {
        record_->connection = this;
    }
    ~ScriptedConnection() override { record_->connection = nullptr; }
    void scheduleInRunLoop(const std::string&) override {}
    void start() override {}
    void cancel() override { record_->cancelled = true; }

private:
    std::shared_ptr<ConnectionRecord> record_;
};

template <typename What> void ConnectionRecord::deliver(const What& what) {
    if (connection)
        delegate->connection(*connection, what);
}

// A transport whose connections the test answers by hand.
class ScriptedTransport final : public fetcher::UrlConnectionFactory {
public:
    std::unique_ptr<fetcher::UrlConnection>
    initWithRequest(const fetcher::UrlRequest& request, fetcher::UrlConnectionDelegate& delegate,
                    bool startImmediately) override;

    std::size_t count() const { return records.size(); }
    // The n-th connection made, or the last; null once the connection has been destroyed.
    ConnectionRecord* at(std::size_t index) const;
    ConnectionRecord* last() const { return records.empty() ? nullptr : at(count() - 1); }
    // The last connection's record, whether or not the connection still lives.
    ConnectionRecord& lastRecord() const { return *records.back(); }
    QString urlAt(std::size_t index) const { return records.at(index)->url(); }

    // Made connections fail to start: the transport returns none.
    bool refuse { false };
    std::vector<std::shared_ptr<ConnectionRecord>> records;
};

} // namespace sweeplight::fixtures
