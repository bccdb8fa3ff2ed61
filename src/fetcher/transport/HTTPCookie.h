#pragma once

#include <vector>

class QDateTime;
class QNetworkCookie;
class QString;
class QUrl;

namespace sweeplight::fetcher {

class HTTPHeaderFields;

// The platform's cookie operations: reading "Set-Cookie" fields and writing the "Cookie" field.
class HTTPCookie final {
public:
    // The cookies set by the "Set-Cookie" fields of a response from `url`, with RFC 6265's
    // defaults: no Domain attribute makes a host-only cookie whose domain is the host ("localhost"
    // becomes "localhost.local"), stored without a leading dot; a Domain attribute is stored with
    // a leading dot and refused unless the host domain-matches it; a Domain that is a public
    // suffix ("com", "co.uk") is refused, unless it is the host itself, which makes the cookie
    // host-only; a missing or relative Path becomes the URL's directory.
    // Names are never empty; unparsable lines are skipped.
    static std::vector<QNetworkCookie>
    cookiesWithResponseHeaderFields(const HTTPHeaderFields& fields, const QUrl& url);
    // The "Cookie" request field for the cookies ("name=value; name=value"), none when empty.
    static HTTPHeaderFields
    requestHeaderFieldsWithCookies(const std::vector<QNetworkCookie>& cookies);

    // RFC 6265 domain-match of a host against a domain (without its leading dot): identical, or
    // the host ends with "." + domain and is not an IP address.
    static bool domainMatches(const QString& host, const QString& domain);
    // RFC 6265 default-path of a URL.
    static QString defaultPath(const QUrl& url);
    // True for a domain (lower-case, without a leading dot) under which anyone may register
    // names, by the public suffix list; names of unknown top-level domains count as such.
    static bool isPublicSuffix(const QString& domain);

    // Stores `incoming` in order: each removes every stored cookie of the same name, domain and
    // path, and then goes to the end of `stored` unless its expiry date is not after `now` (a
    // server deletes a cookie by sending it already expired). Linear in the sizes of both lists.
    static void storeCookies(const std::vector<QNetworkCookie>& incoming,
                             std::vector<QNetworkCookie>& stored, const QDateTime& now);
};

} // namespace sweeplight::fetcher
