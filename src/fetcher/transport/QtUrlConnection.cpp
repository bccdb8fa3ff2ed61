#include "QtUrlConnection.h"

#include "HTTPCookie.h"
#include "HTTPCookieStorage.h"
#include "HttpExchange.h"
#include "IdleTimeouts.h"
#include "UrlAuthenticationChallenge.h"
#include "UrlConnectionDelegate.h"
#include "UrlResponse.h"
#include "fetcher/FetchError.h"

#include <QAuthenticator>
#include <QIODevice>

namespace sweeplight::fetcher {

namespace {

// As the URL-loading system, give up on a chain of redirects longer than this.
constexpr int kMaximumRedirects = 16;
constexpr char kContentTypeHeader[] = "Content-Type";
constexpr char kLocationHeader[] = "Location";
constexpr char kDefaultBodyContentType[] = "application/x-www-form-urlencoded";

constexpr char kWWWAuthenticateHeader[] = "WWW-Authenticate";
constexpr char kAuthorizationHeader[] = "Authorization";
constexpr char kProxyAuthenticateHeader[] = "Proxy-Authenticate";
constexpr char kCookieHeader[] = "Cookie";

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

// The port the URL names, or its scheme's own.
int portOf(const QUrl& url) {
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

bool sameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && portOf(a) == portOf(b);
}

bool isHTTPScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

FetchError urlError(long code, const QUrl& url, const QString& description) {
    FetchError::UserInfo info;
    info[kErrorLocalizedDescriptionKey] = description.toStdString();
    info[kErrorFailingURLStringKey] = url.toString(QUrl::FullyEncoded).toStdString();
    return FetchError(kURLErrorDomain, code, std::move(info));
}

// Replaces the field of that name, or adds it.
void setField(std::vector<std::pair<QByteArray, QByteArray>>& fields, const QByteArray& name,
              const QByteArray& value) {
    for (auto& field : fields) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0) {
            field.second = value;
            return;
        }
    }
    fields.emplace_back(name, value);
}

} // namespace

QtUrlConnection::QtUrlConnection(foundation::RunLoop& runLoop,
                                 std::shared_ptr<IdleTimeouts> timeouts, UrlRequest request,
                                 UrlConnectionDelegate& delegate)
    : runLoop_(runLoop)
    , timeouts_(std::move(timeouts))
    , request_(std::move(request))
    , delegate_(delegate) {}

QtUrlConnection::~QtUrlConnection() {
    *alive_ = false;
    done_ = true;
    stopTimeout();
    releaseExchange();
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
        failSoon(request_.URL().isValid() ? kURLErrorUnsupportedURL : kURLErrorBadURL,
                 QStringLiteral("unsupported URL"));
        return;
    }
    if (request_.cachePolicy() == UrlRequestCachePolicy::ReturnCacheDataDontLoad) {
        failSoon(
            kURLErrorResourceUnavailable,
            QStringLiteral("the request may only be answered from a cache, and there is none"));
        return;
    }
    send(request_);
}

void QtUrlConnection::failSoon(long code, const QString& description) {
    std::weak_ptr<bool> alive = alive_;
    runLoop_.scheduleOnce(0, [this, alive, code, description] {
        auto flag = alive.lock();
        if (!flag || !*flag || done_)
            return;
        fail(urlError(code, request_.URL(), description));
    });
}

void QtUrlConnection::cancel() {
    done_ = true;
    stopTimeout();
    releaseExchange();
}

