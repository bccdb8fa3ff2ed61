#include "QtUrlConnection.h"

#include "IdleTimeouts.h"
#include "UrlAuthenticationChallenge.h"
#include "UrlConnectionDelegate.h"
#include "UrlResponse.h"
#include "fetcher/FetchError.h"

#include <QAuthenticator>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace sweeplight::fetcher {

namespace {

// As the URL-loading system, give up on a chain of redirects longer than this.
constexpr int kMaximumRedirects = 16;
constexpr qint64 kReadBufferSize = 1024 * 1024;
constexpr char kContentTypeHeader[] = "Content-Type";
constexpr char kLocationHeader[] = "Location";
constexpr char kDefaultBodyContentType[] = "application/x-www-form-urlencoded";

constexpr char kWWWAuthenticateHeader[] = "WWW-Authenticate";
constexpr char kAuthorizationHeader[] = "Authorization";
constexpr char kProxyAuthenticateHeader[] = "Proxy-Authenticate";
constexpr char kProxyAuthorizationHeader[] = "Proxy-Authorization";

// The realm of a Basic challenge; a null string when the field asks for no Basic credentials.
QString basicRealm(const QByteArray& field) {
    const QByteArray trimmed = field.trimmed();
    if (!trimmed.toLower().startsWith("basic"))
        return QString();
    qsizetype realm = trimmed.toLower().indexOf("realm=");
    if (realm < 0)
        return QStringLiteral("");
    QByteArray value = trimmed.mid(realm + 6).trimmed();
    if (value.startsWith('"'))
        value = value.mid(1, value.indexOf('"', 1) - 1);
    else
        value = value.split(',').front().trimmed();
    return QString::fromUtf8(value);
}

bool sameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(a.scheme() == QLatin1String("https") ? 443 : 80) ==
               b.port(b.scheme() == QLatin1String("https") ? 443 : 80);
}

bool isHTTPScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// Qt turns HTTP statuses of 400 and above into reply errors; for us those are answers, not
// failures. The same content errors on any other status are Qt's own verdict on the body (it
// could not be decompressed, or looked like a decompression bomb).
bool isHTTPLevelError(QNetworkReply::NetworkError error, int status) {
    int code = static_cast<int>(error);
    return status >= 400 && ((code >= 201 && code <= 299) || (code >= 301 && code <= 302) ||
                             (code >= 401 && code <= 499) ||
                             error == QNetworkReply::ProxyAuthenticationRequiredError);
}

bool isContentError(QNetworkReply::NetworkError error) {
    int code = static_cast<int>(error);
    return code >= 201 && code <= 299;
}

FetchError urlError(long code, const QUrl& url, const QString& description) {
    FetchError::UserInfo info;
    info[kErrorLocalizedDescriptionKey] = description.toStdString();
    info[kErrorFailingURLStringKey] = url.toString(QUrl::FullyEncoded).toStdString();
    return FetchError(kURLErrorDomain, code, std::move(info));
}

QNetworkRequest::CacheLoadControl cacheLoadControl(UrlRequestCachePolicy policy) {
    switch (policy) {
    case UrlRequestCachePolicy::ReloadIgnoringLocalCacheData:
        return QNetworkRequest::AlwaysNetwork;
    case UrlRequestCachePolicy::ReturnCacheDataElseLoad:
        return QNetworkRequest::PreferCache;
    case UrlRequestCachePolicy::ReturnCacheDataDontLoad:
        return QNetworkRequest::AlwaysCache;
    case UrlRequestCachePolicy::UseProtocolCachePolicy:
        break;
    }
    return QNetworkRequest::PreferNetwork;
}

} // namespace

QtUrlConnection::QtUrlConnection(QNetworkAccessManager& manager, foundation::RunLoop& runLoop,
                                 std::shared_ptr<IdleTimeouts> timeouts, UrlRequest request,
                                 UrlConnectionDelegate& delegate)
    : manager_(manager)
    , runLoop_(runLoop)
    , timeouts_(std::move(timeouts))
    , request_(std::move(request))
    , delegate_(delegate) {}

