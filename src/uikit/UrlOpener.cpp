#include "UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace sweeplight::uikit {

bool UrlOpener::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace sweeplight::uikit
