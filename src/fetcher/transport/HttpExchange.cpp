#include "HttpExchange.h"

#include "ContentDecoder.h"
#include "fetcher/FetchError.h"

#include <QAuthenticator>
#include <QIODevice>
#include <QLocale>
#include <QNetworkProxyFactory>
#include <QSslSocket>
#include <QTcpSocket>

namespace sweeplight::fetcher {

namespace {

// How much of a body stream waits in the socket's buffer at once.
constexpr qint64 kUploadStep = 64 * 1024;

constexpr char kAcceptedEncodings[] = "gzip, deflate";
constexpr char kUserAgent[] = "Mozilla/5.0";

bool isHttps(const QUrl& url) {
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

int defaultPort(const QUrl& url) {
    return isHttps(url) ? 443 : 80;
}

// As Qt's own HTTP client said it: the system's language first, then anything.
QByteArray acceptLanguage() {
    const QString system = QLocale::system().name().replace(QLatin1Char('_'), QLatin1Char('-'));
    if (system == QLatin1String("C"))
        return "en,*";
    if (system.startsWith(QLatin1String("en-")))
        return system.toLatin1() + ",*";
    return system.toLatin1() + ",en,*";
}

QByteArray hostField(const QUrl& url) {
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    const int port = url.port();
    if (port != -1 && port != defaultPort(url))
        host += ':' + QByteArray::number(port);
    return host;
}

// A field that held a line break would end the header early and let its value write the rest of
// the request.
QByteArray withoutLineBreaks(QByteArray text) {
    return text.replace('\r', ' ').replace('\n', ' ');
}

long urlErrorCode(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionRefusedError:
        return kURLErrorCannotConnectToHost;
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::ProxyConnectionClosedError:
    case QAbstractSocket::NetworkError:
        return kURLErrorNetworkConnectionLost;
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::ProxyNotFoundError:
        return kURLErrorCannotFindHost;
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
        return kURLErrorTimedOut;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return kURLErrorSecureConnectionFailed;
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return kURLErrorUserAuthenticationRequired;
    case QAbstractSocket::ProxyProtocolError:
        return kURLErrorBadServerResponse;
    default:
        return kURLErrorUnknown;
    }
}

} // namespace

// Shared with the socket's slots, which must know whether a callback destroyed the exchange and
// whether the socket is inside one of its signals.
struct HttpExchange::Liveness {
    bool alive { true };
    int depth { 0 };
};

HttpExchange::HttpExchange(Request request, Callbacks callbacks)
    : request_(std::move(request))
    , callbacks_(std::move(callbacks))
    , liveness_(std::make_shared<Liveness>())
    , parser_(request_.method == "HEAD") {}

HttpExchange::~HttpExchange() {
    liveness_->alive = false;
    closeSocket();
}

bool HttpExchange::isTls() const {
    return isHttps(request_.url);
}

void HttpExchange::chooseProxy() {
    // The first proxy that can carry this URL, as the application's proxy settings list them.
    const bool https = isTls();
    for (const QNetworkProxy& proxy :
         QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(request_.url))) {
        switch (proxy.type()) {
        case QNetworkProxy::NoProxy:
            return;
        case QNetworkProxy::HttpProxy:
            // https goes through a CONNECT tunnel that the socket opens itself.
            proxy_ = proxy;
            viaProxy_ = !https;
            return;
        case QNetworkProxy::HttpCachingProxy:
            if (https)
                continue;
            proxy_ = proxy;
            viaProxy_ = true;
            return;
        case QNetworkProxy::Socks5Proxy:
            proxy_ = proxy;
            return;
        case QNetworkProxy::DefaultProxy:
        case QNetworkProxy::FtpCachingProxy:
            continue;
        }
    }
}

