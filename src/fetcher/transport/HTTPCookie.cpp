#include "HTTPCookie.h"

#include "HTTPHeaderFields.h"

#include <QDateTime>
#include <QHashFunctions>
#include <QHostAddress>
#include <QNetworkCookie>
#include <QUrl>
#include <algorithm>
#include <libpsl.h>
#include <unordered_map>

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

// The newest list the system has (the distribution's file or the library's built-in copy).
const psl_ctx_t* publicSuffixList() {
    static const psl_ctx_t* list = []() -> const psl_ctx_t* {
        if (const psl_ctx_t* latest = psl_latest(nullptr))
            return latest; // kept for the whole process
        return psl_builtin();
    }();
    return list;
}

struct CookieIdentity {
    QByteArray name;
    QString domain;
    QString path;
    bool operator==(const CookieIdentity&) const = default;
};

struct CookieIdentityHash {
    std::size_t operator()(const CookieIdentity& identity) const noexcept {
        return qHashMulti(0, identity.name, identity.domain, identity.path);
    }
};

CookieIdentity identityOf(const QNetworkCookie& cookie) {
    return { cookie.name(), cookie.domain(), cookie.path() };
}

bool hasExpiredBy(const QNetworkCookie& cookie, const QDateTime& now) {
    return !cookie.isSessionCookie() && cookie.expirationDate() <= now;
}

// Below this many incoming cookies a plain pass over the stored ones is cheaper than an index.
constexpr std::size_t kIndexThreshold = 4;

} // namespace

bool HTTPCookie::isPublicSuffix(const QString& domain) {
    const psl_ctx_t* list = publicSuffixList();
    const QByteArray ace = QUrl::toAce(domain);
    if (!list || ace.isEmpty())
        return !domain.contains(QLatin1Char('.')); // without a list, at least no bare TLD
    return psl_is_public_suffix(list, ace.constData()) != 0;
}

void HTTPCookie::storeCookies(const std::vector<QNetworkCookie>& incoming,
                              std::vector<QNetworkCookie>& stored, const QDateTime& now) {
    if (incoming.size() < kIndexThreshold) {
        for (const QNetworkCookie& cookie : incoming) {
            const CookieIdentity identity = identityOf(cookie);
            std::erase_if(stored,
                          [&](const QNetworkCookie& s) { return identityOf(s) == identity; });
            if (!hasExpiredBy(cookie, now))
                stored.push_back(cookie);
        }
        return;
    }

    // Identity -> the stored cookies that have it, as a chain through `next`.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Chain {
        std::size_t first;
        std::size_t last;
    };
    std::unordered_map<CookieIdentity, Chain, CookieIdentityHash> index;
    index.reserve(stored.size() + incoming.size());
    std::vector<std::size_t> next(stored.size(), kNone);
    std::vector<bool> removed(stored.size(), false);
    auto link = [&](std::size_t i, CookieIdentity identity) {
        auto [found, inserted] = index.try_emplace(std::move(identity), Chain { i, i });
        if (!inserted) {
            next[found->second.last] = i;
            found->second.last = i;
        }
    };
    for (std::size_t i = 0; i < stored.size(); ++i)
        link(i, identityOf(stored[i]));

    bool anyRemoved = false;
    for (const QNetworkCookie& cookie : incoming) {
        CookieIdentity identity = identityOf(cookie);
        auto found = index.find(identity);
        if (found != index.end()) {
            for (std::size_t i = found->second.first; i != kNone; i = next[i])
                removed[i] = true;
            anyRemoved = true;
            index.erase(found);
        }
        if (hasExpiredBy(cookie, now))
            continue;
        stored.push_back(cookie);
        next.push_back(kNone);
        removed.push_back(false);
        link(stored.size() - 1, std::move(identity));
    }
    if (!anyRemoved)
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (removed[i])
            continue;
        if (kept != i)
            stored[kept] = std::move(stored[i]);
        ++kept;
    }
    stored.erase(stored.begin() + static_cast<std::ptrdiff_t>(kept), stored.end());
}

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
        // A cookie for a whole registry would reach every site under it; a host that is itself
        // such a name ("localhost") only gets a cookie of its own.
        if (!domain.isEmpty() && isPublicSuffix(domain)) {
            if (domain != host)
                continue;
            domain.clear();
        }
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
