#pragma once

#include <string>

namespace sweeplight::fetcher {

// One HTTP exchange in flight. It calls its delegate back on the main run loop, in the order
// response -> data... -> finished, or failed, with redirects and authentication challenges
// before or between them. After cancel() (or after finished/failed) it calls nothing more.
// It never calls back from inside its creation or start(), and its owner may cancel and destroy
// it from inside any of its callbacks: it touches nothing of itself after a callback that
// destroyed it returns.
class UrlConnection {
public:
    virtual ~UrlConnection() = default;

    // Run loop modes only matter to transports that have them; others just remember them.
    virtual void scheduleInRunLoop(const std::string& mode) = 0;
    virtual void start() = 0;
    virtual void cancel() = 0;
};

} // namespace sweeplight::fetcher
