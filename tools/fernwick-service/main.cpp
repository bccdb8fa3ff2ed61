// fernwick-service [--host ADDRESS] [--port N] [--database FILE] [--messages FILE] [--secret S]
// Runs the reference service until interrupted; prints the address it listens on.
#include "FernwickService.h"
#include "ToolCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace tools = sweeplight::tools;

namespace {

int run(QCoreApplication& app) {
    tools::ToolCommandLine parser(
        QStringLiteral("A small reference service for the Fernwick client."),
        {
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
    if (!parser.positionalArguments().isEmpty())
        throw tools::UsageError {
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0])
        };

    FernwickService::Options options;
    options.address = QHostAddress(parser.value(QStringLiteral("host")));
    bool portOk = false;
    const uint port = parser.value(QStringLiteral("port")).toUInt(&portOk);
    if (options.address.isNull())
        throw tools::UsageError { QStringLiteral("--host needs an IP address, not '%1'")
                                      .arg(parser.value(QStringLiteral("host"))) };
    if (!portOk || port > 65535)
        throw tools::UsageError { QStringLiteral(
                                      "--port needs a whole number from 0 to 65535, not '%1'")
                                      .arg(parser.value(QStringLiteral("port"))) };
    options.port = quint16(port);
    options.databasePath = parser.value(QStringLiteral("database"));
    options.messagesPath = parser.value(QStringLiteral("messages"));
    options.secretKey = parser.value(QStringLiteral("secret"));

    FernwickService service;
    QString error;
    if (!service.start(options, &error))
        return tools::fail(error);
    std::printf("listening on %s\n", qPrintable(service.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return tools::runTool([&] { return run(app); });
}
