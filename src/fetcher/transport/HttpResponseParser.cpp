#include "HttpResponseParser.h"

#include "fetcher/FetchError.h"

#include <QList>
#include <algorithm>
#include <limits>
#include <optional>

namespace sweeplight::fetcher {

namespace {

constexpr char kSetCookieField[] = "set-cookie";

bool isTokenCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7f && !QByteArrayView("\"(),/:;<=>?@[\\]{}").contains(c);
}

bool isToken(QByteArrayView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenCharacter);
}

bool isDigits(QByteArrayView text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

// The one length that every Content-Length value (repeated or as a list) agrees on.
std::optional<qint64> contentLength(const std::vector<QByteArray>& values) {
    std::optional<qint64> length;
    for (const QByteArray& value : values) {
        for (const QByteArray& part : value.split(',')) {
            const QByteArrayView digits = trimmed(part);
            // 18 digits cannot overflow a qint64.
            if (!isDigits(digits) || digits.size() > 18)
                return std::nullopt;
            const qint64 parsed = digits.toLongLong();
            if (length && *length != parsed)
                return std::nullopt;
            length = parsed;
        }
    }
    return length;
}

} // namespace

HttpResponseParser::HttpResponseParser(bool isHeadRequest)
    : isHeadRequest_(isHeadRequest) {}

void HttpResponseParser::consume(QByteArrayView bytes) {
    if (state_ == State::Done || state_ == State::Failed)
        return;
    buffer_.append(bytes);
    while (step()) {
    }
    buffer_.remove(0, position_);
    position_ = 0;
}

void HttpResponseParser::closed() {
    if (state_ == State::BodyUntilClose)
        state_ = State::Done;
    if (state_ == State::Done || state_ == State::Failed)
        return;
    fail(kURLErrorNetworkConnectionLost,
         QStringLiteral("the connection ended before the whole response arrived"));
}

bool HttpResponseParser::step() {
    switch (state_) {
    case State::StatusLine:
        return readStatusLine();
    case State::HeaderFields:
        return readHeaderField();
    case State::ChunkSize:
        return readChunkSize();
    case State::ChunkData:
    case State::LengthBody:
    case State::BodyUntilClose:
        return readBody();
    case State::ChunkDataEnd:
        return readChunkDataEnd();
    case State::Trailers:
        return readTrailer();
    case State::Done:
    case State::Failed:
        break;
    }
    return false;
}

bool HttpResponseParser::nextLine(QByteArrayView& line, qsizetype limit) {
    const qsizetype end = buffer_.indexOf('\n', position_);
    const qsizetype length = (end < 0 ? buffer_.size() : end) - position_;
    if (length > limit) {
        fail(kURLErrorBadServerResponse, QStringLiteral("a line of the response is too long"));
        return false;
    }
    if (end < 0)
        return false;
    line = QByteArrayView(buffer_).sliced(position_, length);
    // Bare line feeds are accepted as line ends, as every client does.
    if (line.endsWith('\r'))
        line.chop(1);
    position_ = end + 1;
    return true;
}

bool HttpResponseParser::nextHeaderLine(QByteArrayView& line) {
    if (!nextLine(line, kMaximumHeaderBytes))
        return false;
    headerBytes_ += line.size() + 2;
    if (headerBytes_ <= kMaximumHeaderBytes)
        return true;
    fail(kURLErrorBadServerResponse, QStringLiteral("the response's header is too large"));
    return false;
}

bool HttpResponseParser::readStatusLine() {
    QByteArrayView line;
    if (!nextHeaderLine(line))
        return false;
    // "HTTP/1.x 200 Reason", where the reason may be missing.
    const bool wellFormed = line.size() >= 12 && line.startsWith("HTTP/1.") && line[7] >= '0' &&
                            line[7] <= '9' && line[8] == ' ' && isDigits(line.sliced(9, 3)) &&
                            (line.size() == 12 || line[12] == ' ');
    if (!wellFormed || line[9] == '0') {
        fail(kURLErrorBadServerResponse, QStringLiteral("the response has no valid status line"));
        return false;
    }
    head_ = HttpResponseHead();
    head_.statusCode = line.sliced(9, 3).toInt();
    rawFields_.clear();
    state_ = State::HeaderFields;
    return true;
}

bool HttpResponseParser::readHeaderField() {
    QByteArrayView line;
    if (!nextHeaderLine(line))
        return false;
    if (line.isEmpty()) {
        headComplete();
        return state_ != State::Done && state_ != State::Failed;
    }
    if (line.front() == ' ' || line.front() == '\t') {
        // A folded line continues the field before it.
        if (rawFields_.empty()) {
            fail(kURLErrorBadServerResponse, QStringLiteral("the response's header is malformed"));
            return false;
        }
        rawFields_.back().second += ' ' + trimmed(line).toByteArray();
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !isToken(line.first(colon))) {
        fail(kURLErrorBadServerResponse, QStringLiteral("the response's header is malformed"));
        return false;
    }
    if (rawFields_.size() == static_cast<std::size_t>(kMaximumHeaderFields)) {
        fail(kURLErrorBadServerResponse, QStringLiteral("the response has too many header fields"));
        return false;
    }
    rawFields_.emplace_back(line.first(colon).toByteArray(),
                            trimmed(line.sliced(colon + 1)).toByteArray());
    return true;
}

