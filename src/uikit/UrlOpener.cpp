#include "UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace sweeplight::uikit {

namespace {
UrlOpener::Hook& currentHook() {
    static UrlOpener::Hook hook;
    return hook;
}
} // namespace

bool UrlOpener::openUrl(const QUrl& url) {
    if (const Hook& hook = currentHook())
        return hook(url);
    return QDesktopServices::openUrl(url);
}

UrlOpener::Hook UrlOpener::setHook(Hook hook) {
    Hook previous = std::move(currentHook());
    currentHook() = std::move(hook);
    return previous;
}

} // namespace sweeplight::uikit
