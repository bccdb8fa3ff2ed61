#include "fetcher/transport/ContentDecoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace sweeplight::fetcher {
namespace {

// `text` compressed with zlib's window bits: 16 + 15 gzip, 15 zlib-wrapped, -15 raw deflate.
QByteArray compressed(const QByteArray& text, int windowBits) {
    z_stream z {};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&z, text.size())) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return out;
}

const QByteArray kText = "the same words, again and again and again";
const QByteArray kGzip = compressed(kText, 16 + MAX_WBITS);

struct Row {
    const char* name;
    const char* encoding;
    QByteArray input;
    // Null: the body cannot be decoded.
    QByteArray decoded;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

const Row kRows[] = {
    { "gzip", "gzip", kGzip, kText },
    { "gzip_members", "x-gzip", kGzip + kGzip, kText + kText },
    { "gzip_corrupt",
      "gzip",
      QByteArray::fromHex("1f8b0800000000000003") + "not deflate at all",
      {} },
    { "gzip_trailing_garbage", "gzip", kGzip + "garbage", {} },
    { "gzip_ends_early", "gzip", kGzip.left(kGzip.size() - 4), {} },
    { "deflate_raw", "deflate", compressed(kText, -MAX_WBITS), kText },
    { "deflate_zlib_wrapped", "Deflate", compressed(kText, MAX_WBITS), kText },
    { "deflate_trailing_garbage", "deflate", compressed(kText, MAX_WBITS) + "x", {} },
    { "empty_gzip_body", "gzip", "", "" },
    { "unknown_coding_as_sent", "br", "\x01\x02", "\x01\x02" },
};

class ContentDecoderRows : public ::testing::TestWithParam<Row> {};

// Whole or a byte at a time, the body decodes the same or fails.
TEST_P(ContentDecoderRows, DecodesTheBodyOrFails) {
    const Row& row = GetParam();
    for (const qsizetype step : { std::max<qsizetype>(row.input.size(), 1), qsizetype(1) }) {
        ContentDecoder decoder(QString::fromLatin1(row.encoding));
        QByteArray decoded;
        bool ok = true;
        for (qsizetype at = 0; ok && at < row.input.size(); at += step)
            ok = decoder.decode(row.input.mid(at, step), decoded);
        ok = ok && decoder.finish();
        EXPECT_EQ(ok, !row.decoded.isNull()) << "step " << step;
        if (ok) {
            EXPECT_EQ(decoded.toStdString(), row.decoded.toStdString()) << "step " << step;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Bodies, ContentDecoderRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace sweeplight::fetcher
