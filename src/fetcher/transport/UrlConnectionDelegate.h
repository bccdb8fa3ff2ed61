#pragma once

#include <memory>
#include <optional>

class QByteArray;

namespace sweeplight::fetcher {

class FetchError;
class UrlAuthenticationChallenge;
class UrlConnection;
class UrlRequest;
class UrlResponse;

// What a connection calls back. The overloads keep the URL-loading system's names: the first
// argument is always the connection.
class UrlConnectionDelegate {
public:
    virtual ~UrlConnectionDelegate() = default;

    // A redirect: `request` is what the transport proposes to send next. The returned request is
    // sent instead; nothing ends the exchange with the redirect response as the final answer.
    virtual std::optional<UrlRequest> connection(UrlConnection& connection,
                                                 const UrlRequest& request,
                                                 const UrlResponse* redirectResponse) = 0;
    virtual void connection(UrlConnection& connection, const UrlResponse& response) = 0;
    virtual void connection(UrlConnection& connection, const QByteArray& data) = 0;
    // Answer through the challenge (useCredential or cancelAuthenticationChallenge) before
    // returning; a challenge left unanswered is cancelled by the transport.
    virtual void connection(UrlConnection& connection,
                            const std::shared_ptr<UrlAuthenticationChallenge>& challenge) = 0;
    virtual void connectionDidFinishLoading(UrlConnection& connection) = 0;
    virtual void connection(UrlConnection& connection, const FetchError& error) = 0;
};

} // namespace sweeplight::fetcher
