#include "HTTPCookieStorage.h"

#include "HTTPCookie.h"

#include <QDateTime>
#include <QUrl>
#include <algorithm>

namespace sweeplight::fetcher {

namespace {

bool isExpired(const QNetworkCookie& cookie, const QDateTime& now) {
    return !cookie.isSessionCookie() && cookie.expirationDate() <= now;
}

bool hostMatches(const QString& host, const QString& cookieDomain) {
    if (cookieDomain.startsWith(QLatin1Char('.')))
        return HTTPCookie::domainMatches(host, cookieDomain.mid(1));
    if (host == QLatin1String("localhost"))
        return cookieDomain == QLatin1String("localhost.local") || cookieDomain == host;
    return host.compare(cookieDomain, Qt::CaseInsensitive) == 0;
}

bool pathMatches(const QString& requestPath, const QString& cookiePath) {
    if (requestPath == cookiePath)
        return true;
    if (!requestPath.startsWith(cookiePath))
        return false;
    return cookiePath.endsWith(QLatin1Char('/')) ||
           requestPath.at(cookiePath.size()) == QLatin1Char('/');
}

} // namespace

HTTPCookieStorage& HTTPCookieStorage::sharedHTTPCookieStorage() {
    // Never destroyed: fetchers and the cookie jar may use it until the process ends.
    static auto* storage = new HTTPCookieStorage();
    return *storage;
}

std::vector<QNetworkCookie> HTTPCookieStorage::cookiesForURL(const QUrl& url) {
    const QString host = url.host().toLower();
    QString path = url.path(QUrl::FullyEncoded);
    if (path.isEmpty())
        path = QStringLiteral("/");
    const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const QDateTime now = QDateTime::currentDateTimeUtc();

    std::lock_guard guard(lock_);
    std::erase_if(cookies_, [&](const QNetworkCookie& cookie) { return isExpired(cookie, now); });
    std::vector<QNetworkCookie> result;
    if (host.isEmpty())
        return result;
    for (const QNetworkCookie& cookie : cookies_) {
        if (hostMatches(host, cookie.domain()) && pathMatches(path, cookie.path()) &&
            (!cookie.isSecure() || secure))
            result.push_back(cookie);
    }
    return result;
}

void HTTPCookieStorage::setCookies(const std::vector<QNetworkCookie>& cookies) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::lock_guard guard(lock_);
    HTTPCookie::storeCookies(cookies, cookies_, now);
}

std::vector<QNetworkCookie> HTTPCookieStorage::cookies() {
    std::lock_guard guard(lock_);
    return cookies_;
}

void HTTPCookieStorage::deleteAllCookies() {
    std::lock_guard guard(lock_);
    cookies_.clear();
}

} // namespace sweeplight::fetcher