QtUrlConnection::~QtUrlConnection() {
    *alive_ = false;
    done_ = true;
    stopTimeout();
    releaseReply();
}

void QtUrlConnection::scheduleInRunLoop(const std::string& mode) {
    // Qt's event loop has no modes; the connection runs whenever the loop runs.
    modes_.push_back(mode);
}

void QtUrlConnection::start() {
    if (started_ || done_)
        return;
    started_ = true;
    if (!request_.URL().isValid() || !isHTTPScheme(request_.URL())) {
        // Report on the next turn: a connection never calls back from inside start().
        std::weak_ptr<bool> alive = alive_;
        long code = request_.URL().isValid() ? kURLErrorUnsupportedURL : kURLErrorBadURL;
        runLoop_.scheduleOnce(0, [this, alive, code] {
            auto flag = alive.lock();
            if (!flag || !*flag || done_)
                return;
            fail(urlError(code, request_.URL(), QStringLiteral("unsupported URL")));
        });
        return;
    }
    send(request_);
}

void QtUrlConnection::cancel() {
    done_ = true;
    stopTimeout();
    releaseReply();
}

void QtUrlConnection::send(const UrlRequest& request) {
    QNetworkRequest networkRequest(request.URL());
    for (const auto& [name, value] : request.allHTTPHeaderFields().fields())
        networkRequest.setRawHeader(name.toUtf8(), value.toUtf8());
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::ManualRedirectPolicy);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                cacheLoadControl(request.cachePolicy()));
    // Server challenges are answered here, not by Qt: Qt would answer later requests from
    // credentials it remembers, and every challenge must reach the delegate with its count.
    networkRequest.setAttribute(QNetworkRequest::AuthenticationReuseAttribute,
                                QNetworkRequest::Manual);
    if (!authorization_.isEmpty())
        networkRequest.setRawHeader(kAuthorizationHeader, authorization_);
    if (!proxyAuthorization_.isEmpty())
        networkRequest.setRawHeader(kProxyAuthorizationHeader, proxyAuthorization_);
    if (!request.HTTPShouldHandleCookies()) {
        networkRequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute,
                                    QNetworkRequest::Manual);
        networkRequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute,
                                    QNetworkRequest::Manual);
    }

    QByteArray method =
        request.HTTPMethod().isEmpty() ? QByteArray("GET") : request.HTTPMethod().toLatin1();
    const bool hasBody = !request.HTTPBody().isNull() || request.HTTPBodyStream();
    if (hasBody && !request.allHTTPHeaderFields().contains(QString::fromLatin1(kContentTypeHeader)))
        networkRequest.setHeader(QNetworkRequest::ContentTypeHeader,
                                 QByteArray(kDefaultBodyContentType));

    QNetworkReply* reply = nullptr;
    if (!request.HTTPBody().isNull())
        reply = manager_.sendCustomRequest(networkRequest, method, request.HTTPBody());
    else if (request.HTTPBodyStream())
        reply = manager_.sendCustomRequest(networkRequest, method, request.HTTPBodyStream().get());
    else if (method == "GET")
        reply = manager_.get(networkRequest);
    else if (method == "HEAD")
        reply = manager_.head(networkRequest);
    else
        reply = manager_.sendCustomRequest(networkRequest, method);

    // Qt reads the socket on a thread of its own; without a bound, a body arriving faster than
    // this thread takes it piles up a second time in queued chunks.
    reply->setReadBufferSize(kReadBufferSize);
    reply_ = reply;
    redirecting_ = false;
    challenging_ = false;
    responseDelivered_ = false;
    challengeCancelled_ = false;
    redirectBody_.clear();
    bodyBytes_ = 0;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply,
                     [this] { onMetaDataChanged(); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { onReadyRead(); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this] { onFinished(); });
    QObject::connect(reply, &QNetworkReply::uploadProgress, reply, [this] { restartTimeout(); });
    QObject::connect(&manager_, &QNetworkAccessManager::proxyAuthenticationRequired, reply,
                     [this](const QNetworkProxy& proxy, QAuthenticator* authenticator) {
                         onProxyAuthenticationRequired(proxy, authenticator);
                     });
    restartTimeout();
}

