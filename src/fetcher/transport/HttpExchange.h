#pragma once

#include "HttpResponseParser.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QNetworkProxy>
#include <QSslError>
#include <QUrl>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAuthenticator;
class QIODevice;
class QTcpSocket;

namespace sweeplight::fetcher {

class ContentDecoder;

// One HTTP/1.1 request and its response over a connection of its own (plain, TLS, through the
// proxy the application's proxy settings give for the URL), driven by the socket's signals on the
// main thread. It reads the response itself, so a body that is cut short or badly framed fails
// instead of passing for a complete one. Calls back in the order head -> body... -> finished, or
// failed, never from inside start(); it may be destroyed from inside any of its callbacks.
class HttpExchange final {
public:
    struct Request {
        QByteArray method;
        QUrl url;
        // In the order given; the exchange adds Host, Connection, Content-Length, and
        // Accept-Encoding, Accept-Language and User-Agent where these are missing.
        std::vector<std::pair<QByteArray, QByteArray>> fields;
        // A null array and no stream: no body.
        QByteArray body;
        std::shared_ptr<QIODevice> bodyStream;
        // Only sent where a proxy reads the request itself (plain HTTP through an HTTP proxy).
        QByteArray proxyAuthorization;
    };
    struct Callbacks {
        // Bytes went out or came in.
        std::function<void()> onProgress;
        std::function<void(const HttpResponseHead& head)> onHead;
        // Body bytes with their content coding undone.
        std::function<void(const QByteArray& data)> onBody;
        std::function<void()> onFinished;
        // `code` is of the URL error domain.
        std::function<void(long code, const QString& description)> onFailed;
        // A proxy tunnel asks for credentials; fill the authenticator in before returning.
        std::function<void(QAuthenticator* authenticator)> onProxyAuthenticationRequired;
    };

    HttpExchange(Request request, Callbacks callbacks);
    ~HttpExchange();
    HttpExchange(const HttpExchange&) = delete;
    HttpExchange& operator=(const HttpExchange&) = delete;

    void start();

private:
    struct Liveness;

    void chooseProxy();
    void onConnected();
    void onReadyRead();
    void onClosed();
    void onSocketError(QAbstractSocket::SocketError error);
    void onTlsErrors(const QList<QSslError>& errors);
    void onBytesWritten(qint64 bytes);
    void onProxyAuthenticationRequired(const QNetworkProxy& proxy, QAuthenticator* authenticator);
    void readBodyStream();
    void onBodyStreamFinished();
    void writeRequestHead();
    void writeBody();
    void process();
    void finish();
    void fail(long code, const QString& description);
    void closeSocket();
    bool isTls() const;

    Request request_;
    Callbacks callbacks_;
    std::shared_ptr<Liveness> liveness_;
    QTcpSocket* socket_ { nullptr };
    QNetworkProxy proxy_ { QNetworkProxy::NoProxy };
    // Plain HTTP through an HTTP proxy: the proxy gets the whole URL as the target.
    bool viaProxy_ { false };
    bool connected_ { false };
    bool bodyReady_ { true };
    bool headWritten_ { false };
    qint64 streamRemaining_ { 0 };
    bool decodeContent_ { true };
    HttpResponseParser parser_;
    std::unique_ptr<ContentDecoder> decoder_;
    bool headReported_ { false };
    bool ended_ { false };
    QString tlsErrors_;
};

} // namespace sweeplight::fetcher
