// HTTPFetcher: the cookies it sends and keeps.

#include "CookieList.h"
#include "FetchHistory.h"
#include "HTTPFetcher.h"
#include "HTTPFetcherDetail.h"
#include "transport/HTTPCookie.h"
#include "transport/HTTPCookieStorage.h"

#include <QDateTime>
#include <QNetworkCookie>

namespace sweeplight::fetcher {

namespace {

constexpr char kInvalidCookieMessage[] = "Invalid cookie (name:%1 domain:%2 path:%3)";
constexpr char kIncompleteCookieMessage[] = "Cookie incomplete: %1";
constexpr char kLocalhost[] = "localhost";
constexpr char kLocalhostDomainKey[] = "localhost.local";

bool hasPassed(const QNetworkCookie& cookie, const QDateTime& now) {
    return !cookie.isSessionCookie() && cookie.expirationDate() < now;
}

} // namespace

const std::shared_ptr<CookieList>& HTTPFetcher::staticCookies() {
    return FetcherEnvironment::process()->staticCookies();
}

void HTTPFetcher::setCookieStorageMethod(std::uint32_t method) {
    cookieStorageMethod_ = method;
    if (request_)
        request_->setHTTPShouldHandleCookies(method ==
                                             kHTTPFetcherCookieStorageMethodSystemDefault);
}

void HTTPFetcher::setFetchHistory(std::shared_ptr<FetchHistory> history) {
    fetchHistory_ = std::move(history);
    setCookieStorageMethod(fetchHistory_ ? kHTTPFetcherCookieStorageMethodFetchHistory
                                         : kHTTPFetcherCookieStorageMethodStatic);
}

std::vector<QNetworkCookie> HTTPFetcher::cookiesForURL(const QUrl& url) {
    std::shared_ptr<CookieList> list;
    if (cookieStorageMethod_ == kHTTPFetcherCookieStorageMethodStatic)
        list = environment_->staticCookies();
    else if (cookieStorageMethod_ == kHTTPFetcherCookieStorageMethodFetchHistory)
        list = fetchHistory_ ? fetchHistory_->cookies() : nullptr;
    else
        return HTTPCookieStorage::sharedHTTPCookieStorage().cookiesForURL(url);
    if (!list)
        return {};
    std::lock_guard guard(list->lock);
    return cookiesForURL(url, list->cookies);
}

bool HTTPFetcher::cookieDomainMatchesKey(const QString& cookieDomain, const QString& domainKey) {
    if (cookieDomain.isEmpty())
        return false;
    // A cookie set without a Domain attribute (stored without a leading dot) goes back to its
    // own host only, never to the hosts below it.
    if (!cookieDomain.startsWith(QLatin1Char('.')))
        return domainKey == cookieDomain ||
               (domainKey.size() == cookieDomain.size() + 1 && domainKey.endsWith(cookieDomain));
    // The leading dot keeps the match on a label boundary: a cookie for .b.c must not reach xb.c.
    return domainKey.endsWith(cookieDomain);
}

std::vector<QNetworkCookie> HTTPFetcher::cookiesForURL(const QUrl& url,
                                                       std::vector<QNetworkCookie>& array) {
    removeExpiredCookiesInArray(array);
    const QString host = url.host();
    const QString path = url.path(QUrl::FullyEncoded);
    const QString scheme = url.scheme();
    QString domainKey;
    if (host == QLatin1String(kLocalhost))
        domainKey = QString::fromLatin1(kLocalhostDomainKey);
    else if (!host.isEmpty())
        domainKey = QLatin1Char('.') + host;
    else
        return {};

    std::vector<QNetworkCookie> result;
    for (const QNetworkCookie& cookie : array) {
        if (!cookieDomainMatchesKey(cookie.domain(), domainKey))
            continue;
        if (cookie.path() != QLatin1String("/") && !path.startsWith(cookie.path()))
            continue;
        if (cookie.isSecure() && scheme != QLatin1String("https"))
            continue;
        result.push_back(cookie);
    }
    return result;
}

const QNetworkCookie* HTTPFetcher::cookieMatchingCookie(const QNetworkCookie& cookie,
                                                        const std::vector<QNetworkCookie>& array) {
    if (cookie.name().isEmpty() || cookie.domain().isEmpty() || cookie.path().isEmpty())
        detail::reportProgrammingError(
            QString::fromLatin1(kInvalidCookieMessage)
                .arg(QString::fromUtf8(cookie.name()), cookie.domain(), cookie.path()));
    for (const QNetworkCookie& stored : array) {
        if (stored.name() == cookie.name() && stored.domain() == cookie.domain() &&
            stored.path() == cookie.path())
            return &stored;
    }
    return nullptr;
}

void HTTPFetcher::removeExpiredCookiesInArray(std::vector<QNetworkCookie>& array) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::erase_if(array, [&now](const QNetworkCookie& cookie) { return hasPassed(cookie, now); });
}

void HTTPFetcher::setCookies(const std::vector<QNetworkCookie>& cookies,
                             std::vector<QNetworkCookie>& array) {
    removeExpiredCookiesInArray(array);
    std::vector<QNetworkCookie> complete;
    complete.reserve(cookies.size());
    for (const QNetworkCookie& cookie : cookies) {
        if (cookie.name().isEmpty() || cookie.domain().isEmpty() || cookie.path().isEmpty()) {
            detail::reportProgrammingError(QString::fromLatin1(kIncompleteCookieMessage)
                                               .arg(QString::fromUtf8(cookie.toRawForm())));
            continue;
        }
        complete.push_back(cookie);
    }
    HTTPCookie::storeCookies(complete, array, QDateTime::currentDateTimeUtc());
}

void HTTPFetcher::handleCookiesForResponse(const UrlResponse& response) {
    if (cookieStorageMethod_ == kHTTPFetcherCookieStorageMethodSystemDefault)
        return;
    const auto& fields = response.allHeaderFields();
    if (!fields || fields->empty())
        return;
    std::vector<QNetworkCookie> cookies =
        HTTPCookie::cookiesWithResponseHeaderFields(*fields, response.URL());
    if (cookies.empty())
        return;

    std::shared_ptr<CookieList> list;
    if (cookieStorageMethod_ == kHTTPFetcherCookieStorageMethodStatic)
        list = environment_->staticCookies();
    else if (cookieStorageMethod_ == kHTTPFetcherCookieStorageMethodFetchHistory && fetchHistory_)
        list = fetchHistory_->cookiesCreatingIfNeeded();
    if (!list)
        return;
    std::lock_guard guard(list->lock);
    setCookies(cookies, list->cookies);
}

} // namespace sweeplight::fetcher
