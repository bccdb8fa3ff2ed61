#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sweeplight::foundation {

// Named notifications without an object, posted and delivered synchronously on the main
// thread, in the order the observers were added.
class NotificationCenter final {
public:
    using ObserverId = std::uint64_t;
    using Handler = std::function<void()>;

    static NotificationCenter& defaultCenter();

    // `owner` groups observations so that an object can remove all of its own at once.
    ObserverId addObserver(const void* owner, std::string name, Handler handler);
    void removeObserver(ObserverId id);
    void removeObserver(const void* owner);
    void removeObserver(const void* owner, const std::string& name);

    void postNotificationName(const std::string& name);

private:
    struct Observation {
        ObserverId id;
        const void* owner;
        std::string name;
        Handler handler;
    };
    std::vector<Observation> observations_;
    ObserverId nextId_ { 1 };
};

} // namespace sweeplight::foundation
