#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace sweeplight::fetcher {

// Undoes the content coding of a response body as it arrives: gzip, deflate (with or without the
// zlib wrapper, as browsers accept both) or none. Codings it does not know pass through as they
// are. Corrupt data, data after the end of the compressed stream, a stream that ends early, or an
// expansion that looks like a decompression bomb make the body undecodable.
class ContentDecoder final {
public:
    // Past this much output, an expansion above kMaximumRatio times the input is refused.
    static constexpr qint64 kBombCheckThreshold = 10 * 1024 * 1024;
    static constexpr qint64 kMaximumRatio = 40;

    // `contentEncoding` is the response's Content-Encoding field.
    explicit ContentDecoder(const QString& contentEncoding);
    ~ContentDecoder();
    ContentDecoder(const ContentDecoder&) = delete;
    ContentDecoder& operator=(const ContentDecoder&) = delete;

    // Appends the decoded form of `bytes` to `decoded`; false once the body cannot be decoded.
    // A body sent as it is goes on without a copy where `decoded` is empty.
    bool decode(const QByteArray& bytes, QByteArray& decoded);
    // The body ended; false when the compressed stream had not.
    bool finish();
    const QString& errorDescription() const { return errorDescription_; }

private:
    enum class Coding { Identity, Gzip, Deflate };

    bool start();
    bool inflate(QByteArrayView bytes, QByteArray& decoded);
    bool fail(const QString& description);

    struct Stream;
    Coding coding_ { Coding::Identity };
    std::unique_ptr<Stream> stream_;
    // The first bytes of a deflate body, until they tell whether a zlib wrapper is there.
    QByteArray start_;
    bool ended_ { false };
    bool failed_ { false };
    qint64 bytesIn_ { 0 };
    qint64 bytesOut_ { 0 };
    QString errorDescription_;
};

} // namespace sweeplight::fetcher
