#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QTcpSocket;

namespace sweeplight::fixtures {

// A small HTTP/1.1 server on 127.0.0.1 for integration tests. Each path has a handler that
// writes whatever it likes to the socket: a complete answer, half an answer, or nothing.
class TestHttpServer final {
public:
    struct Request {
        QByteArray method;
        QByteArray path;                          // without the query
        std::map<QByteArray, QByteArray> headers; // lower-case names
        QByteArray body;
        QByteArray header(const QByteArray& name) const {
            auto it = headers.find(name.toLower());
            return it == headers.end() ? QByteArray() : it->second;
        }
    };
    using Handler = std::function<void(const Request& request, QTcpSocket& socket)>;

    TestHttpServer();
    ~TestHttpServer();

    quint16 port() const;
    // http://HOST:PORT + path; the host defaults to 127.0.0.1.
    QString url(const QString& path, const QString& host = QStringLiteral("127.0.0.1")) const;
    void route(const QByteArray& path, Handler handler) { handlers_[path] = std::move(handler); }

    // A complete answer with Content-Length.
    static void respond(QTcpSocket& socket, int status, const QByteArray& body,
                        const std::vector<std::pair<QByteArray, QByteArray>>& headers = {});

    std::vector<Request> requests;
    // The first bytes of connections that did not look like HTTP (for instance a TLS hello).
    std::vector<QByteArray> strangers;

private:
    void onConnection();
    void onData(QTcpSocket* socket);

    std::unique_ptr<QTcpServer> server_;
    std::map<QByteArray, Handler> handlers_;
    std::map<QTcpSocket*, QByteArray> buffers_;
};

} // namespace sweeplight::fixtures
