#include "QtUrlConnectionFactory.h"

#include "IdleTimeouts.h"
#include "QtUrlConnection.h"

namespace sweeplight::fetcher {

QtUrlConnectionFactory::QtUrlConnectionFactory(RunLoopProvider runLoopProvider)
    : runLoopProvider_(std::move(runLoopProvider))
    , timeouts_(std::make_shared<IdleTimeouts>()) {}

QtUrlConnectionFactory::~QtUrlConnectionFactory() = default;

std::unique_ptr<UrlConnection>
QtUrlConnectionFactory::initWithRequest(const UrlRequest& request, UrlConnectionDelegate& delegate,
                                        bool startImmediately) {
    auto connection =
        std::make_unique<QtUrlConnection>(runLoopProvider_(), timeouts_, request, delegate);
    if (startImmediately)
        connection->start();
    return connection;
}

} // namespace sweeplight::fetcher
