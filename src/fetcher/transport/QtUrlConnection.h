#pragma once

#include "UrlConnection.h"
#include "UrlRequest.h"
#include "foundation/RunLoop.h"

#include <QByteArray>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkProxy;
class QNetworkReply;

namespace sweeplight::fetcher {

class FetchError;
class IdleTimeouts;
class UrlConnectionDelegate;
class UrlResponse;

// One exchange over QNetworkAccessManager with the URL-loading system's behaviour: redirects are
// not followed by Qt but proposed to the delegate, which says what is sent instead;
// Basic authentication challenges (and Qt's proxy challenges) go to the delegate with a failure
// count; cookies are sent and stored
// only when the request asks the transport to handle them; no progress for the request's timeout
// interval fails with -1001; transport failures are reported in the URL error domain.
class QtUrlConnection final : public UrlConnection {
public:
    QtUrlConnection(QNetworkAccessManager& manager, foundation::RunLoop& runLoop,
                    std::shared_ptr<IdleTimeouts> timeouts, UrlRequest request,
                    UrlConnectionDelegate& delegate);
    ~QtUrlConnection() override;

    void scheduleInRunLoop(const std::string& mode) override;
    void start() override;
    void cancel() override;

    // Maps a Qt network error to a code of the URL error domain.
    static long urlErrorCode(int networkError);

private:
    void send(const UrlRequest& request);
    void onMetaDataChanged();
    void onReadyRead();
    void onFinished();
    void answerBasicChallenge();
    void onProxyAuthenticationRequired(const QNetworkProxy& proxy, QAuthenticator* authenticator);
    void answerChallenge(QAuthenticator* authenticator, bool isProxy, int previousFailureCount);
    void followRedirect();
    void deliverResponseIfNeeded();
    // True when the answer declared a plain body longer than what arrived.
    bool isCutShort(qint64 receivedBytes) const;
    void fail(const FetchError& error);
    void restartTimeout();
    void stopTimeout();
    void releaseReply();
    UrlResponse makeResponse() const;

    QNetworkAccessManager& manager_;
    foundation::RunLoop& runLoop_;
    std::shared_ptr<IdleTimeouts> timeouts_;
    UrlRequest request_;
    UrlConnectionDelegate& delegate_;
    QPointer<QNetworkReply> reply_;
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
    // Body bytes of the current answer handed to the delegate so far.
    qint64 bodyBytes_ { 0 };
    int redirectCount_ { 0 };
    int serverChallengeCount_ { 0 };
    int proxyChallengeCount_ { 0 };
    std::uint64_t timeoutId_ { 0 };
};

} // namespace sweeplight::fetcher
