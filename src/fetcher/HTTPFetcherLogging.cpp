// HTTPFetcher: logging of every exchange to one HTML page per run (a debugging aid, off by
// default). Every text the page shows is HTML-escaped: header fields, URLs and bodies come from
// servers and callers, and the page is opened in a browser. Body files beside it stay raw.

#include "HTTPFetcher.h"
#include "foundation/Paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

namespace sweeplight::fetcher {

namespace {

constexpr char kLoggingDirectoryName[] = "HTTPDebugLogs";
constexpr char kLoggingDateFormat[] = "M-dd_hh-mm-ssAP";
constexpr char kPasswordParameter[] = "&Passwd=";
constexpr char kSnipFormat[] = "%1_snip_";
constexpr char kLogPageFormat[] = "%1_http_log_%2.html";
constexpr char kNewestLinkFormat[] = "%1_http_log_newest.html";
constexpr char kResponseFileFormat[] = "%1_http_response_%2_%3";
constexpr char kPlainBodyFormat[] =
    "<textarea rows=\"33\" cols=\"108\" readonly=true wrap=soft>\n%1\n</textarea>";
constexpr char kPageHeadFormat[] =
    "<html><head><meta http-equiv=\"content-type\" content=\"text/html; "
    "charset=UTF-8\"><title>%1 HTTP fetch log %2</title>";
constexpr char kHiddenStyleFormat[] =
    "<style type=\"text/css\">div#%1 { margin: 0px 20px 0px 20px; display: none; }</style>\n";
constexpr char kToggleLayerScript[] =
    "<script type=\"text/javascript\">function toggleLayer(whichLayer) { var style2 = "
    "document.getElementById(whichLayer).style; style2.display = (style2.display == \"block\") ? "
    "\"none\" : \"block\"; }</script>\n";
constexpr char kToggleIFrameScript[] =
    "<script type=\"text/javascript\">function toggleIFrame(whichLayer, iFrameID, url) { var layer "
    "= "
    "document.getElementById(whichLayer); var frame = document.getElementById(iFrameID); if "
    "(layer.style.display == \"block\" && frame.getAttribute(\"src\") == url) { "
    "layer.style.display = "
    "\"none\"; } else { frame.setAttribute(\"src\", url); layer.style.display = \"block\"; } "
    "}</script>"
    "</head><body>\n";
constexpr char kDateLineFormat[] = "<b>%1</b><br>";
constexpr char kRequestLineFormat[] = "<b>request:</b> %1 <i>URL:</i> <code>%2</code><br>\n";
constexpr char kToggleLinkFormat[] =
    "<a href=\"javascript:toggleLayer('%1');\">%2</a><div id=\"%1\">%3</div><br>\n";
constexpr char kRequestHeadersTitle[] = "request headers (%1)";
constexpr char kNoRequestHeaders[] = "<i>Request headers: none</i><br>";
constexpr char kPostedDataTitle[] = "posted data (%1 bytes)";
constexpr char kPostedTextAreaFormat[] =
    "<textarea rows=\"15\" cols=\"100\" readonly=true wrap=soft>\n%1\n</textarea>";
constexpr char kPreformattedFormat[] = "<pre>%1</pre>";
constexpr char kHighlightedStatusFormat[] = "<FONT COLOR=\"#FF00FF\">%1</FONT>";
constexpr char kResponseURLNoteFormat[] =
    "<br><FONT COLOR=\"#FF00FF\">response URL:</FONT> <code>%1</code>";
constexpr char kResponseLineFormat[] = "<b>response:</b> <i>status:</i> %1 <i>  "
                                       "&nbsp;&nbsp;&nbsp;MIMEType:</i><code> %2</code>%3<br>\n";
constexpr char kResponseHeadersTitle[] = "response headers (%1)  %2";
constexpr char kSetsCookies[] = "<i>sets cookies</i>";
constexpr char kNoResponseHeaders[] = "<i>Response headers: none</i><br>\n";
constexpr char kErrorLineFormat[] = "<b>error:</b> %1 <br>\n";
constexpr char kFormattedDataFormat[] = "response data (%1 bytes) formatted <b>%2</b> ";
constexpr char kPlainDataFormat[] = "response data (%1 bytes) plain text ";
constexpr char kDataLinksFormat[] =
    "<a href=\"javascript:toggleIFrame('%1','%2','%3');\">inline</a> "
    "<a href=\"%3\">stand-alone</a><br>\n";
constexpr char kDataFrameFormat[] =
    "<div id=\"%1\"> <iframe src=\"%2\" id=\"%3\" width=800 height=400>\n"
    "<a href=\"%2\">%4</a>\n </iframe>\n</div>";
constexpr char kNoDataFormat[] = "<i>Response data: %1 bytes </i>\n";
constexpr char kSeparator[] = "<br><hr><p>";
constexpr char kSetCookieHeader[] = "Set-Cookie";
constexpr int kMaximumRunsPerSecond = 1000;

bool gIsLoggingEnabled = false;
QString gLoggingDirectoryPath;
QString gLoggingProcessName;
QString gLoggingDateStamp;
// The stamp was read from the clock and no page has been created for it yet.
bool gLoggingDateStampUnclaimed = false;
int zResponseCounter = 0;

QString fmt(const char* format) {
    return QString::fromLatin1(format);
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

std::optional<QString> decodedUTF8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Logs hold cookies, credentials and bodies: only their owner may read them.
constexpr QFileDevice::Permissions kOwnerOnlyFile =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerOnlyFolder = kOwnerOnlyFile | QFileDevice::ExeOwner;

// A folder that already exists keeps its permissions (it may be a shared one the caller chose).
bool makeLogFolder(const QString& path) {
    if (QFileInfo(path).isDir())
        return true;
    if (!QDir().mkpath(path))
        return false;
    QFile::setPermissions(path, kOwnerOnlyFolder);
    return true;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate, kOwnerOnlyFile))
        file.write(bytes);
}

QString headerLines(const HTTPHeaderFields& fields) {
    QString lines;
    for (const auto& [name, value] : fields.fields())
        lines += name + QStringLiteral(": ") + value + QLatin1Char('\n');
    return escaped(lines);
}

QString percentEscaped(const QString& fileName) {
    return QString::fromLatin1(QUrl::toPercentEncoding(fileName));
}

} // namespace

