#include "FernwickService.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrlQuery>
#include <QUuid>

namespace {

using StatusCode = QHttpServerResponder::StatusCode;

QString md5Upper(const QString& text) {
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

QString htmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

QHttpServerResponse html(const QString& body, StatusCode status = StatusCode::Ok) {
    return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"), body.toUtf8(),
                               status);
}

QString parameter(const QHttpServerRequest& request, const char* name) {
    return request.query().queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
}

} // namespace

class FernwickService::Impl {
public:
    QHttpServer server;
    QString connectionName = QStringLiteral("fernwick-service-") + QUuid::createUuid().toString();
    FernwickService::Options options;

    QSqlDatabase database() const { return QSqlDatabase::database(connectionName); }

    bool exec(const QString& statement, const QVariantList& values = {}) const {
        QSqlQuery query(database());
        query.prepare(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        return query.exec();
    }

    int count(const QString& statement, const QVariantList& values) const {
        QSqlQuery query(database());
        query.prepare(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec() || !query.next())
            return 0;
        return query.value(0).toInt();
    }

    QStringList scores(const QString& game) const {
        QStringList lines;
        QSqlQuery query(database());
        query.prepare(QStringLiteral(
            "SELECT device, score FROM scores WHERE game = ? ORDER BY score DESC, id ASC"));
        query.addBindValue(game);
        if (!query.exec())
            return lines;
        while (query.next())
            lines << query.value(0).toString() + QLatin1Char(' ') + query.value(1).toString();
        return lines;
    }

    QHttpServerResponse usage(const QHttpServerRequest& request) {
        const QString app = parameter(request, "app");
        const QString device = parameter(request, "sig_device_id");
        if (app.isEmpty() || device.isEmpty())
            return QHttpServerResponse("missing app or sig_device_id", StatusCode::BadRequest);
        exec(QStringLiteral("INSERT INTO usage (app, device, at) VALUES (?, ?, ?)"),
             { app, device, QDateTime::currentDateTimeUtc().toString(Qt::ISODate) });
        return QHttpServerResponse("OK");
    }

    QHttpServerResponse location(const QHttpServerRequest& request) {
        const QString app = parameter(request, "app");
        const QString device = parameter(request, "sig_device_id");
        bool latitudeOk = false;
        bool longitudeOk = false;
        const double latitude = parameter(request, "lat").toDouble(&latitudeOk);
        const double longitude = parameter(request, "lng").toDouble(&longitudeOk);
        if (app.isEmpty() || device.isEmpty() || !latitudeOk || !longitudeOk)
            return QHttpServerResponse("missing or bad parameters", StatusCode::BadRequest);
        if (parameter(request, "hash") != md5Upper(device + options.secretKey))
            return QHttpServerResponse("bad hash", StatusCode::Forbidden);
        exec(QStringLiteral(
                 "INSERT INTO locations (app, device, lat, lng, at) VALUES (?, ?, ?, ?, ?)"),
             { app, device, latitude, longitude,
               QDateTime::currentDateTimeUtc().toString(Qt::ISODate) });
        return QHttpServerResponse("OK");
    }

    QHttpServerResponse locations(const QHttpServerRequest& request) {
        QJsonArray list;
        QSqlQuery query(database());
        query.prepare(
            QStringLiteral("SELECT device, lat, lng, at FROM locations WHERE app = ? ORDER BY id"));
        query.addBindValue(parameter(request, "app"));
        if (query.exec()) {
            while (query.next())
                list.append(QJsonObject { { "sig_device_id", query.value(0).toString() },
                                          { "lat", query.value(1).toDouble() },
                                          { "lng", query.value(2).toDouble() },
                                          { "at", query.value(3).toString() } });
        }
        return QHttpServerResponse(list);
    }

    QHttpServerResponse helpPage(const QString& app, const QHttpServerRequest& request) {
        const QString device = parameter(request, "sig_device_id");
        return html(QStringLiteral(
                        "<html><head><title>Help for %1</title></head><body>"
                        "<h1 id='title'>Help for %1</h1>"
                        "<p>Wave the phone from side to side to write your message in the air.</p>"
                        "<p><a id='site' href='https://www.fernwick.example.com/about'>About the "
                        "service</a></p>"
                        "<form id='feedback' method='get' action='/content/%1'>"
                        "<input type='hidden' name='sig_device_id' value='%2'>"
                        "<input type='hidden' name='sent' value='1'>"
                        "<input type='submit' value='Send feedback'></form>"
                        "<p id='device'>%2</p></body></html>")
                        .arg(htmlEscaped(app), htmlEscaped(device)));
    }

    QHttpServerResponse smsPage(const QString& app) {
        return html(QStringLiteral("<html><body><p>Tell a friend about %1.</p></body></html>")
                        .arg(htmlEscaped(app)));
    }

    QHttpServerResponse scoreList(const QHttpServerRequest& request) {
        const QString game = parameter(request, "game_key");
        if (game.isEmpty())
            return QHttpServerResponse("missing game_key", StatusCode::BadRequest);
        QString note;
        if (parameter(request, "submit_score") == QLatin1String("1")) {
            const QString device = parameter(request, "sig_device_id");
            const QString scoreText = parameter(request, "score");
            bool scoreOk = false;
            const qlonglong score = scoreText.toLongLong(&scoreOk);
            if (device.isEmpty() || !scoreOk)
                return QHttpServerResponse("missing or bad parameters", StatusCode::BadRequest);
            if (parameter(request, "hash") != md5Upper(scoreText + device + options.secretKey))
                return QHttpServerResponse("bad hash", StatusCode::Forbidden);
            exec(QStringLiteral("INSERT INTO scores (game, device, score, at) VALUES (?, ?, ?, ?)"),
                 { game, device, score, QDateTime::currentDateTimeUtc().toString(Qt::ISODate) });
            note = QStringLiteral("<p id='submitted'>Score %1 submitted.</p>").arg(score);
        }
        QString rows;
        int rank = 0;
        for (const QString& line : scores(game))
            rows += QStringLiteral("<li>%1. %2</li>").arg(++rank).arg(htmlEscaped(line));
        return html(QStringLiteral("<html><head><title>Scores</title></head><body>%1"
                                   "<ol id='scores'>%2</ol></body></html>")
                        .arg(note, rows));
    }

    QHttpServerResponse message(const QHttpServerRequest& request) {
        const QString app = parameter(request, "app_key");
        if (options.messagesPath.isEmpty())
            return QHttpServerResponse(QJsonObject());
        QFile file(options.messagesPath);
        if (!file.open(QIODevice::ReadOnly))
            return QHttpServerResponse("messages unavailable", StatusCode::InternalServerError);
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
        if (!document.isObject())
            return QHttpServerResponse("messages file is not a JSON object",
                                       StatusCode::InternalServerError);
        return QHttpServerResponse(document.object().value(app).toObject());
    }
};

FernwickService::FernwickService()
    : impl_(std::make_unique<Impl>()) {}

FernwickService::~FernwickService() {
    const QString name = impl_->connectionName;
    impl_.reset();
    if (QSqlDatabase::contains(name))
        QSqlDatabase::removeDatabase(name);
}

bool FernwickService::start(const Options& options, QString* error) {
    impl_->options = options;
    QSqlDatabase database =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), impl_->connectionName);
    database.setDatabaseName(options.databasePath);
    if (!database.open()) {
        if (error)
            *error = QStringLiteral("cannot open the database: ") + database.lastError().text();
        return false;
    }
    const char* schema[] = {
        "CREATE TABLE IF NOT EXISTS usage (id INTEGER PRIMARY KEY, app TEXT, device TEXT, at TEXT)",
        "CREATE TABLE IF NOT EXISTS locations (id INTEGER PRIMARY KEY, app TEXT, device TEXT, "
        "lat REAL, lng REAL, at TEXT)",
        "CREATE TABLE IF NOT EXISTS scores (id INTEGER PRIMARY KEY, game TEXT, device TEXT, "
        "score INTEGER, at TEXT)",
    };
    for (const char* statement : schema) {
        if (!impl_->exec(QString::fromLatin1(statement))) {
            if (error)
                *error = QStringLiteral("cannot create the tables");
            return false;
        }
    }

    Impl* impl = impl_.get();
    auto& server = impl_->server;
    server.route("/stat/add",
                 [impl](const QHttpServerRequest& request) { return impl->usage(request); });
    server.route("/loc/add",
                 [impl](const QHttpServerRequest& request) { return impl->location(request); });
    server.route("/loc/data",
                 [impl](const QHttpServerRequest& request) { return impl->locations(request); });
    server.route("/content/<arg>/sendsms",
                 [impl](const QString& app) { return impl->smsPage(app); });
    server.route("/content/<arg>", [impl](const QString& app, const QHttpServerRequest& request) {
        return impl->helpPage(app, request);
    });
    server.route("/game/list",
                 [impl](const QHttpServerRequest& request) { return impl->scoreList(request); });
    server.route("/message/list",
                 [impl](const QHttpServerRequest& request) { return impl->message(request); });

    port_ = server.listen(options.address, options.port);
    if (port_ == 0) {
        if (error)
            *error = QStringLiteral("cannot listen on %1:%2")
                         .arg(options.address.toString())
                         .arg(options.port);
        return false;
    }
    return true;
}

QString FernwickService::baseUrl() const {
    QString host = impl_->options.address.toString();
    if (impl_->options.address.protocol() == QAbstractSocket::IPv6Protocol)
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("http://%1:%2").arg(host).arg(port_);
}

int FernwickService::usageCount(const QString& app) const {
    return impl_->count(QStringLiteral("SELECT COUNT(*) FROM usage WHERE app = ?"), { app });
}

int FernwickService::locationCount(const QString& app) const {
    return impl_->count(QStringLiteral("SELECT COUNT(*) FROM locations WHERE app = ?"), { app });
}

QStringList FernwickService::scores(const QString& gameKey) const {
    return impl_->scores(gameKey);
}
