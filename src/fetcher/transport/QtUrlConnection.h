#pragma once

#include "UrlConnection.h"
#include "UrlRequest.h"
#include "foundation/RunLoop.h"

#include <QByteArray>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAuthenticator;

namespace sweeplight::fetcher {

class FetchError;
class HttpExchange;
struct HttpResponseHead;
class IdleTimeouts;
class UrlConnectionDelegate;
struct UrlProtectionSpace;
class UrlResponse;

// One request, with the URL-loading system's behaviour, over HttpExchanges (one per request sent):
// redirects are proposed to the delegate, which says what is sent instead; Basic authentication
// challenges of servers and proxies go to the delegate with a failure count; cookies of the
// shared HTTPCookieStorage are sent and stored only when the request asks the transport to handle
// them; no progress for the request's timeout interval fails with -1001; there is no cache, so a
// request for cached data only fails with -1008; transport failures are reported in the URL
// error domain.
class QtUrlConnection final : public UrlConnection {
public:
    QtUrlConnection(foundation::RunLoop& runLoop, std::shared_ptr<IdleTimeouts> timeouts,
                    UrlRequest request, UrlConnectionDelegate& delegate);
    ~QtUrlConnection() override;

    void scheduleInRunLoop(const std::string& mode) override;
    void start() override;
    void cancel() override;

private:
    // Fails with `code` on the next turn of the run loop (never from inside start()).
    void failSoon(long code, const QString& description);
    void send(const UrlRequest& request);
    void onHead(const HttpResponseHead& head);
    void onBody(const QByteArray& data);
    void onFinished();
    void onFailed(long code, const QString& description);
    // Where a challenge of the request in flight comes from.
    UrlProtectionSpace protectionSpace(const QString& realm, bool isProxy) const;
    void answerBasicChallenge();
    void onProxyAuthenticationRequired(QAuthenticator* authenticator);
    void answerChallenge(QAuthenticator* authenticator, bool isProxy, int previousFailureCount);
    void followRedirect();
    void deliverResponseIfNeeded();
    void fail(const FetchError& error);
    void restartTimeout();
    void stopTimeout();
    void releaseExchange();
    UrlResponse makeResponse() const;
    QString headerField(const char* name) const;

    foundation::RunLoop& runLoop_;
    std::shared_ptr<IdleTimeouts> timeouts_;
    UrlRequest request_;
    UrlConnectionDelegate& delegate_;
    std::unique_ptr<HttpExchange> exchange_;
    // The head of the answer to the request in flight, once it arrived.
    std::unique_ptr<HttpResponseHead> head_;
    std::vector<std::string> modes_;
    // Shared with callbacks scheduled on the run loop, which must not run after destruction.
    std::shared_ptr<bool> alive_ { std::make_shared<bool>(true) };
    bool started_ { false };
    bool done_ { false };
    bool redirecting_ { false };
    // A 401 or 407 asking for Basic credentials is being answered; its body is not the
    // response's.
    bool challenging_ { false };
    bool challengeIsProxy_ { false };
    QByteArray authorization_;
    QByteArray proxyAuthorization_;
    bool responseDelivered_ { false };
    bool challengeCancelled_ { false };
    QByteArray redirectBody_;
    int redirectCount_ { 0 };
    int serverChallengeCount_ { 0 };
    int proxyChallengeCount_ { 0 };
    std::uint64_t timeoutId_ { 0 };
};

} // namespace sweeplight::fetcher
