#pragma once

#include "fetcher/FetchError.h"
#include "fetcher/FetcherEnvironment.h"
#include "fetcher/transport/UrlConnectionDelegate.h"
#include "fetcher/transport/UrlCredential.h"
#include "fetcher/transport/UrlRequest.h"
#include "fetcher/transport/UrlResponse.h"

#include <QByteArray>
#include <QString>
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QNetworkCookie;
class QIODevice;

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::fetcher {

class CookieList;
class FetchHistory;
class UrlConnection;
class UrlConnectionFactory;

inline constexpr double kDefaultMaxRetryInterval = 600.0;
// The largest response body a fetcher accepts unless told otherwise.
inline constexpr qint64 kDefaultMaxBodySize = 64 * 1024 * 1024;

// Where a fetcher keeps cookies (setCookieStorageMethod).
enum : std::uint32_t {
    kHTTPFetcherCookieStorageMethodStatic = 0,       // the process-wide list
    kHTTPFetcherCookieStorageMethodFetchHistory = 1, // the fetch history's list
    kHTTPFetcherCookieStorageMethodSystemDefault = 2 // the transport handles cookies itself
};

inline constexpr char kLastModifiedHeader[] = "Last-Modified";
inline constexpr char kIfModifiedSinceHeader[] = "If-Modified-Since";

// One asynchronous HTTP request at a time on behalf of a caller, reported through callbacks
// chosen per fetch: finished with the whole body, or failed with an error. Around the transport
// it adds POST for a body, conditional GET from a fetch history, its own cookies, credentials,
// a progress callback, retry with exponential back-off and optional HTML logging.
//
// Made with create()/httpFetcherWithRequest(); the caller need keep no reference, since a
// fetcher with a live connection keeps itself alive until its fetch ends. Its transport, run
// loop and log come from its environment: the process's unless given one at creation. Main
// thread only.
class HTTPFetcher final : public std::enable_shared_from_this<HTTPFetcher>,
                          private UrlConnectionDelegate {
public:
    // The delegate is only kept alive, from a successful begin until the fetch stops; the
    // callbacks capture whatever they need. Any std::shared_ptr<T> converts to it; may be null.
    using Delegate = std::shared_ptr<void>;
    using FinishedCallback = std::function<void(HTTPFetcher& fetcher, const QByteArray& data)>;
    using FailedCallback = std::function<void(HTTPFetcher& fetcher, const FetchError& error)>;
    // Called after each chunk with the whole body received so far.
    using ReceivedDataCallback =
        std::function<void(HTTPFetcher& fetcher, const QByteArray& dataReceivedSoFar)>;
    // Decides whether a failure is retried; gets the fetcher's own suggestion.
    using RetryCallback =
        std::function<bool(HTTPFetcher& fetcher, bool suggestedWillRetry, const FetchError& error)>;
    using RunLoopModes = FetcherEnvironment::RunLoopModes;

    static std::shared_ptr<HTTPFetcher>
    create(std::optional<UrlRequest> request = std::nullopt,
           std::shared_ptr<FetcherEnvironment> environment = FetcherEnvironment::process());
    static std::shared_ptr<HTTPFetcher> httpFetcherWithRequest(const UrlRequest& request);
    ~HTTPFetcher() override;
    HTTPFetcher(const HTTPFetcher&) = delete;
    HTTPFetcher& operator=(const HTTPFetcher&) = delete;

    // --- Fetching ---------------------------------------------------------------------------
    // True when a connection was started. False when the fetch could not begin (still fetching,
    // no request, no connection): the failed callback, when given, has then already been called
    // with fetch-domain code -1.
    bool beginFetchWithDelegate(Delegate delegate, FinishedCallback finished,
                                FailedCallback failed);
    // Ends the fetch (or a pending retry) at once, without any callback.
    void stopFetching();
    bool isFetching() const;
    // The HTTP status of the last response, 0 without one.
    int statusCode() const;

    // --- Accessors ---------------------------------------------------------------------------
    UrlRequest* request() { return request_ ? &*request_ : nullptr; }
    const UrlRequest* request() const { return request_ ? &*request_ : nullptr; }
    // Stores the caller's own copy; header fields the fetcher added earlier are forgotten.
    void setRequest(std::optional<UrlRequest> request);
    const std::optional<UrlCredential>& credential() const { return credential_; }
    void setCredential(std::optional<UrlCredential> credential) {
        credential_ = std::move(credential);
    }
    const std::optional<UrlCredential>& proxyCredential() const { return proxyCredential_; }
    void setProxyCredential(std::optional<UrlCredential> credential) {
        proxyCredential_ = std::move(credential);
    }
    const std::optional<QByteArray>& postData() const { return postData_; }
    void setPostData(std::optional<QByteArray> data) { postData_ = std::move(data); }
    const std::shared_ptr<QIODevice>& postStream() const { return postStream_; }
    void setPostStream(std::shared_ptr<QIODevice> stream);
    const std::optional<UrlResponse>& response() const { return response_; }
    void setResponse(std::optional<UrlResponse> response) { response_ = std::move(response); }
    const std::any& userData() const { return userData_; }
    void setUserData(std::any data) { userData_ = std::move(data); }
    const std::optional<RunLoopModes>& runLoopModes() const { return runLoopModes_; }
    void setRunLoopModes(std::optional<RunLoopModes> modes) { runLoopModes_ = std::move(modes); }
    Delegate delegate() const { return delegate_.lock(); }
    // Kept alive only while a connection is live.
    void setDelegate(Delegate delegate);
    const ReceivedDataCallback& receivedDataSelector() const { return receivedDataSEL_; }
    void setReceivedDataSelector(ReceivedDataCallback callback) {
        receivedDataSEL_ = std::move(callback);
    }
    const QByteArray& downloadedData() const { return downloadedData_; }
    // A longer body (announced or received) fails the fetch with kURLErrorDataLengthExceedsMaximum
    // in the URL domain; 0 or less accepts any length.
    qint64 maxBodySize() const { return maxBodySize_; }
    void setMaxBodySize(qint64 bytes) { maxBodySize_ = bytes; }
    const QByteArray& loggedStreamData() const { return loggedStreamData_; }
    const std::shared_ptr<FetcherEnvironment>& environment() const { return environment_; }

    // --- Retry with back-off -----------------------------------------------------------------
    // Switching on draws a random minimum delay of 1 to 2 s, a maximum of 600 s and factor 2.
    void setIsRetryEnabled(bool enabled);
    bool isRetryEnabled() const { return isRetryEnabled_; }
    const RetryCallback& retrySelector() const { return retrySEL_; }
    void setRetrySelector(RetryCallback callback) { retrySEL_ = std::move(callback); }
    std::uint32_t retryCount() const { return retryCount_; }
    double maxRetryInterval() const { return maxRetryInterval_; }
    // 0 or less (or NaN) gives 600 s.
    void setMaxRetryInterval(double seconds);
    double minRetryInterval() const { return minRetryInterval_; }
    // 0 or less (or NaN) draws a random value from 1 to 2 s.
    void setMinRetryInterval(double seconds);
    double retryFactor() const { return retryFactor_; }
    void setRetryFactor(double factor) { retryFactor_ = factor; }
    double lastRetryInterval() const { return lastRetryInterval_; }
    double nextRetryInterval() const;
    bool shouldRetryNowForStatus(int status, const FetchError* error);
    static bool isRetryError(const FetchError& error);

    // --- Cookies and fetch history -----------------------------------------------------------
    std::uint32_t cookieStorageMethod() const { return cookieStorageMethod_; }
    // Also switches the current request's own cookie handling on exactly for method 2.
    void setCookieStorageMethod(std::uint32_t method);
    const std::shared_ptr<FetchHistory>& fetchHistory() const { return fetchHistory_; }
    // A history switches the cookie method to 1, none back to 0.
    void setFetchHistory(std::shared_ptr<FetchHistory> history);
    bool shouldCacheDatedData() const { return shouldCacheDatedData_; }
    // Switching off empties the dates and bodies of the whole (shared) history.
    void setShouldCacheDatedData(bool cache);
    void clearDatedDataHistory();
    // The cookies to send to `url` under the current method.
    std::vector<QNetworkCookie> cookiesForURL(const QUrl& url);
    // Stores the cookies a response sets, under the current method.
    void handleCookiesForResponse(const UrlResponse& response);
    // Inner operations on a list; the caller holds the list's lock.
    static std::vector<QNetworkCookie> cookiesForURL(const QUrl& url,
                                                     std::vector<QNetworkCookie>& array);
    static const QNetworkCookie* cookieMatchingCookie(const QNetworkCookie& cookie,
                                                      const std::vector<QNetworkCookie>& array);
    static void removeExpiredCookiesInArray(std::vector<QNetworkCookie>& array);
    static void setCookies(const std::vector<QNetworkCookie>& cookies,
                           std::vector<QNetworkCookie>& array);
    // True when a cookie stored under `cookieDomain` may be sent to the host whose domain key
    // ("." + host, "localhost.local" for localhost) is `domainKey`.
    static bool cookieDomainMatchesKey(const QString& cookieDomain, const QString& domainKey);
    // The process environment's list used by cookie method 0 (a fetcher of another environment
    // uses that environment's).
    static const std::shared_ptr<CookieList>& staticCookies();

    // --- Logging (the process environment's log) ----------------------------------------------
    static void setIsLoggingEnabled(bool enabled);
    static bool isLoggingEnabled();
    // Defaults to the folder "HTTPDebugLogs" in the app's data folder, created when missing.
    // A null result means no usable folder: nothing is written.
    static void setLoggingDirectory(const QString& path);
    static QString loggingDirectory();
    static void setLoggingProcessName(const QString& name);
    static QString loggingProcessName();
    static void setLoggingDateStamp(const QString& stamp);
    static QString loggingDateStamp();
    // Appends the current exchange to its environment's log page (nothing when that is off).
    void logFetchWithError(const FetchError* error);
    void logCapturePostStream();
    void appendLoggedStreamData(const QByteArray& data);
    // Masks the value of the "&Passwd=" parameter.
    static QString cleanParameterFollowing(const QString& parameterName, const QString& text);
    // A displayable text for a request body; null for null bytes.
    static QString stringFromStreamData(const QByteArray* data);

    // --- Class-level settings: those of the process environment ------------------------------
    static const std::optional<RunLoopModes>& defaultRunLoopModes();
    static void setDefaultRunLoopModes(std::optional<RunLoopModes> modes);
    // The transport; the Qt one unless replaced (null restores it on the next read).
    static std::shared_ptr<UrlConnectionFactory> connectionClass();
    static void setConnectionClass(std::shared_ptr<UrlConnectionFactory> factory);
    static bool doesSupportRunLoopModes();
    // The run loop that carries retry timers; a process-wide Qt run loop unless set.
    static foundation::RunLoop& runLoop();
    static void setRunLoop(foundation::RunLoop* runLoop);

private:
    HTTPFetcher(std::optional<UrlRequest> request, std::shared_ptr<FetcherEnvironment> environment);

    // Connection events.
    std::optional<UrlRequest> connection(UrlConnection& connection, const UrlRequest& request,
                                         const UrlResponse* redirectResponse) override;
    void connection(UrlConnection& connection, const UrlResponse& response) override;
    void connection(UrlConnection& connection, const QByteArray& data) override;
    void connection(UrlConnection& connection,
                    const std::shared_ptr<UrlAuthenticationChallenge>& challenge) override;
    void connectionDidFinishLoading(UrlConnection& connection) override;
    void connection(UrlConnection& connection, const FetchError& error) override;

    void failToBegin(const Delegate& delegate, const FailedCallback& failed);
    // Ends the exchange as failed because its body is larger than maxBodySize_.
    void failForBodySize(UrlConnection& connection, qint64 size);
    // The fields a begin adds ("If-Modified-Since", "Cookie"), computed for the current URL on
    // top of the values the caller gave; earlier additions are taken back first.
    void addFetcherHeaderFields();
    void restoreCallerHeaderFields();
    void updateFetchHistory();
    int statusAfterHandlingNotModifiedError();
    void beginRetryTimer();
    void primeTimerWithNewTimeInterval(double seconds);
    void retryTimerFired();
    void destroyRetryTimer();
    void retryFetch();

    std::shared_ptr<FetcherEnvironment> environment_;
    std::optional<UrlRequest> request_;
    std::unique_ptr<UrlConnection> connection_;
    QByteArray downloadedData_;
    std::optional<UrlCredential> credential_;
    std::optional<UrlCredential> proxyCredential_;
    std::optional<QByteArray> postData_;
    std::shared_ptr<QIODevice> postStream_;
    QByteArray loggedStreamData_;
    std::optional<UrlResponse> response_;
    std::weak_ptr<void> delegate_;
    Delegate retainedDelegate_;
    FinishedCallback finishedSEL_;
    FailedCallback failedSEL_;
    ReceivedDataCallback receivedDataSEL_;
    std::any userData_;
    std::optional<RunLoopModes> runLoopModes_;
    std::shared_ptr<FetchHistory> fetchHistory_;
    bool shouldCacheDatedData_ { false };
    std::uint32_t cookieStorageMethod_ { 0 };
    bool isRetryEnabled_ { false };
    RetryCallback retrySEL_;
    std::uint64_t retryTimer_ { 0 };
    foundation::RunLoop* retryTimerRunLoop_ { nullptr };
    std::uint32_t retryCount_ { 0 };
    double maxRetryInterval_ { 0 };
    double minRetryInterval_ { 0 };
    double retryFactor_ { 0 };
    double lastRetryInterval_ { 0 };
    qint64 maxBodySize_ { kDefaultMaxBodySize };

    // The live connection keeps its fetcher alive: set at begin, dropped at stop.
    std::shared_ptr<HTTPFetcher> connectionHold_;
    // Values the caller's request had for the fields the fetcher adds (null: absent).
    std::vector<std::pair<QString, QString>> callerHeaderValues_;
    bool addedHeaderFields_ { false };
};

} // namespace sweeplight::fetcher