UrlResponse QtUrlConnection::makeResponse() const {
    HTTPHeaderFields fields;
    for (const auto& [name, value] : reply_->rawHeaderPairs())
        fields.setValue(QString::fromUtf8(value), QString::fromUtf8(name));
    QString mimeType = fields.value(QString::fromLatin1(kContentTypeHeader));
    mimeType = mimeType.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
    QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return UrlResponse(reply_->url(), mimeType,
                       status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt,
                       std::move(fields));
}

void QtUrlConnection::onMetaDataChanged() {
    if (done_ || !reply_ || responseDelivered_)
        return;
    restartTimeout();
    QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    int code = status.toInt();
    bool isRedirect =
        code >= 300 && code < 400 && code != 304 && reply_->hasRawHeader(kLocationHeader);
    if (isRedirect) {
        redirecting_ = true;
        return;
    }
    // A proxy's 407 on a plain HTTP request comes back as a response (Qt answers proxies
    // itself only where requests reuse its credentials, which ours never do).
    const bool proxy = code == 407;
    if ((code == 401 || proxy) &&
        !basicRealm(reply_->rawHeader(proxy ? kProxyAuthenticateHeader : kWWWAuthenticateHeader))
             .isNull()) {
        challenging_ = true;
        challengeIsProxy_ = proxy;
        return;
    }
    deliverResponseIfNeeded();
}

void QtUrlConnection::deliverResponseIfNeeded() {
    if (responseDelivered_ || done_ || !reply_)
        return;
    responseDelivered_ = true;
    delegate_.connection(*this, makeResponse());
}

