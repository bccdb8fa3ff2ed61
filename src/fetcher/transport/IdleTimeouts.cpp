#include "IdleTimeouts.h"

#include <algorithm>
#include <vector>

namespace sweeplight::fetcher {

namespace {
// Timers count whole milliseconds: a deadline this close counts as passed.
constexpr double kSlack = 0.002;
} // namespace

struct IdleTimeouts::State {
    struct Entry {
        foundation::RunLoop* runLoop;
        double deadline;
        std::function<void()> expired;
    };
    struct Armed {
        foundation::RunLoop::TimerId timer;
        double due;
        std::uint64_t serial;
    };

    // Lives inside the timer's callback: when the run loop drops the callback (fired, cancelled,
    // or the loop itself destroyed), the record of that timer goes too. A record still current
    // at that point means the callback went without firing or being replaced: the loop is gone,
    // and so are the exchanges watched on it, which a later loop at the same address must not
    // inherit.
    struct Token {
        std::weak_ptr<State> state;
        foundation::RunLoop* runLoop;
        std::uint64_t serial;
        ~Token() {
            auto locked = state.lock();
            if (!locked)
                return;
            auto it = locked->armed.find(runLoop);
            if (it == locked->armed.end() || it->second.serial != serial)
                return;
            locked->armed.erase(it);
            std::erase_if(locked->entries,
                          [this](const auto& entry) { return entry.second.runLoop == runLoop; });
        }
    };

    void arm(const std::shared_ptr<State>& self, foundation::RunLoop& runLoop) {
        double earliest = -1;
        for (const auto& [id, entry] : entries)
            if (entry.runLoop == &runLoop && (earliest < 0 || entry.deadline < earliest))
                earliest = entry.deadline;
        if (earliest < 0)
            return;
        auto it = armed.find(&runLoop);
        if (it != armed.end()) {
            if (it->second.due <= earliest)
                return;
            // Forget the record first: cancelling drops the old token, which must not take
            // the cancel for a vanished loop.
            auto timer = it->second.timer;
            armed.erase(it);
            runLoop.cancel(timer);
        }
        std::uint64_t serial = ++nextSerial;
        auto token = std::make_shared<Token>(Token { self, &runLoop, serial });
        std::weak_ptr<State> weak = self;
        auto timer = runLoop.scheduleOnce(std::max(0.0, earliest - runLoop.now()), [weak, token] {
            if (auto state = weak.lock())
                state->fire(state, *token->runLoop, token->serial);
        });
        armed[&runLoop] = Armed { timer, earliest, serial };
    }

    void fire(const std::shared_ptr<State>& self, foundation::RunLoop& runLoop,
              std::uint64_t serial) {
        auto it = armed.find(&runLoop);
        if (it != armed.end() && it->second.serial == serial)
            armed.erase(it);
        const double now = runLoop.now();
        std::vector<std::function<void()>> due;
        for (auto entry = entries.begin(); entry != entries.end();) {
            if (entry->second.runLoop == &runLoop && entry->second.deadline <= now + kSlack) {
                due.push_back(std::move(entry->second.expired));
                entry = entries.erase(entry);
            } else {
                ++entry;
            }
        }
        arm(self, runLoop);
        for (auto& expired : due)
            expired();
    }

    std::map<Id, Entry> entries;
    std::map<foundation::RunLoop*, Armed> armed;
    Id nextId { 1 };
    std::uint64_t nextSerial { 0 };
};

IdleTimeouts::IdleTimeouts()
    : state_(std::make_shared<State>()) {}

// Armed timers are left to fire into nothing: their run loops may already be gone.
IdleTimeouts::~IdleTimeouts() = default;

IdleTimeouts::Id IdleTimeouts::watch(foundation::RunLoop& runLoop, double deadline,
                                     std::function<void()> expired) {
    Id id = state_->nextId++;
    state_->entries[id] = State::Entry { &runLoop, deadline, std::move(expired) };
    state_->arm(state_, runLoop);
    return id;
}

void IdleTimeouts::touch(Id id, double deadline) {
    auto it = state_->entries.find(id);
    if (it == state_->entries.end())
        return;
    const bool earlier = deadline < it->second.deadline;
    it->second.deadline = deadline;
    // An earlier deadline needs an earlier timer; a later one is found when the timer fires.
    if (earlier)
        state_->arm(state_, *it->second.runLoop);
}

void IdleTimeouts::unwatch(Id id) {
    state_->entries.erase(id);
}

} // namespace sweeplight::fetcher
