#include "FetchLog.h"

#include "FetchError.h"
#include "FetcherEnvironment.h"
#include "foundation/Paths.h"
#include "transport/UrlRequest.h"
#include "transport/UrlResponse.h"

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

QString fmt(const char* format) {
    return QString::fromLatin1(format);
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
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

std::optional<QString> decodedUTF8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

FetchLog& FetchLog::shared() {
    return FetcherEnvironment::process()->log();
}

QString FetchLog::directory() {
    if (!directory_.isEmpty())
        return directory_;
    QString path = QDir(foundation::Paths::dataDirectory()).filePath(fmt(kLoggingDirectoryName));
    if (!QFileInfo::exists(path) && !makeLogFolder(path))
        return QString();
    directory_ = path;
    return path;
}

QString FetchLog::processName() {
    if (!processName_.isEmpty())
        return processName_;
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
    processName_ = name;
    return name;
}

void FetchLog::setDateStamp(const QString& stamp) {
    dateStamp_ = stamp;
    dateStampUnclaimed_ = false;
}

QString FetchLog::dateStamp() {
    if (dateStamp_.isEmpty()) {
        dateStamp_ = QLocale::c().toString(QDateTime::currentDateTime(), fmt(kLoggingDateFormat));
        dateStampUnclaimed_ = true;
    }
    if (!dateStampUnclaimed_ || !isEnabled_)
        return dateStamp_;
    // Runs started within the same second would share the time and overwrite each other's body
    // files: a run claims its page by creating it, and takes the next number when another run
    // holds it.
    const QString folder = directory();
    if (folder.isEmpty() || !makeLogFolder(folder))
        return dateStamp_;
    dateStampUnclaimed_ = false;
    const QDir dir(folder);
    const QString name = processName();
    const QString time = dateStamp_;
    for (int run = 1; run <= kMaximumRunsPerSecond; ++run) {
        const QString stamp = run == 1 ? time : time + QLatin1Char('-') + QString::number(run);
        QFile page(dir.filePath(fmt(kLogPageFormat).arg(name, stamp)));
        if (page.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnlyFile)) {
            dateStamp_ = stamp;
            break;
        }
        if (!page.exists())
            break; // not another run's page: the folder cannot be written
    }
    return dateStamp_;
}

void FetchLog::append(const FetchLogEntry& entry) {
    if (!isEnabled_)
        return;
    const QString folder = directory();
    const QString name = processName();
    const QString stamp = dateStamp();
    const QString number = QString::number(++responseCounter_);
    // A folder the caller named but that does not exist yet is made, or nothing could be written.
    if (folder.isEmpty() || !makeLogFolder(folder))
        return;
    const QDir dir(folder);
    const BodyFiles files =
        writeBodyFiles(folder, fmt(kResponseFileFormat).arg(name, stamp, number), entry);

    const QString pagePath = dir.filePath(fmt(kLogPageFormat).arg(name, stamp));
    // The page this run claimed for its stamp is still empty.
    const bool newPage = QFileInfo(pagePath).size() == 0;
    QString section;
    if (newPage)
        section += fmt(kPageHeadFormat).arg(escaped(name), escaped(stamp));
    for (const char* id : { "RequestHeaders", "PostData", "ResponseHeaders", "ResponseData" })
        section += fmt(kHiddenStyleFormat).arg(QLatin1String(id) + number);
    if (newPage)
        section += fmt(kToggleLayerScript) + fmt(kToggleIFrameScript);
    section += fmt(kDateLineFormat).arg(escaped(QDateTime::currentDateTime().toString()));
    section += requestSection(entry, number);
    section += responseSection(entry, number);
    section += dataSection(entry, files, number);
    section += fmt(kSeparator);

    QFile page(pagePath);
    if (page.open(QIODevice::WriteOnly | QIODevice::Append, kOwnerOnlyFile))
        page.write(section.toUtf8());
    page.close();

    const QString newestPath = dir.filePath(fmt(kNewestLinkFormat).arg(name));
    QFile::remove(newestPath);
    QFile::link(pagePath, newestPath);
}

