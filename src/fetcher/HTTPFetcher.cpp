#include "HTTPFetcher.h"

#include "CookieList.h"
#include "FetchHistory.h"
#include "HTTPFetcherDetail.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "transport/HTTPCookie.h"
#include "transport/UrlAuthenticationChallenge.h"
#include "transport/UrlConnection.h"
#include "transport/UrlConnectionFactory.h"

#include <QIODevice>
#include <QLoggingCategory>
#include <QNetworkCookie>
#include <algorithm>
#include <random>

Q_LOGGING_CATEGORY(lcFetch, "sweeplight.fetch", QtWarningMsg)

namespace sweeplight::fetcher {

namespace {

constexpr char kReusedFetcherMessage[] = "fetch object %1 being reused; this should never happen";
constexpr char kRequestRequiredMessage[] = "beginFetchWithDelegate requires a request";
constexpr char kNoConnectionMessage[] = "beginFetchWithDelegate could not create a connection";
constexpr char kGetMethod[] = "GET";
constexpr char kPostMethod[] = "POST";
constexpr char kCookieHeader[] = "Cookie";

std::mt19937& retryRandomGenerator() {
    static std::mt19937 generator;
    return generator;
}

} // namespace

namespace detail {

void reportProgrammingError(const QString& message) {
    foundation::logWarning(lcFetch(), message.toStdString());
}

QString absoluteString(const QUrl& url) {
    return url.toString(QUrl::FullyEncoded);
}

} // namespace detail

HTTPFetcher::HTTPFetcher(std::optional<UrlRequest> request,
                         std::shared_ptr<FetcherEnvironment> environment)
    : environment_(environment ? std::move(environment) : FetcherEnvironment::process())
    , request_(std::move(request)) {
    setCookieStorageMethod(kHTTPFetcherCookieStorageMethodStatic);
}

HTTPFetcher::~HTTPFetcher() {
    stopFetching();
    destroyRetryTimer();
}

std::shared_ptr<HTTPFetcher> HTTPFetcher::create(std::optional<UrlRequest> request,
                                                 std::shared_ptr<FetcherEnvironment> environment) {
    return std::shared_ptr<HTTPFetcher>(
        new HTTPFetcher(std::move(request), std::move(environment)));
}

std::shared_ptr<HTTPFetcher> HTTPFetcher::httpFetcherWithRequest(const UrlRequest& request) {
    return create(request);
}

void HTTPFetcher::setRequest(std::optional<UrlRequest> request) {
    request_ = std::move(request);
    callerHeaderValues_.clear();
    addedHeaderFields_ = false;
}

void HTTPFetcher::setPostStream(std::shared_ptr<QIODevice> stream) {
    postStream_ = std::move(stream);
}

void HTTPFetcher::setDelegate(Delegate delegate) {
    delegate_ = delegate;
    if (connection_)
        retainedDelegate_ = std::move(delegate);
}

bool HTTPFetcher::beginFetchWithDelegate(Delegate delegate, FinishedCallback finished,
                                         FailedCallback failed) {
    if (connection_) {
        detail::reportProgrammingError(
            QString::fromLatin1(kReusedFetcherMessage)
                .arg(QStringLiteral("HTTPFetcher(%1)")
                         .arg(request_ ? detail::absoluteString(request_->URL()) : QString())));
        failToBegin(delegate, failed);
        return false;
    }
    if (!request_) {
        detail::reportProgrammingError(QString::fromLatin1(kRequestRequiredMessage));
        failToBegin(delegate, failed);
        return false;
    }

    downloadedData_ = QByteArray();
    setDelegate(delegate);
    finishedSEL_ = std::move(finished);
    failedSEL_ = failed;

    if (postData_ || postStream_) {
        if (request_->HTTPMethod().isNull() || request_->HTTPMethod() == QLatin1String(kGetMethod))
            request_->setHTTPMethod(QString::fromLatin1(kPostMethod));
        if (postData_) {
            request_->setHTTPBody(*postData_);
        } else {
            if (environment_->log().isEnabled() && postStream_) {
                loggedStreamData_ = QByteArray("");
                logCapturePostStream();
            }
            // A retried or repeated fetch sends the stream from its start again.
            if (!postStream_->isSequential())
                postStream_->reset();
            request_->setHTTPBodyStream(postStream_);
        }
    }
    if (fetchHistory_)
        request_->setCachePolicy(UrlRequestCachePolicy::ReloadIgnoringLocalCacheData);
    addFetcherHeaderFields();

    auto factory = environment_->connectionFactory();
    std::optional<RunLoopModes> modes;
    if (doesSupportRunLoopModes())
        modes = runLoopModes_ ? runLoopModes_ : environment_->defaultRunLoopModes();

    if (!modes || modes->empty()) {
        connection_ = factory ? factory->connectionWithRequest(*request_, *this) : nullptr;
    } else if (factory) {
        connection_ = factory->initWithRequest(*request_, *this, false);
        if (connection_) {
            for (const std::string& mode : *modes)
                connection_->scheduleInRunLoop(mode);
        }
    }
    if (!connection_) {
        detail::reportProgrammingError(QString::fromLatin1(kNoConnectionMessage));
        restoreCallerHeaderFields();
        failToBegin(delegate, failed);
        return false;
    }

    retainedDelegate_ = std::move(delegate);
    downloadedData_ = QByteArray("");
    connectionHold_ = shared_from_this();
    if (modes && !modes->empty())
        connection_->start();
    return true;
}

void HTTPFetcher::failToBegin(const Delegate& delegate, const FailedCallback& failed) {
    if (!failed)
        return;
    auto hold = shared_from_this();
    auto keepDelegate = delegate; // the delegate of this call, alive across the callback
    failed(*this, FetchError(kHTTPFetcherErrorDomain, kHTTPFetcherErrorDownloadFailed));
}

void HTTPFetcher::restoreCallerHeaderFields() {
    if (!addedHeaderFields_ || !request_)
        return;
    for (const auto& [field, value] : callerHeaderValues_) {
        if (value.isNull())
            request_->removeHTTPHeaderField(field);
        else
            request_->setValue(value, field);
    }
    callerHeaderValues_.clear();
    addedHeaderFields_ = false;
}

void HTTPFetcher::addFetcherHeaderFields() {
    restoreCallerHeaderFields();
    const QString ifModifiedSince = QString::fromLatin1(kIfModifiedSinceHeader);
    const QString cookie = QString::fromLatin1(kCookieHeader);
    callerHeaderValues_ = { { ifModifiedSince, request_->valueForHTTPHeaderField(ifModifiedSince) },
                            { cookie, request_->valueForHTTPHeaderField(cookie) } };
    addedHeaderFields_ = true;

    const QString urlKey = detail::absoluteString(request_->URL());
    if (fetchHistory_) {
        auto* lastModified = fetchHistory_->lastModified();
        auto found = lastModified ? lastModified->find(urlKey)
                                  : FetchHistory::LastModifiedDictionary::iterator();
        bool hasBody = !request_->HTTPBody().isNull() || request_->HTTPBodyStream();
        if (lastModified && found != lastModified->end() && !hasBody)
            request_->addValue(found->second, ifModifiedSince);
    }
    if (cookieStorageMethod_ != kHTTPFetcherCookieStorageMethodSystemDefault) {
        std::vector<QNetworkCookie> cookies = cookiesForURL(request_->URL());
        if (!cookies.empty()) {
            QString header = HTTPCookie::requestHeaderFieldsWithCookies(cookies).value(cookie);
            if (!header.isEmpty())
                request_->addValue(header, cookie);
        }
    }
}

void HTTPFetcher::stopFetching() {
    destroyRetryTimer();
    if (!connection_)
        return;
    // Between fetches the request is the caller's own again, so that changes the caller makes
    // to it are not undone by the next begin.
    restoreCallerHeaderFields();
    // Connections may be destroyed from inside their own callbacks (see UrlConnection).
    std::unique_ptr<UrlConnection> oldConnection = std::move(connection_);
    oldConnection->cancel();
    oldConnection.reset();
    auto releasedDelegate = std::move(retainedDelegate_);
    auto hold = std::move(connectionHold_);
}

bool HTTPFetcher::isFetching() const {
    return connection_ != nullptr || retryTimer_ != foundation::RunLoop::kNoTimer;
}

int HTTPFetcher::statusCode() const {
    if (response_ && response_->statusCode())
        return *response_->statusCode();
    return 0;
}

// --- Connection events ---------------------------------------------------------------------------

void HTTPFetcher::connection(UrlConnection& connection, const UrlResponse& response) {
    if (&connection != connection_.get() || retryTimer_)
        return;
    auto hold = shared_from_this();
    downloadedData_.resize(0);
    setResponse(response);
    handleCookiesForResponse(response);

    // A body sent as it is announces its size: refuse it at once when too large, else make room
    // for all of it, so that it is never copied while it grows.
    const auto& fields = response.allHeaderFields();
    if (!fields || &connection != connection_.get())
        return;
    const QString encoding = fields->value(QStringLiteral("Content-Encoding")).trimmed();
    bool known = false;
    const qint64 length =
        fields->value(QStringLiteral("Content-Length")).trimmed().toLongLong(&known);
    if (!known || length <= 0 ||
        (!encoding.isEmpty() && encoding.compare(QLatin1String("identity"), Qt::CaseInsensitive)))
        return;
    if (maxBodySize_ > 0 && length > maxBodySize_) {
        failForBodySize(connection, length);
        return;
    }
    // Without a limit, an announced size is no reason to take memory the body has not used yet.
    downloadedData_.reserve(
        std::min(length, maxBodySize_ > 0 ? maxBodySize_ : kDefaultMaxBodySize));
}

void HTTPFetcher::failForBodySize(UrlConnection& connection, qint64 size) {
    connection.cancel();
    FetchError::UserInfo info;
    info[kErrorLocalizedDescriptionKey] =
        QStringLiteral("resource exceeds maximum size: %1 bytes, at most %2 accepted")
            .arg(size)
            .arg(maxBodySize_)
            .toStdString();
    if (request_)
        info[kErrorFailingURLStringKey] = detail::absoluteString(request_->URL()).toStdString();
    this->connection(connection, FetchError(kURLErrorDomain, kURLErrorDataLengthExceedsMaximum,
                                            std::move(info)));
}

void HTTPFetcher::connection(UrlConnection& connection, const QByteArray& data) {
    if (&connection != connection_.get() || retryTimer_)
        return;
    auto hold = shared_from_this();
    const qint64 needed = downloadedData_.size() + data.size();
    if (maxBodySize_ > 0 && needed > maxBodySize_) {
        failForBodySize(connection, needed);
        return;
    }
    // Grow by an eighth rather than doubling: a large body then costs little more than itself.
    if (needed > downloadedData_.capacity()) {
        qint64 room = needed + needed / 8;
        downloadedData_.reserve(maxBodySize_ > 0 ? std::min(room, maxBodySize_) : room);
    }
    downloadedData_.append(data);
    if (receivedDataSEL_) {
        QByteArray soFar = downloadedData_;
        auto callback = receivedDataSEL_;
        callback(*this, soFar);
    }
}

void HTTPFetcher::connection(UrlConnection& connection,
                             const std::shared_ptr<UrlAuthenticationChallenge>& challenge) {
    if (&connection != connection_.get() || retryTimer_)
        return;
    auto hold = shared_from_this();
    if (challenge->previousFailureCount() <= 2) {
        const std::optional<UrlCredential>* candidate = &credential_;
        if (challenge->protectionSpace().isProxy && proxyCredential_)
            candidate = &proxyCredential_;
        if (*candidate) {
            challenge->useCredential(**candidate);
            return;
        }
    }
    challenge->cancelAuthenticationChallenge();
    FetchError error(kHTTPFetcherErrorDomain, kHTTPFetcherErrorAuthenticationChallengeFailed,
                     { { kHTTPFetcherErrorChallengeKey, challenge } });
    this->connection(connection, error);
}

void HTTPFetcher::connectionDidFinishLoading(UrlConnection& connection) {
    if (&connection != connection_.get() || retryTimer_)
        return;
    updateFetchHistory();
    auto hold = shared_from_this();
    logFetchWithError(nullptr);
    int status = statusAfterHandlingNotModifiedError();
    if (status >= 300) {
        if (shouldRetryNowForStatus(status, nullptr)) {
            beginRetryTimer();
            return;
        }
        if (failedSEL_) {
            auto failed = failedSEL_;
            failed(*this, FetchError(kHTTPFetcherStatusDomain, status,
                                     { { kHTTPFetcherStatusDataKey, downloadedData_ } }));
        }
        stopFetching();
        return;
    }
    if (!finishedSEL_)
        return;
    auto finished = finishedSEL_;
    QByteArray data = downloadedData_;
    finished(*this, data);
    stopFetching();
}

void HTTPFetcher::connection(UrlConnection& connection, const FetchError& transportError) {
    if (&connection != connection_.get() || retryTimer_)
        return;
    auto hold = shared_from_this();
    FetchError error = transportError;
    logFetchWithError(&error);
    if (shouldRetryNowForStatus(0, &error)) {
        beginRetryTimer();
        return;
    }
    if (failedSEL_) {
        auto failed = failedSEL_;
        failed(*this, error);
    }
    stopFetching();
}

// --- Retry
// ----------------------------------------------------------------------------------------

void HTTPFetcher::setIsRetryEnabled(bool enabled) {
    if (enabled && !isRetryEnabled_) {
        retryRandomGenerator().seed(std::random_device {}());
        setMinRetryInterval(0.0);
        setMaxRetryInterval(kDefaultMaxRetryInterval);
        setRetryFactor(2.0);
        lastRetryInterval_ = 0;
    }
    isRetryEnabled_ = enabled;
}

void HTTPFetcher::setMinRetryInterval(double seconds) {
    if (seconds > 0) {
        minRetryInterval_ = seconds;
        return;
    }
    std::uint32_t r = retryRandomGenerator()() & 0xFFFFu;
    minRetryInterval_ = 1.0 + static_cast<double>(r) / 65535.0;
}

void HTTPFetcher::setMaxRetryInterval(double seconds) {
    maxRetryInterval_ = seconds > 0 ? seconds : kDefaultMaxRetryInterval;
}

double HTTPFetcher::nextRetryInterval() const {
    double interval = lastRetryInterval_ * retryFactor_;
    interval = interval < maxRetryInterval_ ? interval : maxRetryInterval_;
    interval = interval > minRetryInterval_ ? interval : minRetryInterval_;
    return interval;
}

bool HTTPFetcher::isRetryError(const FetchError& error) {
    if (error.domain() == kHTTPFetcherStatusDomain)
        return error.code() == 408 || error.code() == 503 || error.code() == 504;
    if (error.domain() == kURLErrorDomain)
        return error.code() == kURLErrorTimedOut || error.code() == kURLErrorNetworkConnectionLost;
    return false;
}

bool HTTPFetcher::shouldRetryNowForStatus(int status, const FetchError* error) {
    if (!isRetryEnabled_)
        return false;
    if (!(nextRetryInterval() < maxRetryInterval_))
        return false;
    FetchError statusError(kHTTPFetcherStatusDomain, status);
    const FetchError& judged = error ? *error : statusError;
    bool willRetry = isRetryError(judged);
    if (retrySEL_) {
        auto callback = retrySEL_;
        willRetry = callback(*this, willRetry, judged);
    }
    return willRetry;
}

void HTTPFetcher::beginRetryTimer() {
    // The ended exchange must not report anything more while the fetcher waits.
    if (connection_)
        connection_->cancel();
    double next = nextRetryInterval();
    primeTimerWithNewTimeInterval(next < maxRetryInterval_ ? next : maxRetryInterval_);
}

void HTTPFetcher::primeTimerWithNewTimeInterval(double seconds) {
    destroyRetryTimer();
    lastRetryInterval_ = seconds;
    retryTimerRunLoop_ = &environment_->runLoop();
    std::weak_ptr<HTTPFetcher> weakSelf = weak_from_this();
    retryTimer_ = retryTimerRunLoop_->scheduleOnce(seconds, [weakSelf] {
        if (auto self = weakSelf.lock())
            self->retryTimerFired();
    });
}

void HTTPFetcher::retryTimerFired() {
    retryTimer_ = foundation::RunLoop::kNoTimer;
    retryTimerRunLoop_ = nullptr;
    ++retryCount_;
    retryFetch();
}

void HTTPFetcher::destroyRetryTimer() {
    if (retryTimer_ != foundation::RunLoop::kNoTimer && retryTimerRunLoop_)
        retryTimerRunLoop_->cancel(retryTimer_);
    retryTimer_ = foundation::RunLoop::kNoTimer;
    retryTimerRunLoop_ = nullptr;
}

void HTTPFetcher::retryFetch() {
    auto hold = shared_from_this();
    Delegate delegate = retainedDelegate_ ? retainedDelegate_ : delegate_.lock();
    FinishedCallback finished = finishedSEL_;
    FailedCallback failed = failedSEL_;
    stopFetching();
    beginFetchWithDelegate(std::move(delegate), std::move(finished), std::move(failed));
}

// --- Class-level settings
// -------------------------------------------------------------------------

const std::optional<HTTPFetcher::RunLoopModes>& HTTPFetcher::defaultRunLoopModes() {
    return FetcherEnvironment::process()->defaultRunLoopModes();
}

void HTTPFetcher::setDefaultRunLoopModes(std::optional<RunLoopModes> modes) {
    FetcherEnvironment::process()->setDefaultRunLoopModes(std::move(modes));
}

std::shared_ptr<UrlConnectionFactory> HTTPFetcher::connectionClass() {
    return FetcherEnvironment::process()->connectionFactory();
}

void HTTPFetcher::setConnectionClass(std::shared_ptr<UrlConnectionFactory> factory) {
    FetcherEnvironment::process()->setConnectionFactory(std::move(factory));
}

bool HTTPFetcher::doesSupportRunLoopModes() {
    // The Qt transport can make connections unstarted and be scheduled before starting.
    return true;
}

foundation::RunLoop& HTTPFetcher::runLoop() {
    return FetcherEnvironment::process()->runLoop();
}

void HTTPFetcher::setRunLoop(foundation::RunLoop* runLoop) {
    FetcherEnvironment::process()->setRunLoop(runLoop);
}

} // namespace sweeplight::fetcher
