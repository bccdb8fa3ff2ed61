#include "UrlDelegate.h"

#include "fetcher/transport/UrlAuthenticationChallenge.h"
#include "fetcher/transport/UrlRequest.h"

namespace sweeplight::fernwick {

std::optional<fetcher::UrlRequest> UrlDelegate::connection(fetcher::UrlConnection&,
                                                           const fetcher::UrlRequest& request,
                                                           const fetcher::UrlResponse*) {
    return request;
}

void UrlDelegate::connection(fetcher::UrlConnection&, const fetcher::UrlResponse&) {
    data_ = QByteArray();
}

void UrlDelegate::connection(fetcher::UrlConnection&, const QByteArray& data) {
    data_.append(data);
}

void UrlDelegate::connection(
    fetcher::UrlConnection&,
    const std::shared_ptr<fetcher::UrlAuthenticationChallenge>& challenge) {
    // The service never asks for credentials; a challenge is declined.
    if (challenge)
        challenge->cancelAuthenticationChallenge();
}

void UrlDelegate::connectionDidFinishLoading(fetcher::UrlConnection& connection) {
    // Copied first: the callback may end this delegate's connection and with it the delegate.
    const Callback callback = callback_;
    const QByteArray data = data_;
    const auto onEnded = onEnded_;
    if (callback)
        callback(data);
    if (onEnded)
        onEnded(connection);
}

void UrlDelegate::connection(fetcher::UrlConnection& connection, const fetcher::FetchError&) {
    // Copied first, as on success.
    const auto onFailed = onFailed_;
    const auto onEnded = onEnded_;
    if (onFailed)
        onFailed();
    if (onEnded)
        onEnded(connection);
}

} // namespace sweeplight::fernwick
