#pragma once

#include "HTTPHeaderFields.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace sweeplight::fetcher {

// A response as the transport reports it. HTTP responses have a status and header fields;
// responses of other schemes may lack both, so both are optional.
class UrlResponse final {
public:
    UrlResponse() = default;
    UrlResponse(QUrl url, QString mimeType, std::optional<int> statusCode = std::nullopt,
                std::optional<HTTPHeaderFields> headerFields = std::nullopt);

    const QUrl& URL() const { return URL_; }
    const QString& MIMEType() const { return MIMEType_; }
    const std::optional<int>& statusCode() const { return statusCode_; }
    // Repeated fields arrive joined; several "Set-Cookie" fields are joined by line breaks.
    const std::optional<HTTPHeaderFields>& allHeaderFields() const { return allHeaderFields_; }
    bool isHTTP() const { return statusCode_.has_value(); }

private:
    QUrl URL_;
    QString MIMEType_;
    std::optional<int> statusCode_;
    std::optional<HTTPHeaderFields> allHeaderFields_;
};

} // namespace sweeplight::fetcher
