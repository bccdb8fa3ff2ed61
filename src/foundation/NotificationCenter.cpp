#include "NotificationCenter.h"

#include <algorithm>

namespace sweeplight::foundation {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(const void* owner, std::string name,
                                                               Handler handler) {
    ObserverId id = nextId_++;
    observations_.push_back({ id, owner, std::move(name), std::move(handler) });
    return id;
}

void NotificationCenter::removeObserver(ObserverId id) {
    std::erase_if(observations_, [id](const Observation& o) { return o.id == id; });
}

void NotificationCenter::removeObserver(const void* owner) {
    std::erase_if(observations_, [owner](const Observation& o) { return o.owner == owner; });
}

void NotificationCenter::removeObserver(const void* owner, const std::string& name) {
    std::erase_if(observations_,
                  [&](const Observation& o) { return o.owner == owner && o.name == name; });
}

void NotificationCenter::postNotificationName(const std::string& name) {
    // Handlers may add or remove observers: deliver to those present when the post began and
    // still present when their turn comes.
    std::vector<ObserverId> recipients;
    for (const auto& observation : observations_) {
        if (observation.name == name)
            recipients.push_back(observation.id);
    }
    for (ObserverId id : recipients) {
        auto it = std::find_if(observations_.begin(), observations_.end(),
                               [id](const Observation& o) { return o.id == id; });
        if (it == observations_.end())
            continue;
        Handler handler = it->handler;
        handler();
    }
}

} // namespace sweeplight::foundation