void HttpExchange::start() {
    chooseProxy();
    const bool https = isTls();
    socket_ = https ? new QSslSocket() : new QTcpSocket();
    // Every slot runs only while the exchange and its socket exist, and counts itself so that
    // the socket is not deleted under its own signal.
    const std::shared_ptr<Liveness> liveness = liveness_;
    auto slot = [this, liveness](auto member) {
        return [this, liveness, member](auto... arguments) {
            if (!liveness->alive || !socket_)
                return;
            ++liveness->depth;
            (this->*member)(arguments...);
            --liveness->depth;
        };
    };
    if (https) {
        auto* tls = static_cast<QSslSocket*>(socket_);
        QObject::connect(tls, &QSslSocket::encrypted, tls, slot(&HttpExchange::onConnected));
        QObject::connect(tls, &QSslSocket::sslErrors, tls, slot(&HttpExchange::onTlsErrors));
    } else {
        QObject::connect(socket_, &QTcpSocket::connected, socket_,
                         slot(&HttpExchange::onConnected));
    }
    QObject::connect(socket_, &QTcpSocket::readyRead, socket_, slot(&HttpExchange::onReadyRead));
    QObject::connect(socket_, &QTcpSocket::disconnected, socket_, slot(&HttpExchange::onClosed));
    QObject::connect(socket_, &QTcpSocket::bytesWritten, socket_,
                     slot(&HttpExchange::onBytesWritten));
    // Queued: a socket may report an error from inside connectToHost, and the exchange never
    // calls back from inside start().
    QObject::connect(socket_, &QTcpSocket::errorOccurred, socket_,
                     slot(&HttpExchange::onSocketError), Qt::QueuedConnection);
    QObject::connect(socket_, &QTcpSocket::proxyAuthenticationRequired, socket_,
                     slot(&HttpExchange::onProxyAuthenticationRequired));

    if (request_.bodyStream && request_.body.isNull()) {
        QIODevice* stream = request_.bodyStream.get();
        if (stream->isSequential()) {
            // A stream of unknown length is read to its end before anything is sent, so that
            // the request can say how long its body is.
            bodyReady_ = false;
            request_.body = QByteArray("");
            QObject::connect(stream, &QIODevice::readyRead, socket_,
                             slot(&HttpExchange::readBodyStream));
            QObject::connect(stream, &QIODevice::readChannelFinished, socket_,
                             slot(&HttpExchange::onBodyStreamFinished));
            readBodyStream();
        } else {
            streamRemaining_ = std::max<qint64>(0, stream->size() - stream->pos());
        }
    }

    const QString host = viaProxy_ ? proxy_.hostName() : request_.url.host();
    const quint16 port = viaProxy_
                             ? proxy_.port()
                             : static_cast<quint16>(request_.url.port(defaultPort(request_.url)));
    socket_->setProxy(viaProxy_ ? QNetworkProxy(QNetworkProxy::NoProxy) : proxy_);
    if (https)
        static_cast<QSslSocket*>(socket_)->connectToHostEncrypted(host, port);
    else
        socket_->connectToHost(host, port);
}

void HttpExchange::readBodyStream() {
    if (ended_)
        return;
    QIODevice& stream = *request_.bodyStream;
    for (;;) {
        const qsizetype size = request_.body.size();
        request_.body.resize(size + kUploadStep);
        const qint64 read = stream.read(request_.body.data() + size, kUploadStep);
        request_.body.resize(size + std::max<qint64>(read, 0));
        // A sequential device says it has ended by failing to read, or by its signal.
        if (read < 0)
            bodyReady_ = true;
        if (read <= 0)
            break;
    }
    if (bodyReady_ && connected_ && !headWritten_)
        writeRequestHead();
}

void HttpExchange::onBodyStreamFinished() {
    bodyReady_ = true;
    readBodyStream();
}

void HttpExchange::onTlsErrors(const QList<QSslError>& errors) {
    for (const QSslError& error : errors)
        tlsErrors_ +=
            (tlsErrors_.isEmpty() ? QString() : QStringLiteral("; ")) + error.errorString();
}

