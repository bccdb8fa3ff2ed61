#include "QtUrlConnectionFactory.h"

#include "HTTPCookie.h"
#include "HTTPCookieStorage.h"
#include "IdleTimeouts.h"
#include "QtUrlConnection.h"
#include "UrlRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>

namespace sweeplight::fetcher {

namespace {

// Lets Qt send and store cookies through the process-wide store, for requests that ask the
// transport to handle cookies.
class SharedStorageCookieJar final : public QNetworkCookieJar {
public:
    QList<QNetworkCookie> cookiesForUrl(const QUrl& url) const override {
        auto cookies = HTTPCookieStorage::sharedHTTPCookieStorage().cookiesForURL(url);
        return QList<QNetworkCookie>(cookies.begin(), cookies.end());
    }

    bool setCookiesFromUrl(const QList<QNetworkCookie>& cookieList, const QUrl& url) override {
        // Qt has already parsed the lines; apply the same domain and path rules as the fetcher.
        HTTPHeaderFields fields;
        QByteArray lines;
        for (const QNetworkCookie& cookie : cookieList) {
            if (!lines.isEmpty())
                lines += '\n';
            lines += cookie.toRawForm(QNetworkCookie::Full);
        }
        fields.setValue(QString::fromUtf8(lines), QStringLiteral("Set-Cookie"));
        auto cookies = HTTPCookie::cookiesWithResponseHeaderFields(fields, url);
        HTTPCookieStorage::sharedHTTPCookieStorage().setCookies(cookies);
        return !cookies.empty();
    }
};

} // namespace

QtUrlConnectionFactory::QtUrlConnectionFactory(RunLoopProvider runLoopProvider)
    : runLoopProvider_(std::move(runLoopProvider))
    , timeouts_(std::make_shared<IdleTimeouts>())
    , manager_(std::make_unique<QNetworkAccessManager>()) {
    manager_->setCookieJar(new SharedStorageCookieJar());
    manager_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

QtUrlConnectionFactory::~QtUrlConnectionFactory() = default;

std::unique_ptr<UrlConnection>
QtUrlConnectionFactory::initWithRequest(const UrlRequest& request, UrlConnectionDelegate& delegate,
                                        bool startImmediately) {
    auto connection = std::make_unique<QtUrlConnection>(*manager_, runLoopProvider_(), timeouts_,
                                                        request, delegate);
    if (startImmediately)
        connection->start();
    return connection;
}

} // namespace sweeplight::fetcher