void HTTPFetcher::setIsLoggingEnabled(bool enabled) {
    gIsLoggingEnabled = enabled;
}

bool HTTPFetcher::isLoggingEnabled() {
    return gIsLoggingEnabled;
}

void HTTPFetcher::setLoggingDirectory(const QString& path) {
    gLoggingDirectoryPath = path;
}

QString HTTPFetcher::loggingDirectory() {
    if (!gLoggingDirectoryPath.isEmpty())
        return gLoggingDirectoryPath;
    QString path = QDir(foundation::Paths::dataDirectory()).filePath(fmt(kLoggingDirectoryName));
    if (!QFileInfo::exists(path) && !makeLogFolder(path))
        return QString();
    gLoggingDirectoryPath = path;
    return path;
}

void HTTPFetcher::setLoggingProcessName(const QString& name) {
    gLoggingProcessName = name;
}

QString HTTPFetcher::loggingProcessName() {
    if (!gLoggingProcessName.isEmpty())
        return gLoggingProcessName;
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) {
        QFile comm(QStringLiteral("/proc/self/comm"));
        if (comm.open(QIODevice::ReadOnly))
            name = QString::fromUtf8(comm.readAll()).trimmed();
    }
    if (name.isEmpty())
        name = QStringLiteral("process");
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    // The name becomes part of file names.
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    gLoggingProcessName = name;
    return name;
}

void HTTPFetcher::setLoggingDateStamp(const QString& stamp) {
    gLoggingDateStamp = stamp;
    gLoggingDateStampUnclaimed = false;
}

