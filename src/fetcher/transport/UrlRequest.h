#pragma once

#include "HTTPHeaderFields.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <memory>

class QIODevice;

namespace sweeplight::fetcher {

enum class UrlRequestCachePolicy {
    UseProtocolCachePolicy = 0,
    ReloadIgnoringLocalCacheData = 1,
    ReturnCacheDataElseLoad = 2,
    ReturnCacheDataDontLoad = 3,
};

inline constexpr double kDefaultRequestTimeoutInterval = 60.0;

// A mutable HTTP request: URL, method, header fields, body or body stream, cache policy, the
// flag that lets the transport handle cookies itself, and an idle timeout. Copies share the
// body stream, as the stream is one resource.
class UrlRequest final {
public:
    UrlRequest() = default;
    explicit UrlRequest(QUrl url);

    const QUrl& URL() const { return URL_; }
    void setURL(QUrl url) { URL_ = std::move(url); }

    // "GET" for a new request; a null QString when set so.
    const QString& HTTPMethod() const { return HTTPMethod_; }
    void setHTTPMethod(QString method) { HTTPMethod_ = std::move(method); }

    // A null QByteArray means no body.
    const QByteArray& HTTPBody() const { return HTTPBody_; }
    void setHTTPBody(QByteArray body) { HTTPBody_ = std::move(body); }

    const std::shared_ptr<QIODevice>& HTTPBodyStream() const { return HTTPBodyStream_; }
    void setHTTPBodyStream(std::shared_ptr<QIODevice> stream) {
        HTTPBodyStream_ = std::move(stream);
    }

    UrlRequestCachePolicy cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(UrlRequestCachePolicy policy) { cachePolicy_ = policy; }

    bool HTTPShouldHandleCookies() const { return HTTPShouldHandleCookies_; }
    void setHTTPShouldHandleCookies(bool handle) { HTTPShouldHandleCookies_ = handle; }

    // Seconds without any progress after which the transport fails with "timed out".
    double timeoutInterval() const { return timeoutInterval_; }
    void setTimeoutInterval(double seconds) { timeoutInterval_ = seconds; }

    const HTTPHeaderFields& allHTTPHeaderFields() const { return headerFields_; }
    QString valueForHTTPHeaderField(const QString& field) const {
        return headerFields_.value(field);
    }
    void setValue(const QString& value, const QString& field) {
        headerFields_.setValue(value, field);
    }
    void addValue(const QString& value, const QString& field) {
        headerFields_.addValue(value, field);
    }
    void removeHTTPHeaderField(const QString& field) { headerFields_.remove(field); }

private:
    QUrl URL_;
    QString HTTPMethod_ { QStringLiteral("GET") };
    QByteArray HTTPBody_;
    std::shared_ptr<QIODevice> HTTPBodyStream_;
    UrlRequestCachePolicy cachePolicy_ { UrlRequestCachePolicy::UseProtocolCachePolicy };
    bool HTTPShouldHandleCookies_ { true };
    double timeoutInterval_ { kDefaultRequestTimeoutInterval };
    HTTPHeaderFields headerFields_;
};

} // namespace sweeplight::fetcher
