#pragma once

#include "HTTPHeaderFields.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <utility>
#include <vector>

namespace sweeplight::fetcher {

// The status and header fields of a final (non-1xx) response.
struct HttpResponseHead {
    int statusCode { 0 };
    // Repeated fields joined by ", ", several "Set-Cookie" fields by line breaks.
    HTTPHeaderFields fields;
};

// Reads one HTTP/1.1 response from the bytes of a connection, without touching a socket: the
// status line, the header fields, and the body as its framing delimits it (Content-Length,
// chunked, or up to the end of the connection). Interim 1xx responses are skipped. The body comes
// out as sent, still content-coded. Anything that does not frame as HTTP fails with
// kURLErrorBadServerResponse; a connection that ends before the framing says the response has
// ended fails with kURLErrorNetworkConnectionLost. Bytes after the response are ignored.
class HttpResponseParser final {
public:
    // A bound on the header block (and on the trailers of a chunked body), and on its fields.
    static constexpr qsizetype kMaximumHeaderBytes = 64 * 1024;
    static constexpr int kMaximumHeaderFields = 256;
    static constexpr qsizetype kMaximumChunkSizeLine = 1024;

    // A response to HEAD has no body whatever its header fields say.
    explicit HttpResponseParser(bool isHeadRequest = false);

    void consume(QByteArrayView bytes);
    // The connection ended.
    void closed();

    bool hasHead() const { return hasHead_; }
    const HttpResponseHead& head() const { return head_; }
    // The body bytes read since the last call.
    QByteArray takeBody() { return std::exchange(body_, QByteArray()); }
    bool isDone() const { return state_ == State::Done; }
    // A code of the URL error domain, or 0.
    long errorCode() const { return errorCode_; }
    const QString& errorDescription() const { return errorDescription_; }

private:
    enum class State {
        StatusLine,
        HeaderFields,
        ChunkSize,
        ChunkData,
        ChunkDataEnd,
        Trailers,
        LengthBody,
        BodyUntilClose,
        Done,
        Failed,
    };

    // Each takes what it can from the buffer; false when it needs more bytes or the state
    // ended the response.
    bool step();
    bool readStatusLine();
    bool readHeaderField();
    bool readChunkSize();
    bool readBody();
    bool readChunkDataEnd();
    bool readTrailer();
    // The next line without its line break; false when it has not fully arrived (or is too
    // long, which fails the response).
    bool nextLine(QByteArrayView& line, qsizetype limit);
    // The next line of the header block or the trailers, counted against their bounds.
    bool nextHeaderLine(QByteArrayView& line);
    void headComplete();
    void chooseFraming();
    void fail(long code, const QString& description);

    bool isHeadRequest_;
    State state_ { State::StatusLine };
    QByteArray buffer_;
    qsizetype position_ { 0 };
    qsizetype headerBytes_ { 0 };
    std::vector<std::pair<QByteArray, QByteArray>> rawFields_;
    HttpResponseHead head_;
    bool hasHead_ { false };
    qint64 remaining_ { 0 };
    QByteArray body_;
    long errorCode_ { 0 };
    QString errorDescription_;
};

} // namespace sweeplight::fetcher
