#pragma once

#include <QHostAddress>
#include <QString>
#include <memory>

class QHttpServer;

// A small stand-in for the promotion and feedback service, for trying the client end to end:
// it records usage and location reports, serves the help page, keeps a score list with signed
// submissions, and hands out the remote message read from a JSON file. Everything it receives
// is stored in SQLite.
class FernwickService final {
public:
    struct Options {
        QHostAddress address { QHostAddress::LocalHost };
        quint16 port { 0 }; // 0: any free port
        QString databasePath { QStringLiteral(":memory:") };
        // A JSON object: application key -> message object. Re-read on every request.
        QString messagesPath;
        // The shared secret every signed request is checked against.
        QString secretKey { QStringLiteral("sweeplight-shared-secret") };
    };

    FernwickService();
    ~FernwickService();
    FernwickService(const FernwickService&) = delete;
    FernwickService& operator=(const FernwickService&) = delete;

    // Opens the database and starts listening. False with a reason on failure.
    bool start(const Options& options, QString* error = nullptr);
    quint16 port() const { return port_; }
    QString baseUrl() const;

    // What has been stored, for checks.
    int usageCount(const QString& app) const;
    int locationCount(const QString& app) const;
    // Scores of a game, highest first, as "device score" lines.
    QStringList scores(const QString& gameKey) const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
    quint16 port_ { 0 };
};
