#pragma once

#include <functional>

class QUrl;

namespace sweeplight::uikit {

// Opens a URL in the system browser (or whatever handles its scheme). Tests and tools replace
// the opener with a hook that records the URL instead.
class UrlOpener final {
public:
    using Hook = std::function<bool(const QUrl& url)>;

    UrlOpener() = delete;

    // True when the URL was handed over.
    static bool openUrl(const QUrl& url);
    // Installs `hook` in place of the system browser; an empty hook restores it. Returns the
    // previous hook.
    static Hook setHook(Hook hook);
};

} // namespace sweeplight::uikit