void HttpExchange::onBytesWritten(qint64) {
    const std::shared_ptr<Liveness> liveness = liveness_;
    writeBody();
    if (liveness->alive && !ended_ && callbacks_.onProgress)
        callbacks_.onProgress();
}

void HttpExchange::onProxyAuthenticationRequired(const QNetworkProxy&,
                                                 QAuthenticator* authenticator) {
    if (callbacks_.onProxyAuthenticationRequired)
        callbacks_.onProxyAuthenticationRequired(authenticator);
}

void HttpExchange::onConnected() {
    connected_ = true;
    if (callbacks_.onProgress) {
        const std::shared_ptr<Liveness> liveness = liveness_;
        callbacks_.onProgress();
        if (!liveness->alive)
            return;
    }
    if (bodyReady_)
        writeRequestHead();
}

void HttpExchange::writeRequestHead() {
    headWritten_ = true;
    QByteArray target;
    if (viaProxy_) {
        QUrl absolute = request_.url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment);
        if (absolute.path().isEmpty())
            absolute.setPath(QStringLiteral("/"));
        target = absolute.toEncoded();
    } else {
        target = request_.url.path(QUrl::FullyEncoded).toLatin1();
        if (target.isEmpty())
            target = "/";
        if (request_.url.hasQuery())
            target += '?' + request_.url.query(QUrl::FullyEncoded).toLatin1();
    }

    std::vector<std::pair<QByteArray, QByteArray>> fields;
    auto has = [&](const char* name) {
        return std::any_of(fields.begin(), fields.end(), [name](const auto& field) {
            return field.first.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    for (const auto& [name, value] : request_.fields) {
        // The framing of what is sent is this exchange's to say.
        if (name.compare("Content-Length", Qt::CaseInsensitive) != 0 &&
            name.compare("Transfer-Encoding", Qt::CaseInsensitive) != 0 &&
            name.compare("Connection", Qt::CaseInsensitive) != 0)
            fields.emplace_back(withoutLineBreaks(name), withoutLineBreaks(value));
    }
    // A caller that asks for encodings itself gets the body as it was sent.
    decodeContent_ = !has("Accept-Encoding");
    if (decodeContent_)
        fields.emplace_back("Accept-Encoding", kAcceptedEncodings);
    if (!has("Accept-Language"))
        fields.emplace_back("Accept-Language", acceptLanguage());
    if (!has("User-Agent"))
        fields.emplace_back("User-Agent", kUserAgent);
    if (viaProxy_ && !has("Proxy-Authorization")) {
        if (!request_.proxyAuthorization.isEmpty())
            fields.emplace_back("Proxy-Authorization", request_.proxyAuthorization);
        else if (!proxy_.user().isEmpty())
            fields.emplace_back(
                "Proxy-Authorization",
                "Basic " +
                    (proxy_.user() + QLatin1Char(':') + proxy_.password()).toUtf8().toBase64());
    }

    QByteArray head = (request_.method.isEmpty() ? QByteArray("GET") : request_.method) + ' ' +
                      target + " HTTP/1.1\r\n";
    if (!has("Host"))
        head += "Host: " + hostField(request_.url) + "\r\n";
    for (const auto& [name, value] : fields)
        head += name + ": " + value + "\r\n";
    if (!request_.body.isNull())
        head += "Content-Length: " + QByteArray::number(request_.body.size()) + "\r\n";
    else if (request_.bodyStream)
        head += "Content-Length: " + QByteArray::number(streamRemaining_) + "\r\n";
    // One request per connection: the end of the connection never leaves a response in doubt.
    head += "Connection: close\r\n\r\n";
    socket_->write(head);
    if (!request_.body.isNull())
        socket_->write(std::exchange(request_.body, QByteArray()));
    writeBody();
}

void HttpExchange::writeBody() {
    if (ended_ || !headWritten_ || streamRemaining_ <= 0 || socket_->bytesToWrite() >= kUploadStep)
        return;
    const QByteArray part = request_.bodyStream->read(std::min(streamRemaining_, kUploadStep));
    if (part.isEmpty()) {
        fail(kURLErrorCannotDecodeRawData, QStringLiteral("the request body stream ended early"));
        return;
    }
    streamRemaining_ -= part.size();
    socket_->write(part);
}

void HttpExchange::onReadyRead() {
    if (ended_)
        return;
    const QByteArray bytes = socket_->readAll();
    if (bytes.isEmpty())
        return;
    if (callbacks_.onProgress) {
        const std::shared_ptr<Liveness> liveness = liveness_;
        callbacks_.onProgress();
        if (!liveness->alive)
            return;
    }
    parser_.consume(bytes);
    process();
}

void HttpExchange::onClosed() {
    if (ended_)
        return;
    if (isTls() && !static_cast<QSslSocket*>(socket_)->isEncrypted()) {
        fail(kURLErrorSecureConnectionFailed,
             tlsErrors_.isEmpty()
                 ? QStringLiteral("the server closed the connection during the TLS handshake")
                 : QStringLiteral("the TLS handshake failed: ") + tlsErrors_);
        return;
    }
    parser_.consume(socket_->readAll());
    parser_.closed();
    process();
}

void HttpExchange::onSocketError(QAbstractSocket::SocketError error) {
    if (ended_)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError && connected_) {
        onClosed();
        return;
    }
    QString description = socket_->errorString();
    if (!tlsErrors_.isEmpty())
        description += QStringLiteral(" (") + tlsErrors_ + QLatin1Char(')');
    fail(urlErrorCode(error), description);
}

void HttpExchange::process() {
    const std::shared_ptr<Liveness> liveness = liveness_;
    if (!headReported_ && parser_.hasHead()) {
        headReported_ = true;
        decoder_ = std::make_unique<ContentDecoder>(
            decodeContent_ ? parser_.head().fields.value(QStringLiteral("Content-Encoding"))
                           : QString());
        if (callbacks_.onHead)
            callbacks_.onHead(parser_.head());
        if (!liveness->alive || ended_)
            return;
    }
    if (parser_.errorCode() != 0) {
        fail(parser_.errorCode(), parser_.errorDescription());
        return;
    }
    const QByteArray body = parser_.takeBody();
    if (!body.isEmpty()) {
        QByteArray decoded;
        if (!decoder_->decode(body, decoded)) {
            fail(kURLErrorCannotDecodeRawData,
                 QStringLiteral("cannot decode content data: ") + decoder_->errorDescription());
            return;
        }
        if (!decoded.isEmpty() && callbacks_.onBody) {
            callbacks_.onBody(decoded);
            if (!liveness->alive || ended_)
                return;
        }
    }
    if (!parser_.isDone())
        return;
    if (!decoder_->finish()) {
        fail(kURLErrorCannotDecodeRawData,
             QStringLiteral("cannot decode content data: ") + decoder_->errorDescription());
        return;
    }
    finish();
}

void HttpExchange::finish() {
    ended_ = true;
    closeSocket();
    if (callbacks_.onFinished)
        callbacks_.onFinished();
}

void HttpExchange::fail(long code, const QString& description) {
    if (ended_)
        return;
    ended_ = true;
    closeSocket();
    if (callbacks_.onFailed)
        callbacks_.onFailed(code, description);
}

void HttpExchange::closeSocket() {
    if (!socket_)
        return;
    QTcpSocket* socket = std::exchange(socket_, nullptr);
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    if (request_.bodyStream)
        QObject::disconnect(request_.bodyStream.get(), nullptr, socket, nullptr);
    // Inside one of its own signals, the socket is neither closed nor deleted at once: its proxy
    // layer, for one, goes on after its signal returns. Its destructor closes it.
    if (liveness_->depth > 0)
        socket->deleteLater();
    else
        delete socket;
}

} // namespace sweeplight::fetcher
