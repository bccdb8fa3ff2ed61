// HTTPFetcher: following a redirect.

#include "HTTPFetcher.h"
#include "HTTPFetcherDetail.h"

namespace sweeplight::fetcher {

namespace {

// The proposed URL with the scheme of the current one: a redirect may lift http to https, never
// the other way.
QUrl redirectTarget(const QUrl& current, const QUrl& proposed) {
    QString scheme = current.scheme();
    const QString proposedScheme = proposed.scheme();
    if (scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 &&
        proposedScheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
        scheme = proposedScheme;
    const QString proposedString = detail::absoluteString(proposed);
    const QString resourceSpecifier =
        proposedScheme.isEmpty() ? proposedString : proposedString.mid(proposedScheme.size() + 1);
    return QUrl(scheme + QLatin1Char(':') + resourceSpecifier);
}

} // namespace

std::optional<UrlRequest> HTTPFetcher::connection(UrlConnection& connection,
                                                  const UrlRequest& proposed,
                                                  const UrlResponse* redirectResponse) {
    if (!redirectResponse || &connection != connection_.get() || !request_)
        return proposed;
    auto hold = shared_from_this();

    UrlRequest newRequest = *request_;
    newRequest.setURL(redirectTarget(request_->URL(), proposed.URL()));
    for (const auto& [name, value] : proposed.allHTTPHeaderFields().fields())
        newRequest.setValue(value, name);

    handleCookiesForResponse(*redirectResponse);
    setResponse(*redirectResponse);
    logFetchWithError(nullptr);

    // The fields this fetcher added were meant for the old URL: cookies of one host must not
    // reach another. They are computed again for the new URL.
    request_ = std::move(newRequest);
    addFetcherHeaderFields();
    return *request_;
}

} // namespace sweeplight::fetcher