void HttpResponseParser::headComplete() {
    headerBytes_ = 0;
    const int status = head_.statusCode;
    if (status == 101) {
        fail(kURLErrorBadServerResponse, QStringLiteral("the server switched protocols unasked"));
        return;
    }
    if (status < 200) {
        // An interim answer (100 Continue, 103 Early Hints): the real one follows.
        state_ = State::StatusLine;
        return;
    }
    for (const auto& [name, value] : rawFields_) {
        const QString key = QString::fromLatin1(name);
        const QString text = QString::fromUtf8(value);
        if (!head_.fields.contains(key)) {
            head_.fields.setValue(text, key);
            continue;
        }
        const bool isSetCookie = name.compare(kSetCookieField, Qt::CaseInsensitive) == 0;
        head_.fields.setValue(head_.fields.value(key) +
                                  (isSetCookie ? QStringLiteral("\n") : QStringLiteral(", ")) +
                                  text,
                              key);
    }
    chooseFraming();
    if (state_ != State::Failed)
        hasHead_ = true;
}

void HttpResponseParser::chooseFraming() {
    const int status = head_.statusCode;
    if (isHeadRequest_ || status == 204 || status == 304) {
        state_ = State::Done;
        return;
    }
    std::vector<QByteArray> transferCodings;
    std::vector<QByteArray> lengths;
    for (const auto& [name, value] : rawFields_) {
        if (name.compare("transfer-encoding", Qt::CaseInsensitive) == 0) {
            for (const QByteArray& coding : value.split(',')) {
                const QByteArray lower = trimmed(coding).toByteArray().toLower();
                if (!lower.isEmpty() && lower != "identity")
                    transferCodings.push_back(lower);
            }
        } else if (name.compare("content-length", Qt::CaseInsensitive) == 0) {
            lengths.push_back(value);
        }
    }
    if (!transferCodings.empty()) {
        // A transfer coding overrides any Content-Length; none but chunked can be undone here.
        if (transferCodings.size() != 1 || transferCodings.front() != "chunked") {
            fail(kURLErrorBadServerResponse,
                 QStringLiteral("the response uses a transfer coding that is not supported"));
            return;
        }
        state_ = State::ChunkSize;
        return;
    }
    if (lengths.empty()) {
        state_ = State::BodyUntilClose;
        return;
    }
    const std::optional<qint64> length = contentLength(lengths);
    if (!length) {
        fail(kURLErrorBadServerResponse,
             QStringLiteral("the response's Content-Length is invalid or ambiguous"));
        return;
    }
    remaining_ = *length;
    state_ = remaining_ == 0 ? State::Done : State::LengthBody;
}

bool HttpResponseParser::readBody() {
    const qsizetype available = buffer_.size() - position_;
    if (available == 0)
        return false;
    const qsizetype taken = state_ == State::BodyUntilClose
                                ? available
                                : static_cast<qsizetype>(std::min<qint64>(available, remaining_));
    body_.append(QByteArrayView(buffer_).sliced(position_, taken));
    position_ += taken;
    if (state_ == State::BodyUntilClose)
        return false;
    remaining_ -= taken;
    if (remaining_ > 0)
        return false;
    state_ = state_ == State::ChunkData ? State::ChunkDataEnd : State::Done;
    return state_ != State::Done;
}

bool HttpResponseParser::readChunkSize() {
    QByteArrayView line;
    if (!nextLine(line, kMaximumChunkSizeLine))
        return false;
    // Hexadecimal digits and nothing else, then optional extensions after ';', which mean nothing
    // to us. A sign, a stray letter or an empty size is no size at all.
    qsizetype digits = 0;
    qint64 size = 0;
    for (; digits < line.size() && hexValue(line[digits]) >= 0; ++digits) {
        if (size > (std::numeric_limits<qint64>::max() >> 4)) {
            fail(kURLErrorBadServerResponse, QStringLiteral("a chunk of the body is too large"));
            return false;
        }
        size = size * 16 + hexValue(line[digits]);
    }
    const QByteArrayView rest = trimmed(line.sliced(digits));
    if (digits == 0 || !(rest.isEmpty() || rest.front() == ';')) {
        fail(kURLErrorBadServerResponse,
             QStringLiteral("the chunked body has an invalid chunk size"));
        return false;
    }
    remaining_ = size;
    state_ = size == 0 ? State::Trailers : State::ChunkData;
    return true;
}

bool HttpResponseParser::readChunkDataEnd() {
    const qsizetype available = buffer_.size() - position_;
    if (available == 0)
        return false;
    const char first = buffer_.at(position_);
    if (first == '\r' && available < 2)
        return false;
    const bool lineEnd = first == '\n' || (first == '\r' && buffer_.at(position_ + 1) == '\n');
    if (!lineEnd) {
        fail(kURLErrorBadServerResponse,
             QStringLiteral("a chunk of the body is longer than its size says"));
        return false;
    }
    position_ += first == '\n' ? 1 : 2;
    state_ = State::ChunkSize;
    return true;
}

bool HttpResponseParser::readTrailer() {
    QByteArrayView line;
    if (!nextHeaderLine(line))
        return false;
    // Trailer fields are read past and dropped: nothing that follows the body may change it.
    if (line.isEmpty()) {
        state_ = State::Done;
        return false;
    }
    return true;
}

void HttpResponseParser::fail(long code, const QString& description) {
    state_ = State::Failed;
    errorCode_ = code;
    errorDescription_ = description;
    body_.clear();
}

} // namespace sweeplight::fetcher
