#pragma once

#include <QNetworkCookie>
#include <mutex>
#include <vector>

class QUrl;

namespace sweeplight::fetcher {

// The process-wide cookie store of the transport: what a request that lets the transport handle
// cookies sends and stores, and what the fetcher's "any other" cookie method reads. Matching
// follows RFC 6265 (host-only or domain cookies, path on "/" boundaries, secure only on https).
class HTTPCookieStorage final {
public:
    static HTTPCookieStorage& sharedHTTPCookieStorage();

    std::vector<QNetworkCookie> cookiesForURL(const QUrl& url);
    // Stores cookies (already given their domain and path), replacing those of the same name,
    // domain and path; an expired cookie deletes its stored namesake.
    void setCookies(const std::vector<QNetworkCookie>& cookies);
    std::vector<QNetworkCookie> cookies();
    void deleteAllCookies();

private:
    std::mutex lock_;
    std::vector<QNetworkCookie> cookies_;
};

} // namespace sweeplight::fetcher
