#include "UrlResponse.h"

namespace sweeplight::fetcher {

UrlResponse::UrlResponse(QUrl url, QString mimeType, std::optional<int> statusCode,
                         std::optional<HTTPHeaderFields> headerFields)
    : URL_(std::move(url))
    , MIMEType_(std::move(mimeType))
    , statusCode_(statusCode)
    , allHeaderFields_(std::move(headerFields)) {}

} // namespace sweeplight::fetcher