void QtUrlConnection::onReadyRead() {
    if (done_ || !reply_)
        return;
    restartTimeout();
    QByteArray data = reply_->readAll();
    if (challenging_)
        return;
    if (redirecting_) {
        redirectBody_ += data;
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    deliverResponseIfNeeded();
    auto flag = alive.lock();
    bodyBytes_ += data.size();
    if (!data.isEmpty() && flag && *flag && !done_)
        delegate_.connection(*this, data);
}

bool QtUrlConnection::isCutShort(qint64 receivedBytes) const {
    // Only a body sent as it is can be measured against its length; Qt checks neither that nor
    // the end of a chunked body in every case.
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.isValid() ? status.toInt() : 0;
    if (!status.isValid() || code < 200 || code == 204 || code == 304 ||
        reply_->operation() == QNetworkAccessManager::HeadOperation)
        return false;
    const QByteArray encoding = reply_->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return false;
    if (!reply_->hasRawHeader("Content-Length") || reply_->hasRawHeader("Transfer-Encoding"))
        return false;
    bool ok = false;
    const qint64 length = reply_->rawHeader("Content-Length").trimmed().toLongLong(&ok);
    return ok && receivedBytes < length;
}

void QtUrlConnection::onFinished() {
    if (done_ || !reply_)
        return;
    stopTimeout();
    std::weak_ptr<bool> alive = alive_;
    auto stillHere = [&alive, this] {
        auto flag = alive.lock();
        return flag && *flag && !done_;
    };

    QNetworkReply::NetworkError error = reply_->error();
    const QVariant statusAttribute = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool hasStatus = statusAttribute.isValid();
    if (error == QNetworkReply::AuthenticationRequiredError && challengeCancelled_) {
        fail(urlError(kURLErrorUserCancelledAuthentication, reply_->url(),
                      QStringLiteral("authentication cancelled")));
        return;
    }
    if (error != QNetworkReply::NoError &&
        !(hasStatus && isHTTPLevelError(error, statusAttribute.toInt()))) {
        if (hasStatus && isContentError(error))
            fail(urlError(kURLErrorCannotDecodeRawData, reply_->url(),
                          QStringLiteral("cannot decode content data: ") + reply_->errorString()));
        else
            fail(urlError(urlErrorCode(error), reply_->url(), reply_->errorString()));
        return;
    }
    if (redirecting_) {
        redirectBody_ += reply_->readAll();
        followRedirect();
        return;
    }
    if (challenging_) {
        answerBasicChallenge();
        return;
    }
    QByteArray rest = reply_->readAll();
    if (isCutShort(bodyBytes_ + rest.size())) {
        fail(urlError(kURLErrorNetworkConnectionLost, reply_->url(),
                      QStringLiteral("the connection ended before the whole body arrived")));
        return;
    }
    deliverResponseIfNeeded();
    if (!stillHere())
        return;
    if (!rest.isEmpty()) {
        delegate_.connection(*this, rest);
        if (!stillHere())
            return;
    }
    done_ = true;
    releaseReply();
    delegate_.connectionDidFinishLoading(*this);
}

void QtUrlConnection::followRedirect() {
    UrlResponse redirectResponse = makeResponse();
    int status = redirectResponse.statusCode().value_or(0);
    QUrl target =
        reply_->url().resolved(QUrl::fromEncoded(reply_->rawHeader(kLocationHeader).trimmed()));
    if (++redirectCount_ > kMaximumRedirects) {
        fail(urlError(kURLErrorHTTPTooManyRedirects, reply_->url(),
                      QStringLiteral("too many redirects")));
        return;
    }

    // What a browser would send next: 303, and 301/302 after a POST, turn into a bodiless GET.
    UrlRequest proposed = request_;
    proposed.setURL(target);
    const QString method = request_.HTTPMethod();
    bool toGet = (status == 303 && method != QLatin1String("HEAD")) ||
                 ((status == 301 || status == 302) && method == QLatin1String("POST"));
    if (toGet) {
        proposed.setHTTPMethod(QStringLiteral("GET"));
        proposed.setHTTPBody(QByteArray());
        proposed.setHTTPBodyStream(nullptr);
        proposed.removeHTTPHeaderField(QString::fromLatin1(kContentTypeHeader));
        proposed.removeHTTPHeaderField(QStringLiteral("Content-Length"));
    }

    std::weak_ptr<bool> alive = alive_;
    std::optional<UrlRequest> next = delegate_.connection(*this, proposed, &redirectResponse);
    auto flag = alive.lock();
    if (!flag || !*flag || done_)
        return;
    if (!next) {
        // The redirect answer itself is the final response.
        QByteArray body = redirectBody_;
        redirecting_ = false;
        deliverResponseIfNeeded();
        flag = alive.lock();
        if (!flag || !*flag || done_)
            return;
        if (!body.isEmpty())
            delegate_.connection(*this, body);
        flag = alive.lock();
        if (!flag || !*flag || done_)
            return;
        done_ = true;
        releaseReply();
        delegate_.connectionDidFinishLoading(*this);
        return;
    }
    if (!next->URL().isValid() || !isHTTPScheme(next->URL())) {
        fail(urlError(kURLErrorUnsupportedURL, next->URL(),
                      QStringLiteral("unsupported redirect URL")));
        return;
    }
    // Credentials given to one server are not handed to another.
    if (!sameOrigin(next->URL(), reply_->url()))
        authorization_.clear();
    releaseReply();
    request_ = *next;
    send(request_);
}

void QtUrlConnection::answerBasicChallenge() {
    const bool isProxy = challengeIsProxy_;
    UrlProtectionSpace space;
    space.host = reply_->url().host();
    space.port = reply_->url().port(reply_->url().scheme() == QLatin1String("https") ? 443 : 80);
    space.realm =
        basicRealm(reply_->rawHeader(isProxy ? kProxyAuthenticateHeader : kWWWAuthenticateHeader));
    space.isProxy = isProxy;
    std::optional<UrlCredential> chosen;
    auto challenge = std::make_shared<UrlAuthenticationChallenge>(
        space, isProxy ? proxyChallengeCount_++ : serverChallengeCount_++,
        [&chosen](const UrlCredential& credential) { chosen = credential; },
        [this] { challengeCancelled_ = true; });
    std::weak_ptr<bool> alive = alive_;
    delegate_.connection(*this, challenge);
    auto flag = alive.lock();
    if (!flag || !*flag || done_)
        return;
    if (!challenge->isAnswered())
        challenge->cancelAuthenticationChallenge();
    if (!chosen) {
        fail(urlError(kURLErrorUserCancelledAuthentication, reply_->url(),
                      QStringLiteral("authentication cancelled")));
        return;
    }
    (isProxy ? proxyAuthorization_ : authorization_) =
        "Basic " + (chosen->user + QLatin1Char(':') + chosen->password).toUtf8().toBase64();
    releaseReply();
    send(request_);
}

void QtUrlConnection::onProxyAuthenticationRequired(const QNetworkProxy&,
                                                    QAuthenticator* authenticator) {
    // Qt does not say which reply the proxy challenged; a connection still waiting for its
    // answer takes it. Plain HTTP requests answer the proxy's 407 themselves (Qt would not send
    // them again): only a tunnel's challenge is answered here.
    if (done_ || !reply_ || responseDelivered_ || !authenticator->user().isEmpty() ||
        reply_->url().scheme() != QLatin1String("https"))
        return;
    answerChallenge(authenticator, true, proxyChallengeCount_++);
}

void QtUrlConnection::answerChallenge(QAuthenticator* authenticator, bool isProxy,
                                      int previousFailureCount) {
    UrlProtectionSpace space;
    space.host = reply_->url().host();
    space.port = reply_->url().port(reply_->url().scheme() == QLatin1String("https") ? 443 : 80);
    space.realm = authenticator->realm();
    space.isProxy = isProxy;
    auto challenge = std::make_shared<UrlAuthenticationChallenge>(
        space, previousFailureCount,
        [authenticator](const UrlCredential& credential) {
            authenticator->setUser(credential.user);
            authenticator->setPassword(credential.password);
        },
        [this] { challengeCancelled_ = true; });
    // The authenticator is only valid during this call: answer now or not at all.
    delegate_.connection(*this, challenge);
    if (!challenge->isAnswered())
        challenge->cancelAuthenticationChallenge();
}

void QtUrlConnection::fail(const FetchError& error) {
    if (done_)
        return;
    done_ = true;
    stopTimeout();
    releaseReply();
    delegate_.connection(*this, error);
}

void QtUrlConnection::restartTimeout() {
    const double interval = request_.timeoutInterval();
    if (done_ || !(interval > 0))
        return;
    const double deadline = runLoop_.now() + interval;
    if (timeoutId_) {
        timeouts_->touch(timeoutId_, deadline);
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    timeoutId_ = timeouts_->watch(runLoop_, deadline, [this, alive] {
        auto flag = alive.lock();
        if (!flag || !*flag)
            return;
        timeoutId_ = 0;
        fail(urlError(kURLErrorTimedOut, request_.URL(), QStringLiteral("The request timed out.")));
    });
}

void QtUrlConnection::stopTimeout() {
    if (timeoutId_)
        timeouts_->unwatch(timeoutId_);
    timeoutId_ = 0;
}

void QtUrlConnection::releaseReply() {
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    QObject::disconnect(reply, nullptr, nullptr, nullptr);
    QObject::disconnect(&manager_, nullptr, reply, nullptr);
    if (reply->isRunning())
        reply->abort();
    // Qt may be inside one of this reply's signals right now.
    reply->deleteLater();
}

long QtUrlConnection::urlErrorCode(int networkError) {
    switch (static_cast<QNetworkReply::NetworkError>(networkError)) {
    case QNetworkReply::NoError:
        return 0;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
        return kURLErrorCannotConnectToHost;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return kURLErrorNetworkConnectionLost;
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ProxyNotFoundError:
        return kURLErrorCannotFindHost;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return kURLErrorTimedOut;
    case QNetworkReply::OperationCanceledError:
        return kURLErrorCancelled;
    case QNetworkReply::SslHandshakeFailedError:
        return kURLErrorSecureConnectionFailed;
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return kURLErrorNotConnectedToInternet;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return kURLErrorHTTPTooManyRedirects;
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return kURLErrorUserAuthenticationRequired;
    case QNetworkReply::ProtocolUnknownError:
        return kURLErrorUnsupportedURL;
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
        return kURLErrorBadServerResponse;
    default:
        return kURLErrorUnknown;
    }
}

} // namespace sweeplight::fetcher
