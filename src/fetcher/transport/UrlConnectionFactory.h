#pragma once

#include <memory>

namespace sweeplight::fetcher {

class UrlConnection;
class UrlConnectionDelegate;
class UrlRequest;

// Makes connections; the fetcher's replaceable "connection class". The delegate must outlive
// the connection (the fetcher owns its connection).
class UrlConnectionFactory {
public:
    virtual ~UrlConnectionFactory() = default;

    // A connection that starts at once. Null when none could be made.
    std::unique_ptr<UrlConnection> connectionWithRequest(const UrlRequest& request,
                                                         UrlConnectionDelegate& delegate);
    // A connection that starts at once, or waits for scheduleInRunLoop() and start().
    virtual std::unique_ptr<UrlConnection> initWithRequest(const UrlRequest& request,
                                                           UrlConnectionDelegate& delegate,
                                                           bool startImmediately) = 0;
};

} // namespace sweeplight::fetcher
