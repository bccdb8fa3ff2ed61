// HTTPFetcher: the entry points of the process's fetch log, and what a fetcher hands its own.

#include "FetchLog.h"
#include "HTTPFetcher.h"

namespace sweeplight::fetcher {

namespace {
constexpr char kPasswordParameter[] = "&Passwd=";
constexpr char kSnipFormat[] = "%1_snip_";

QString fmt(const char* format) {
    return QString::fromLatin1(format);
}
} // namespace

void HTTPFetcher::setIsLoggingEnabled(bool enabled) {
    FetchLog::shared().setEnabled(enabled);
}

bool HTTPFetcher::isLoggingEnabled() {
    return FetchLog::shared().isEnabled();
}

void HTTPFetcher::setLoggingDirectory(const QString& path) {
    FetchLog::shared().setDirectory(path);
}

QString HTTPFetcher::loggingDirectory() {
    return FetchLog::shared().directory();
}

void HTTPFetcher::setLoggingProcessName(const QString& name) {
    FetchLog::shared().setProcessName(name);
}

QString HTTPFetcher::loggingProcessName() {
    return FetchLog::shared().processName();
}

void HTTPFetcher::setLoggingDateStamp(const QString& stamp) {
    FetchLog::shared().setDateStamp(stamp);
}

QString HTTPFetcher::loggingDateStamp() {
    return FetchLog::shared().dateStamp();
}

void HTTPFetcher::logCapturePostStream() {
    // Streamed bodies are not copied: reading the stream here would consume what the transport
    // has to send.
}

void HTTPFetcher::appendLoggedStreamData(const QByteArray& data) {
    loggedStreamData_.append(data);
}

QString HTTPFetcher::cleanParameterFollowing(const QString& parameterName, const QString& text) {
    // The searched text is always the password parameter, whatever name is shown in its place.
    const QString needle = fmt(kPasswordParameter);
    qsizetype start = text.indexOf(needle);
    if (start < 0)
        return text;
    qsizetype next = text.indexOf(QLatin1Char('&'), start + 1);
    qsizetype end = next < 0 ? text.size() : next;
    QString result = text;
    result.replace(start, end - start, fmt(kSnipFormat).arg(parameterName));
    return result;
}

QString HTTPFetcher::stringFromStreamData(const QByteArray* data) {
    if (!data)
        return QString();
    if (auto text = decodedUTF8(*data))
        return *text;

    QByteArray printable = *data;
    for (char& byte : printable) {
        auto value = static_cast<unsigned char>(byte);
        if (value == 0 || value >= 0x80)
            byte = '_';
    }
    const QString text = QString::fromLatin1(printable);
    const QString boundary = text.section(QStringLiteral("\r\n"), 0, 0);
    if (boundary.startsWith(QStringLiteral("--"))) {
        QStringList pieces = text.split(boundary);
        qsizetype offset = 0;
        for (QString& piece : pieces) {
            QByteArray bytes = data->mid(offset, piece.size());
            offset += piece.size() + boundary.size();
            if (auto pieceText = decodedUTF8(bytes)) {
                piece = *pieceText;
                continue;
            }
            qsizetype headerEnd = piece.indexOf(QStringLiteral("\r\n\r\n"));
            QString headers = headerEnd < 0 ? QString() : piece.left(headerEnd);
            qsizetype bodyBytes = headerEnd < 0 ? piece.size() : piece.size() - (headerEnd + 4);
            piece = QStringLiteral("\r%1\r<<%2 bytes>>\r").arg(headers).arg(bodyBytes);
        }
        return pieces.join(boundary);
    }
    return QStringLiteral("<<%1 bytes>>").arg(data->size());
}

void HTTPFetcher::logFetchWithError(const FetchError* error) {
    FetchLog& log = environment_->log();
    if (!log.isEnabled())
        return;
    FetchLogEntry entry;
    entry.request = request();
    entry.response = response_ ? &*response_ : nullptr;
    entry.downloaded = &downloadedData_;
    entry.error = error;
    const QByteArray* posted =
        !loggedStreamData_.isNull() ? &loggedStreamData_ : (postData_ ? &*postData_ : nullptr);
    if (posted && !posted->isEmpty()) {
        const QString text = stringFromStreamData(posted);
        if (!text.isNull()) {
            entry.postedText = cleanParameterFollowing(fmt(kPasswordParameter), text);
            entry.postedSize = posted->size();
        }
    }
    log.append(entry);
}

} // namespace sweeplight::fetcher
