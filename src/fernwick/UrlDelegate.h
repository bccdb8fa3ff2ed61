#pragma once

#include "fetcher/transport/UrlConnectionDelegate.h"

#include <QByteArray>
#include <functional>

namespace sweeplight::fernwick {

// Collects the body of one download and hands it to a callback when the download completes, or
// tells the failure callback when it fails. A second response (after a redirect, say) starts the
// body anew.
class UrlDelegate final : public fetcher::UrlConnectionDelegate {
public:
    using Callback = std::function<void(const QByteArray& data)>;

    UrlDelegate() = default;
    explicit UrlDelegate(Callback callback)
        : callback_(std::move(callback)) {}

    // The receiver is whatever the callback captures.
    void setCallback(Callback callback) { callback_ = std::move(callback); }
    const QByteArray& data() const { return data_; }

    void setOnFailed(std::function<void()> onFailed) { onFailed_ = std::move(onFailed); }

    // Told once the connection has ended, whichever way; the owner of the connection uses it
    // to let the connection go.
    void setOnEnded(std::function<void(fetcher::UrlConnection&)> onEnded) {
        onEnded_ = std::move(onEnded);
    }

    std::optional<fetcher::UrlRequest>
    connection(fetcher::UrlConnection& connection, const fetcher::UrlRequest& request,
               const fetcher::UrlResponse* redirectResponse) override;
    void connection(fetcher::UrlConnection& connection,
                    const fetcher::UrlResponse& response) override;
    void connection(fetcher::UrlConnection& connection, const QByteArray& data) override;
    void connection(fetcher::UrlConnection& connection,
                    const std::shared_ptr<fetcher::UrlAuthenticationChallenge>& challenge) override;
    void connectionDidFinishLoading(fetcher::UrlConnection& connection) override;
    void connection(fetcher::UrlConnection& connection, const fetcher::FetchError& error) override;

private:
    Callback callback_;
    std::function<void()> onFailed_;
    std::function<void(fetcher::UrlConnection&)> onEnded_;
    QByteArray data_;
};

} // namespace sweeplight::fernwick
