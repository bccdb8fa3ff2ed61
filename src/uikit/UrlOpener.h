#pragma once

class QUrl;

namespace sweeplight::uikit {

// Opens a URL in the system browser (or whatever handles its scheme).
class UrlOpener final {
public:
    UrlOpener() = delete;

    // True when the URL was handed over.
    static bool openUrl(const QUrl& url);
};

} // namespace sweeplight::uikit
