#pragma once

#include "foundation/RunLoop.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace sweeplight::fetcher {

// Idle timeouts of many connections on few run loop timers: a timer is armed for the earliest
// deadline of each run loop and re-armed when it fires, so that exchanges that start and end
// well within their timeout neither schedule nor cancel anything. Main thread only.
class IdleTimeouts final {
public:
    using Id = std::uint64_t;

    IdleTimeouts();
    ~IdleTimeouts();

    // Calls `expired` once when the run loop's clock passes `deadline` before unwatch().
    Id watch(foundation::RunLoop& runLoop, double deadline, std::function<void()> expired);
    // Moves the deadline (progress was made).
    void touch(Id id, double deadline);
    void unwatch(Id id);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace sweeplight::fetcher
