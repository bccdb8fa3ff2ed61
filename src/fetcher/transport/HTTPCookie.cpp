#include "HTTPCookie.h"

#include "HTTPHeaderFields.h"

#include <QHostAddress>
#include <QNetworkCookie>
#include <QUrl>

namespace sweeplight::fetcher {

namespace {

constexpr char kSetCookieHeader[] = "Set-Cookie";
constexpr char kCookieHeader[] = "Cookie";
constexpr char kLocalhost[] = "localhost";
// The platform gives host-only cookies of "localhost" this domain; the fetcher's matching
// relies on it.
constexpr char kLocalhostCookieDomain[] = "localhost.local";

bool isIPAddress(const QString& host) {
    return !QHostAddress(host).isNull();
}

// The Domain attribute as the line gave it, lower-cased, without a leading dot; empty when the
// line has none. Qt adds a dot of its own, so the attribute is read from the line itself.
QString domainAttribute(const QByteArray& line) {
    QString domain;
    const QList<QByteArray> parts = line.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        QByteArray part = parts[i].trimmed();
        qsizetype equals = part.indexOf('=');
        QByteArray name = (equals < 0 ? part : part.left(equals)).trimmed().toLower();
        if (name != "domain")
            continue;
        // The last Domain attribute counts.
        domain = QString::fromUtf8(equals < 0 ? QByteArray() : part.mid(equals + 1).trimmed());
    }
    while (domain.startsWith(QLatin1Char('.')))
        domain.remove(0, 1);
    return domain.toLower();
}

} // namespace

bool HTTPCookie::domainMatches(const QString& host, const QString& domain) {
    if (domain.isEmpty())
        return false;
    if (host.compare(domain, Qt::CaseInsensitive) == 0)
        return true;
    if (isIPAddress(host))
        return false;
    return host.endsWith(QLatin1Char('.') + domain, Qt::CaseInsensitive);
}

QString HTTPCookie::defaultPath(const QUrl& url) {
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.startsWith(QLatin1Char('/')))
        return QStringLiteral("/");
    qsizetype lastSlash = path.lastIndexOf(QLatin1Char('/'));
    if (lastSlash <= 0)
        return QStringLiteral("/");
    return path.left(lastSlash);
}

std::vector<QNetworkCookie>
HTTPCookie::cookiesWithResponseHeaderFields(const HTTPHeaderFields& fields, const QUrl& url) {
    std::vector<QNetworkCookie> result;
    QString setCookie = fields.value(QString::fromLatin1(kSetCookieHeader));
    const QString host = url.host().toLower();
    if (setCookie.isEmpty() || host.isEmpty())
        return result;

    const QList<QByteArray> lines = setCookie.toUtf8().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(line);
        if (parsed.size() != 1 || parsed.front().name().isEmpty())
            continue;
        QNetworkCookie cookie = parsed.front();

        QString domain = domainAttribute(line);
        if (domain.isEmpty()) {
            cookie.setDomain(host == QLatin1String(kLocalhost)
                                 ? QString::fromLatin1(kLocalhostCookieDomain)
                                 : host);
        } else if (!domainMatches(host, domain)) {
            continue; // a server may not set cookies for a domain it is not part of
        } else if (domain == QLatin1String(kLocalhost)) {
            cookie.setDomain(QString::fromLatin1(kLocalhostCookieDomain));
        } else {
            cookie.setDomain(QLatin1Char('.') + domain);
        }

        if (!cookie.path().startsWith(QLatin1Char('/')))
            cookie.setPath(defaultPath(url));
        result.push_back(cookie);
    }
    return result;
}

HTTPHeaderFields
HTTPCookie::requestHeaderFieldsWithCookies(const std::vector<QNetworkCookie>& cookies) {
    HTTPHeaderFields fields;
    QByteArray value;
    for (const QNetworkCookie& cookie : cookies) {
        if (!value.isEmpty())
            value += "; ";
        value += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
    }
    if (!value.isEmpty())
        fields.setValue(QString::fromUtf8(value), QString::fromLatin1(kCookieHeader));
    return fields;
}

} // namespace sweeplight::fetcher
