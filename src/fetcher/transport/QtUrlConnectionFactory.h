#pragma once

#include "UrlConnectionFactory.h"

#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::fetcher {

class IdleTimeouts;
// Makes QtUrlConnections over one QNetworkAccessManager, whose cookie jar is the process-wide
// HTTPCookieStorage. Needs a QCoreApplication; connections are driven by Qt's event loop, their
// idle timeouts by the run loop the provider hands out.
class QtUrlConnectionFactory final : public UrlConnectionFactory {
public:
    using RunLoopProvider = std::function<foundation::RunLoop&()>;

    explicit QtUrlConnectionFactory(RunLoopProvider runLoopProvider);
    ~QtUrlConnectionFactory() override;

    std::unique_ptr<UrlConnection> initWithRequest(const UrlRequest& request,
                                                   UrlConnectionDelegate& delegate,
                                                   bool startImmediately) override;

    QNetworkAccessManager& manager() { return *manager_; }

private:
    RunLoopProvider runLoopProvider_;
    std::shared_ptr<IdleTimeouts> timeouts_;
    std::unique_ptr<QNetworkAccessManager> manager_;
};

} // namespace sweeplight::fetcher