void QtUrlConnection::send(const UrlRequest& request) {
    HttpExchange::Request out;
    out.method =
        request.HTTPMethod().isEmpty() ? QByteArray("GET") : request.HTTPMethod().toLatin1();
    out.url = request.URL();
    for (const auto& [name, value] : request.allHTTPHeaderFields().fields())
        out.fields.emplace_back(name.toUtf8(), value.toUtf8());
    // Server challenges are answered here, and every one reaches the delegate with its count:
    // credentials go only with the request that the delegate answered a challenge for.
    if (!authorization_.isEmpty())
        setField(out.fields, kAuthorizationHeader, authorization_);
    if (request.HTTPShouldHandleCookies()) {
        const auto cookies =
            HTTPCookieStorage::sharedHTTPCookieStorage().cookiesForURL(request.URL());
        const HTTPHeaderFields cookieField = HTTPCookie::requestHeaderFieldsWithCookies(cookies);
        if (!cookieField.empty())
            setField(out.fields, kCookieHeader,
                     cookieField.value(QString::fromLatin1(kCookieHeader)).toUtf8());
    }
    const bool hasBody = !request.HTTPBody().isNull() || request.HTTPBodyStream();
    if (hasBody && !request.allHTTPHeaderFields().contains(QString::fromLatin1(kContentTypeHeader)))
        out.fields.emplace_back(kContentTypeHeader, kDefaultBodyContentType);
    out.body = request.HTTPBody();
    if (out.body.isNull())
        out.bodyStream = request.HTTPBodyStream();
    out.proxyAuthorization = proxyAuthorization_;

    redirecting_ = false;
    challenging_ = false;
    responseDelivered_ = false;
    challengeCancelled_ = false;
    redirectBody_.clear();
    head_.reset();
    HttpExchange::Callbacks callbacks;
    callbacks.onProgress = [this] { restartTimeout(); };
    callbacks.onHead = [this](const HttpResponseHead& head) { onHead(head); };
    callbacks.onBody = [this](const QByteArray& data) { onBody(data); };
    callbacks.onFinished = [this] { onFinished(); };
    callbacks.onFailed = [this](long code, const QString& description) {
        onFailed(code, description);
    };
    callbacks.onProxyAuthenticationRequired = [this](QAuthenticator* authenticator) {
        onProxyAuthenticationRequired(authenticator);
    };
    exchange_ = std::make_unique<HttpExchange>(std::move(out), std::move(callbacks));
    exchange_->start();
    restartTimeout();
}

QString QtUrlConnection::headerField(const char* name) const {
    return head_ ? head_->fields.value(QString::fromLatin1(name)) : QString();
}

UrlResponse QtUrlConnection::makeResponse() const {
    QString mimeType = headerField(kContentTypeHeader);
    mimeType = mimeType.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
    return UrlResponse(request_.URL(), mimeType, head_->statusCode, head_->fields);
}

void QtUrlConnection::onHead(const HttpResponseHead& head) {
    if (done_ || responseDelivered_)
        return;
    head_ = std::make_unique<HttpResponseHead>(head);
    if (request_.HTTPShouldHandleCookies()) {
        // Every answer may set cookies, redirects and challenges included.
        HTTPCookieStorage::sharedHTTPCookieStorage().setCookies(
            HTTPCookie::cookiesWithResponseHeaderFields(head.fields, request_.URL()));
    }
    const int code = head.statusCode;
    if (code >= 300 && code < 400 && code != 304 &&
        head.fields.contains(QString::fromLatin1(kLocationHeader))) {
        redirecting_ = true;
        return;
    }
    // A proxy's 407 comes back as an answer to a plain HTTP request sent through it.
    const bool proxy = code == 407;
    if ((code == 401 || proxy) &&
        !basicRealm(headerField(proxy ? kProxyAuthenticateHeader : kWWWAuthenticateHeader).toUtf8())
             .isNull()) {
        challenging_ = true;
        challengeIsProxy_ = proxy;
        return;
    }
    deliverResponseIfNeeded();
}

void QtUrlConnection::deliverResponseIfNeeded() {
    if (responseDelivered_ || done_ || !head_)
        return;
    responseDelivered_ = true;
    delegate_.connection(*this, makeResponse());
}

