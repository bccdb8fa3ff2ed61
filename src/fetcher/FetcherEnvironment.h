#pragma once

#include "fetcher/CookieList.h"
#include "fetcher/FetchLog.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sweeplight::foundation {
class RunLoop;
}

namespace sweeplight::fetcher {

class UrlConnectionFactory;

// What fetchers work with: the transport that makes their connections, the run loop that carries
// their retry timers, the run loop modes for fetchers that name none, the cookie list they share
// under the static storage method, and the log page they write.
// A fetcher is given one at creation, the process's own unless told otherwise; HTTPFetcher's
// class-level settings read and change the process's. A test or a tool with a loop of its own
// makes its own environment and so shares nothing with the rest of the process. Main thread only.
class FetcherEnvironment {
public:
    using RunLoopModes = std::vector<std::string>;

    // The process's environment; it lives as long as the process.
    static const std::shared_ptr<FetcherEnvironment>& process();

    FetcherEnvironment();
    ~FetcherEnvironment();
    FetcherEnvironment(const FetcherEnvironment&) = delete;
    FetcherEnvironment& operator=(const FetcherEnvironment&) = delete;

    // The transport; a Qt one over this environment's run loop unless replaced (null restores
    // it on the next read).
    std::shared_ptr<UrlConnectionFactory> connectionFactory();
    void setConnectionFactory(std::shared_ptr<UrlConnectionFactory> factory) {
        factory_ = std::move(factory);
    }
    // A Qt run loop of the environment's own unless set (null restores it).
    foundation::RunLoop& runLoop();
    void setRunLoop(foundation::RunLoop* runLoop) { runLoop_ = runLoop; }
    const std::optional<RunLoopModes>& defaultRunLoopModes() const { return defaultModes_; }
    void setDefaultRunLoopModes(std::optional<RunLoopModes> modes) {
        defaultModes_ = std::move(modes);
    }
    // The cookies every fetcher of this environment shares under the static storage method.
    const std::shared_ptr<CookieList>& staticCookies() const { return staticCookies_; }
    FetchLog& log() { return log_; }

private:
    std::shared_ptr<UrlConnectionFactory> factory_;
    foundation::RunLoop* runLoop_ { nullptr };
    std::optional<RunLoopModes> defaultModes_;
    std::shared_ptr<CookieList> staticCookies_ { std::make_shared<CookieList>() };
    FetchLog log_;
    // The defaults, made on first need.
    std::unique_ptr<foundation::RunLoop> ownRunLoop_;
    std::shared_ptr<UrlConnectionFactory> qtFactory_;
};

} // namespace sweeplight::fetcher
