#pragma once

#include <string>

namespace sweeplight::fetcher {

// One HTTP exchange in flight. It calls its delegate back on the main run loop, in the order
// response -> data... -> finished, or failed, with redirects and authentication challenges
// before or between them. After cancel() (or after finished/failed) it calls nothing more.
class UrlConnection {
public:
    virtual ~UrlConnection() = default;

    // Run loop modes only matter to transports that have them; others just remember them.
    virtual void scheduleInRunLoop(const std::string& mode) = 0;
    virtual void start() = 0;
    virtual void cancel() = 0;
};

} // namespace sweeplight::fetcher
