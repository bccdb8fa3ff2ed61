// fernwick-service [--host ADDRESS] [--port N] [--database FILE] [--messages FILE] [--secret S]
// Runs the reference service until interrupted; prints the address it listens on.
#include "FernwickService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fernwick-service"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A small reference service for the Fernwick client."));
    parser.addHelpOption();
    parser.addOptions({
        { QStringLiteral("host"), QStringLiteral("Address to listen on (default 127.0.0.1)."),
          QStringLiteral("address"), QStringLiteral("127.0.0.1") },
        { QStringLiteral("port"), QStringLiteral("Port (default 0: any free port)."),
          QStringLiteral("n"), QStringLiteral("0") },
        { QStringLiteral("database"), QStringLiteral("SQLite file (default: in memory)."),
          QStringLiteral("file"), QStringLiteral(":memory:") },
        { QStringLiteral("messages"),
          QStringLiteral("JSON object: application key -> remote message."),
          QStringLiteral("file") },
        { QStringLiteral("secret"), QStringLiteral("Shared secret of signed requests."),
          QStringLiteral("text"), QStringLiteral("sweeplight-shared-secret") },
    });
    parser.process(app);

    FernwickService::Options options;
    options.address = QHostAddress(parser.value(QStringLiteral("host")));
    bool portOk = false;
    const uint port = parser.value(QStringLiteral("port")).toUInt(&portOk);
    if (options.address.isNull() || !portOk || port > 65535) {
        std::fprintf(stderr, "fernwick-service: bad --host or --port\n");
        return 1;
    }
    options.port = quint16(port);
    options.databasePath = parser.value(QStringLiteral("database"));
    options.messagesPath = parser.value(QStringLiteral("messages"));
    options.secretKey = parser.value(QStringLiteral("secret"));

    FernwickService service;
    QString error;
    if (!service.start(options, &error)) {
        std::fprintf(stderr, "fernwick-service: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("listening on %s\n", qPrintable(service.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
