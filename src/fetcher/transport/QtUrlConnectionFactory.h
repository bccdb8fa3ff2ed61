#pragma once

#include "UrlConnectionFactory.h"

#include <functional>
#include <memory>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::fetcher {

class IdleTimeouts;
// Makes QtUrlConnections, which keep their cookies in the process-wide HTTPCookieStorage. Needs a
// QCoreApplication; connections are driven by Qt's event loop, their idle timeouts by the run loop
// the provider hands out.
class QtUrlConnectionFactory final : public UrlConnectionFactory {
public:
    using RunLoopProvider = std::function<foundation::RunLoop&()>;

    explicit QtUrlConnectionFactory(RunLoopProvider runLoopProvider);
    ~QtUrlConnectionFactory() override;

    std::unique_ptr<UrlConnection> initWithRequest(const UrlRequest& request,
                                                   UrlConnectionDelegate& delegate,
                                                   bool startImmediately) override;

private:
    RunLoopProvider runLoopProvider_;
    std::shared_ptr<IdleTimeouts> timeouts_;
};

} // namespace sweeplight::fetcher
