#include "ContentDecoder.h"

#include <utility>
#include <zlib.h>

namespace sweeplight::fetcher {

namespace {

constexpr int kOutputStep = 64 * 1024;

// zlib's window bits: a gzip member only, a zlib-wrapped stream, or raw deflate.
constexpr int kGzipWindow = 16 + MAX_WBITS;
constexpr int kZlibWindow = MAX_WBITS;
constexpr int kRawWindow = -MAX_WBITS;

// A zlib header names the deflate method and is a multiple of 31 when read as a 16-bit number.
bool hasZlibHeader(QByteArrayView bytes) {
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    return (first & 0x0f) == Z_DEFLATED && (first * 256 + second) % 31 == 0;
}

} // namespace

struct ContentDecoder::Stream {
    z_stream z {};
    bool initialised { false };
    ~Stream() {
        if (initialised)
            inflateEnd(&z);
    }
};

ContentDecoder::ContentDecoder(const QString& contentEncoding) {
    const QString coding = contentEncoding.trimmed().toLower();
    if (coding == QLatin1String("gzip") || coding == QLatin1String("x-gzip"))
        coding_ = Coding::Gzip;
    else if (coding == QLatin1String("deflate"))
        coding_ = Coding::Deflate;
}

ContentDecoder::~ContentDecoder() = default;

bool ContentDecoder::decode(const QByteArray& bytes, QByteArray& decoded) {
    if (failed_)
        return false;
    if (coding_ == Coding::Identity) {
        decoded.append(bytes);
        return true;
    }
    if (bytes.isEmpty())
        return true;
    if (stream_)
        return inflate(bytes, decoded);
    start_.append(bytes);
    if (coding_ == Coding::Deflate && start_.size() < 2)
        return true;
    if (!start())
        return false;
    return inflate(std::exchange(start_, QByteArray()), decoded);
}

bool ContentDecoder::start() {
    int window = kGzipWindow;
    if (coding_ == Coding::Deflate)
        window = hasZlibHeader(start_) ? kZlibWindow : kRawWindow;
    stream_ = std::make_unique<Stream>();
    if (inflateInit2(&stream_->z, window) != Z_OK)
        return fail(QStringLiteral("cannot start decompressing"));
    stream_->initialised = true;
    return true;
}

bool ContentDecoder::inflate(QByteArrayView bytes, QByteArray& decoded) {
    z_stream& z = stream_->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    // Until the input is used up and zlib has no output left that did not fit.
    bool outputFull = false;
    while (z.avail_in > 0 || outputFull) {
        if (ended_) {
            // Another gzip member may follow one that ended; anything else is garbage.
            if (coding_ != Coding::Gzip)
                return fail(QStringLiteral("data follows the end of the compressed body"));
            inflateReset(&z);
            ended_ = false;
        }
        const qsizetype before = decoded.size();
        decoded.resize(before + kOutputStep);
        z.next_out = reinterpret_cast<Bytef*>(decoded.data() + before);
        z.avail_out = kOutputStep;
        const uInt inputBefore = z.avail_in;
        const int result = ::inflate(&z, Z_NO_FLUSH);
        const uInt produced = kOutputStep - z.avail_out;
        decoded.resize(before + produced);
        bytesIn_ += inputBefore - z.avail_in;
        bytesOut_ += produced;
        outputFull = z.avail_out == 0;
        if (result == Z_STREAM_END) {
            ended_ = true;
            outputFull = false;
        } else if (result == Z_BUF_ERROR && z.avail_in == 0) {
            outputFull = false; // nothing more to give until more input arrives
        } else if (result != Z_OK) {
            return fail(QString::fromLatin1(z.msg ? z.msg : "corrupt compressed data"));
        }
        if (bytesOut_ > kBombCheckThreshold && bytesOut_ > kMaximumRatio * bytesIn_)
            return fail(QStringLiteral("the body expands too much to be a real one"));
    }
    return true;
}

bool ContentDecoder::finish() {
    if (failed_)
        return false;
    if (coding_ == Coding::Identity || (!stream_ && start_.isEmpty()) || ended_)
        return true;
    return fail(QStringLiteral("the compressed body ends early"));
}

bool ContentDecoder::fail(const QString& description) {
    failed_ = true;
    errorDescription_ = description;
    return false;
}

} // namespace sweeplight::fetcher
