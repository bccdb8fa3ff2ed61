#pragma once

#include <vector>

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
    // becomes "localhost.local"); a Domain attribute is stored with a leading dot and refused
    // unless the host domain-matches it; a missing or relative Path becomes the URL's directory.
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
};

} // namespace sweeplight::fetcher
