#include "TestHttpServer.h"

#include <QTcpSocket>

namespace sweeplight::fixtures {

TestHttpServer::TestHttpServer()
    : server_(std::make_unique<QTcpServer>()) {
    server_->listen(QHostAddress::LocalHost, 0);
    QObject::connect(server_.get(), &QTcpServer::newConnection, server_.get(),
                     [this] { onConnection(); });
}

TestHttpServer::~TestHttpServer() {
    for (auto& [socket, buffer] : buffers_) {
        QObject::disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
    }
    server_->close();
}

quint16 TestHttpServer::port() const {
    return server_->serverPort();
}

QString TestHttpServer::url(const QString& path, const QString& host) const {
    return QStringLiteral("http://%1:%2%3").arg(host).arg(port()).arg(path);
}

void TestHttpServer::respond(QTcpSocket& socket, int status, const QByteArray& body,
                             const std::vector<std::pair<QByteArray, QByteArray>>& headers) {
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
    for (const auto& [name, value] : headers)
        answer += name + ": " + value + "\r\n";
    answer += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    socket.write(answer);
}

void TestHttpServer::onConnection() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        buffers_[socket];
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, socket] { onData(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            buffers_.erase(socket);
            socket->deleteLater();
        });
    }
}

void TestHttpServer::onData(QTcpSocket* socket) {
    QByteArray& buffer = buffers_[socket];
    buffer += socket->readAll();
    for (;;) {
        qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            if (!buffer.isEmpty() && !(buffer.at(0) >= 'A' && buffer.at(0) <= 'Z')) {
                strangers.push_back(buffer.left(8));
                buffer.clear();
                socket->abort();
            }
            return;
        }
        Request request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.front().trimmed().split(' ');
        if (requestLine.size() < 2)
            return;
        request.method = requestLine[0];
        request.path = requestLine[1].split('?').front();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers[lines[i].left(colon).trimmed().toLower()] =
                    lines[i].mid(colon + 1).trimmed();
        }
        qsizetype length = request.header("Content-Length").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        requests.push_back(request);
        auto handler = handlers_.find(request.path);
        if (handler == handlers_.end())
            respond(*socket, 404, "no route");
        else
            handler->second(request, *socket);
        if (socket->state() != QAbstractSocket::ConnectedState)
            return;
    }
}

} // namespace sweeplight::fixtures