FetchLog::BodyFiles FetchLog::writeBodyFiles(const QString& folder, const QString& base,
                                             const FetchLogEntry& entry) {
    BodyFiles files;
    if (!entry.downloaded || entry.downloaded->isEmpty())
        return files;
    const QDir dir(folder);
    if (auto text = decodedUTF8(*entry.downloaded)) {
        const QString trimmed = text->trimmed();
        files.plain = base + QStringLiteral(".html");
        writeFile(dir.filePath(files.plain), fmt(kPlainBodyFormat).arg(escaped(trimmed)).toUtf8());
        if (trimmed.startsWith(QStringLiteral("<?xml")))
            files.extension = QStringLiteral("xml");
        else if (trimmed.startsWith(QStringLiteral("<html")))
            files.extension = QStringLiteral("html");
    } else if (entry.response) {
        const QString& mimeType = entry.response->MIMEType();
        if (mimeType == QLatin1String("image/jpeg"))
            files.extension = QStringLiteral("jpg");
        else if (mimeType == QLatin1String("image/gif"))
            files.extension = QStringLiteral("gif");
        else if (mimeType == QLatin1String("image/png"))
            files.extension = QStringLiteral("png");
    }
    if (!files.extension.isEmpty()) {
        files.formatted = base + QLatin1Char('.') + files.extension;
        writeFile(dir.filePath(files.formatted), *entry.downloaded);
    }
    return files;
}

QString FetchLog::requestSection(const FetchLogEntry& entry, const QString& number) {
    const UrlRequest* request = entry.request;
    const QUrl url = request ? request->URL() : QUrl();
    QString section = fmt(kRequestLineFormat)
                          .arg(escaped(request ? request->HTTPMethod() : QString()),
                               escaped(url.toString(QUrl::FullyEncoded)));
    if (request && !request->allHTTPHeaderFields().empty()) {
        const auto& fields = request->allHTTPHeaderFields();
        section += fmt(kToggleLinkFormat)
                       .arg(QStringLiteral("RequestHeaders") + number,
                            fmt(kRequestHeadersTitle).arg(fields.size()),
                            fmt(kPreformattedFormat).arg(headerLines(fields)));
    } else {
        section += fmt(kNoRequestHeaders);
    }
    if (!entry.postedText.isNull()) {
        const QString& text = entry.postedText;
        const QString block = text.contains(QLatin1Char('<'))
                                  ? fmt(kPostedTextAreaFormat).arg(escaped(text))
                                  : fmt(kPreformattedFormat).arg(escaped(text));
        section += fmt(kToggleLinkFormat)
                       .arg(QStringLiteral("PostData") + number,
                            fmt(kPostedDataTitle).arg(entry.postedSize), block);
    }
    return section;
}

QString FetchLog::responseSection(const FetchLogEntry& entry, const QString& number) {
    QString section;
    if (const UrlResponse* response = entry.response) {
        QString statusText;
        if (const auto& status = response->statusCode())
            statusText =
                *status == 200 ? QStringLiteral("200") : fmt(kHighlightedStatusFormat).arg(*status);
        QString urlNote;
        const QUrl requestURL = entry.request ? entry.request->URL() : QUrl();
        if (response->URL() != requestURL)
            urlNote = fmt(kResponseURLNoteFormat)
                          .arg(escaped(response->URL().toString(QUrl::FullyEncoded)));
        section += fmt(kResponseLineFormat).arg(statusText, escaped(response->MIMEType()), urlNote);
        const auto& fields = response->allHeaderFields();
        if (fields && !fields->empty()) {
            const QString setsCookies =
                fields->contains(fmt(kSetCookieHeader)) ? fmt(kSetsCookies) : QString();
            section += fmt(kToggleLinkFormat)
                           .arg(QStringLiteral("ResponseHeaders") + number,
                                fmt(kResponseHeadersTitle)
                                    .arg(QString::number(fields->size()), setsCookies),
                                fmt(kPreformattedFormat).arg(headerLines(*fields)));
        } else {
            section += fmt(kNoResponseHeaders);
        }
    }
    if (entry.error)
        section += fmt(kErrorLineFormat)
                       .arg(escaped(QString::fromStdString(entry.error->localizedDescription())));
    return section;
}

QString FetchLog::dataSection(const FetchLogEntry& entry, const BodyFiles& files,
                              const QString& number) {
    const qsizetype length = entry.downloaded ? entry.downloaded->size() : 0;
    if (files.formatted.isEmpty() && files.plain.isEmpty())
        return fmt(kNoDataFormat).arg(length);
    const QString dataId = QStringLiteral("ResponseData") + number;
    const QString frameId = QStringLiteral("DataIFrame") + number;
    QString section;
    if (!files.formatted.isEmpty())
        section += fmt(kFormattedDataFormat).arg(QString::number(length), files.extension) +
                   fmt(kDataLinksFormat).arg(dataId, frameId, percentEscaped(files.formatted));
    if (!files.plain.isEmpty())
        section += fmt(kPlainDataFormat).arg(length) +
                   fmt(kDataLinksFormat).arg(dataId, frameId, percentEscaped(files.plain));
    const QString shown = files.formatted.isEmpty() ? files.plain : files.formatted;
    section += fmt(kDataFrameFormat).arg(dataId, percentEscaped(shown), frameId, escaped(shown));
    return section;
}

} // namespace sweeplight::fetcher