QString HTTPFetcher::loggingDateStamp() {
    if (gLoggingDateStamp.isEmpty()) {
        gLoggingDateStamp =
            QLocale::c().toString(QDateTime::currentDateTime(), fmt(kLoggingDateFormat));
        gLoggingDateStampUnclaimed = true;
    }
    if (!gLoggingDateStampUnclaimed || !isLoggingEnabled())
        return gLoggingDateStamp;
    // Runs started within the same second would share the time and overwrite each other's body
    // files: a run claims its page by creating it, and takes the next number when another run
    // holds it.
    const QString directory = loggingDirectory();
    if (directory.isEmpty() || !makeLogFolder(directory))
        return gLoggingDateStamp;
    gLoggingDateStampUnclaimed = false;
    const QDir dir(directory);
    const QString processName = loggingProcessName();
    const QString time = gLoggingDateStamp;
    for (int run = 1; run <= kMaximumRunsPerSecond; ++run) {
        const QString stamp = run == 1 ? time : time + QLatin1Char('-') + QString::number(run);
        QFile page(dir.filePath(fmt(kLogPageFormat).arg(processName, stamp)));
        if (page.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnlyFile)) {
            gLoggingDateStamp = stamp;
            break;
        }
        if (!page.exists())
            break; // not another run's page: the folder cannot be written
    }
    return gLoggingDateStamp;
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
    if (!isLoggingEnabled())
        return;
    const QString directory = loggingDirectory();
    const QString processName = loggingProcessName();
    const QString dateStamp = loggingDateStamp();
    const int number = ++zResponseCounter;
    // A folder the caller named but that does not exist yet is made, or nothing could be written.
    if (directory.isEmpty() || !makeLogFolder(directory))
        return;
    QDir dir(directory);

    // Body files.
    QString plainFileName;
    QString formattedFileName;
    QString extension;
    if (!downloadedData_.isEmpty()) {
        const QString base =
            fmt(kResponseFileFormat).arg(processName, dateStamp, QString::number(number));
        if (auto text = decodedUTF8(downloadedData_)) {
            QString trimmed = text->trimmed();
            plainFileName = base + QStringLiteral(".html");
            writeFile(dir.filePath(plainFileName),
                      fmt(kPlainBodyFormat).arg(escaped(trimmed)).toUtf8());
            if (trimmed.startsWith(QStringLiteral("<?xml")))
                extension = QStringLiteral("xml");
            else if (trimmed.startsWith(QStringLiteral("<html")))
                extension = QStringLiteral("html");
        } else if (response_) {
            const QString& mimeType = response_->MIMEType();
            if (mimeType == QLatin1String("image/jpeg"))
                extension = QStringLiteral("jpg");
            else if (mimeType == QLatin1String("image/gif"))
                extension = QStringLiteral("gif");
            else if (mimeType == QLatin1String("image/png"))
                extension = QStringLiteral("png");
        }
        if (!extension.isEmpty()) {
            formattedFileName = base + QLatin1Char('.') + extension;
            writeFile(dir.filePath(formattedFileName), downloadedData_);
        }
    }

    const QString pagePath = dir.filePath(fmt(kLogPageFormat).arg(processName, dateStamp));
    // The page this run claimed for its stamp is still empty.
    const bool newPage = QFileInfo(pagePath).size() == 0;
    const QString n = QString::number(number);
    const QString requestHeadersId = QStringLiteral("RequestHeaders") + n;
    const QString postDataId = QStringLiteral("PostData") + n;
    const QString responseHeadersId = QStringLiteral("ResponseHeaders") + n;
    const QString responseDataId = QStringLiteral("ResponseData") + n;
    const QString frameId = QStringLiteral("DataIFrame") + n;

    QString section;
    if (newPage)
        section += fmt(kPageHeadFormat).arg(escaped(processName), escaped(dateStamp));
    for (const QString& id : { requestHeadersId, postDataId, responseHeadersId, responseDataId })
        section += fmt(kHiddenStyleFormat).arg(id);
    if (newPage)
        section += fmt(kToggleLayerScript) + fmt(kToggleIFrameScript);
    section += fmt(kDateLineFormat).arg(escaped(QDateTime::currentDateTime().toString()));

    const QUrl requestURL = request_ ? request_->URL() : QUrl();
    section += fmt(kRequestLineFormat)
                   .arg(escaped(request_ ? request_->HTTPMethod() : QString()),
                        escaped(requestURL.toString(QUrl::FullyEncoded)));
    if (request_ && !request_->allHTTPHeaderFields().empty()) {
        const auto& fields = request_->allHTTPHeaderFields();
        section += fmt(kToggleLinkFormat)
                       .arg(requestHeadersId, fmt(kRequestHeadersTitle).arg(fields.size()),
                            fmt(kPreformattedFormat).arg(headerLines(fields)));
    } else {
        section += fmt(kNoRequestHeaders);
    }

    const QByteArray* posted =
        !loggedStreamData_.isNull() ? &loggedStreamData_ : (postData_ ? &*postData_ : nullptr);
    if (posted && !posted->isEmpty()) {
        QString text = stringFromStreamData(posted);
        if (!text.isNull()) {
            text = cleanParameterFollowing(fmt(kPasswordParameter), text);
            QString block = text.contains(QLatin1Char('<'))
                                ? fmt(kPostedTextAreaFormat).arg(escaped(text))
                                : fmt(kPreformattedFormat).arg(escaped(text));
            section += fmt(kToggleLinkFormat)
                           .arg(postDataId, fmt(kPostedDataTitle).arg(posted->size()), block);
        }
    }

    if (response_) {
        QString statusText;
        if (const auto& status = response_->statusCode())
            statusText =
                *status == 200 ? QStringLiteral("200") : fmt(kHighlightedStatusFormat).arg(*status);
        QString urlNote;
        if (response_->URL() != requestURL)
            urlNote = fmt(kResponseURLNoteFormat)
                          .arg(escaped(response_->URL().toString(QUrl::FullyEncoded)));
        section +=
            fmt(kResponseLineFormat).arg(statusText, escaped(response_->MIMEType()), urlNote);
        const auto& fields = response_->allHeaderFields();
        if (fields && !fields->empty()) {
            QString setsCookies =
                fields->contains(fmt(kSetCookieHeader)) ? fmt(kSetsCookies) : QString();
            section += fmt(kToggleLinkFormat)
                           .arg(responseHeadersId,
                                fmt(kResponseHeadersTitle)
                                    .arg(QString::number(fields->size()), setsCookies),
                                fmt(kPreformattedFormat).arg(headerLines(*fields)));
        } else {
            section += fmt(kNoResponseHeaders);
        }
    }

    if (error)
        section += fmt(kErrorLineFormat)
                       .arg(escaped(QString::fromStdString(error->localizedDescription())));

    if (!formattedFileName.isEmpty() || !plainFileName.isEmpty()) {
        const qsizetype length = downloadedData_.size();
        if (!formattedFileName.isEmpty())
            section += fmt(kFormattedDataFormat).arg(QString::number(length), extension) +
                       fmt(kDataLinksFormat)
                           .arg(responseDataId, frameId, percentEscaped(formattedFileName));
        if (!plainFileName.isEmpty())
            section +=
                fmt(kPlainDataFormat).arg(length) +
                fmt(kDataLinksFormat).arg(responseDataId, frameId, percentEscaped(plainFileName));
        const QString shown = formattedFileName.isEmpty() ? plainFileName : formattedFileName;
        section += fmt(kDataFrameFormat)
                       .arg(responseDataId, percentEscaped(shown), frameId, escaped(shown));
    } else {
        section += fmt(kNoDataFormat).arg(downloadedData_.size());
    }
    section += fmt(kSeparator);

    QFile page(pagePath);
    if (page.open(QIODevice::WriteOnly | QIODevice::Append, kOwnerOnlyFile))
        page.write(section.toUtf8());
    page.close();

    const QString newestPath = dir.filePath(fmt(kNewestLinkFormat).arg(processName));
    QFile::remove(newestPath);
    QFile::link(pagePath, newestPath);
}

} // namespace sweeplight::fetcher
