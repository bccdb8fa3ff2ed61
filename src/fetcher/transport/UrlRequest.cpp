#include "UrlRequest.h"

#include <QIODevice>

namespace sweeplight::fetcher {

UrlRequest::UrlRequest(QUrl url)
    : URL_(std::move(url)) {}

} // namespace sweeplight::fetcher
