#pragma once

#include <QNetworkCookie>
#include <mutex>
#include <vector>

namespace sweeplight::fetcher {

// An ordered list of cookies shared between fetchers, with the lock that guards it. Whoever reads
// or changes `cookies` holds `lock` for the whole operation.
class CookieList final {
public:
    std::mutex lock;
    std::vector<QNetworkCookie> cookies;
};

} // namespace sweeplight::fetcher