void QtUrlConnection::onBody(const QByteArray& data) {
    if (done_ || challenging_)
        return;
    if (redirecting_) {
        redirectBody_ += data;
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    deliverResponseIfNeeded();
    auto flag = alive.lock();
    if (flag && *flag && !done_)
        delegate_.connection(*this, data);
}

void QtUrlConnection::onFinished() {
    if (done_)
        return;
    stopTimeout();
    if (redirecting_) {
        followRedirect();
        return;
    }
    if (challenging_) {
        answerBasicChallenge();
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    deliverResponseIfNeeded();
    auto flag = alive.lock();
    if (!flag || !*flag || done_)
        return;
    done_ = true;
    releaseExchange();
    delegate_.connectionDidFinishLoading(*this);
}

void QtUrlConnection::onFailed(long code, const QString& description) {
    // A proxy tunnel whose challenge the delegate turned down.
    if (code == kURLErrorUserAuthenticationRequired && challengeCancelled_)
        code = kURLErrorUserCancelledAuthentication;
    fail(urlError(code, request_.URL(), description));
}

void QtUrlConnection::followRedirect() {
    UrlResponse redirectResponse = makeResponse();
    int status = redirectResponse.statusCode().value_or(0);
    const QUrl current = request_.URL();
    QUrl target =
        current.resolved(QUrl::fromEncoded(headerField(kLocationHeader).trimmed().toUtf8()));
    if (++redirectCount_ > kMaximumRedirects) {
        fail(
            urlError(kURLErrorHTTPTooManyRedirects, current, QStringLiteral("too many redirects")));
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
        releaseExchange();
        delegate_.connectionDidFinishLoading(*this);
        return;
    }
    if (!next->URL().isValid() || !isHTTPScheme(next->URL())) {
        fail(urlError(kURLErrorUnsupportedURL, next->URL(),
                      QStringLiteral("unsupported redirect URL")));
        return;
    }
    // Credentials given to one server are not handed to another.
    if (!sameOrigin(next->URL(), current))
        authorization_.clear();
    releaseExchange();
    request_ = *next;
    send(request_);
}

UrlProtectionSpace QtUrlConnection::protectionSpace(const QString& realm, bool isProxy) const {
    UrlProtectionSpace space;
    space.host = request_.URL().host();
    space.port = portOf(request_.URL());
    space.realm = realm;
    space.isProxy = isProxy;
    return space;
}

void QtUrlConnection::answerBasicChallenge() {
    const bool isProxy = challengeIsProxy_;
    const UrlProtectionSpace space = protectionSpace(
        basicRealm(
            headerField(isProxy ? kProxyAuthenticateHeader : kWWWAuthenticateHeader).toUtf8()),
        isProxy);
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
        fail(urlError(kURLErrorUserCancelledAuthentication, request_.URL(),
                      QStringLiteral("authentication cancelled")));
        return;
    }
    (isProxy ? proxyAuthorization_ : authorization_) =
        "Basic " + (chosen->user + QLatin1Char(':') + chosen->password).toUtf8().toBase64();
    releaseExchange();
    send(request_);
}

void QtUrlConnection::onProxyAuthenticationRequired(QAuthenticator* authenticator) {
    // Plain HTTP requests answer the proxy's 407 themselves: only a tunnel's challenge comes
    // here, and one whose authenticator already holds a user is being answered from the proxy
    // settings.
    if (done_ || !exchange_ || responseDelivered_ || !authenticator->user().isEmpty() ||
        request_.URL().scheme() != QLatin1String("https"))
        return;
    answerChallenge(authenticator, true, proxyChallengeCount_++);
}

void QtUrlConnection::answerChallenge(QAuthenticator* authenticator, bool isProxy,
                                      int previousFailureCount) {
    auto challenge = std::make_shared<UrlAuthenticationChallenge>(
        protectionSpace(authenticator->realm(), isProxy), previousFailureCount,
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
    releaseExchange();
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

void QtUrlConnection::releaseExchange() {
    // The exchange may be inside one of its callbacks right now; it is made for that.
    exchange_.reset();
}

} // namespace sweeplight::fetcher
