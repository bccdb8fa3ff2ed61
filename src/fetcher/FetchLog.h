#pragma once

#include <QString>
#include <optional>

class QByteArray;

namespace sweeplight::fetcher {

class FetchError;
class UrlRequest;
class UrlResponse;

// The bytes as UTF-8 text; nothing when they are not valid UTF-8.
std::optional<QString> decodedUTF8(const QByteArray& bytes);

// What one exchange leaves on the log page.
struct FetchLogEntry {
    const UrlRequest* request = nullptr;
    const UrlResponse* response = nullptr;
    // The request body as the page shows it (passwords masked); null when nothing was posted.
    QString postedText;
    qsizetype postedSize = 0;
    const QByteArray* downloaded = nullptr;
    const FetchError* error = nullptr;
};

// The fetch log of a process (a debugging aid, off by default): one HTML page per run in the
// log folder, a section per exchange, each response body in a file of its own beside the page,
// and a "newest" link to the page. Every text the page shows is HTML-escaped: header fields, URLs
// and bodies come from servers and callers, and the page is opened in a browser. Body files stay
// raw. Everything it writes is readable by its owner only: logs hold cookies and credentials.
class FetchLog {
public:
    // The log of the process's fetcher environment.
    static FetchLog& shared();

    bool isEnabled() const { return isEnabled_; }
    void setEnabled(bool enabled) { isEnabled_ = enabled; }
    // Defaults to the folder "HTTPDebugLogs" in the app's data folder, created when missing.
    // A null result means no usable folder: nothing is written.
    QString directory();
    void setDirectory(const QString& path) { directory_ = path; }
    // The name the log's files begin with; the application's name unless set.
    QString processName();
    void setProcessName(const QString& name) { processName_ = name; }
    // The run's time stamp in the page's name. Read from the clock when first needed; a run
    // started in the same second as another takes the next free number after it.
    QString dateStamp();
    void setDateStamp(const QString& stamp);

    // Appends one exchange (nothing when the log is off or no folder can be made).
    void append(const FetchLogEntry& entry);

private:
    struct BodyFiles {
        QString plain;
        QString formatted;
        QString extension;
    };
    static BodyFiles writeBodyFiles(const QString& folder, const QString& base,
                                    const FetchLogEntry& entry);
    static QString requestSection(const FetchLogEntry& entry, const QString& number);
    static QString responseSection(const FetchLogEntry& entry, const QString& number);
    static QString dataSection(const FetchLogEntry& entry, const BodyFiles& files,
                               const QString& number);

    bool isEnabled_ = false;
    QString directory_;
    QString processName_;
    QString dateStamp_;
    // The stamp was read from the clock and no page has been created for it yet.
    bool dateStampUnclaimed_ = false;
    int responseCounter_ = 0;
};

} // namespace sweeplight::fetcher
