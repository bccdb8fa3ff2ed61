#include "fetcher/transport/HttpResponseParser.h"

#include "fetcher/FetchError.h"

#include <gtest/gtest.h>

namespace sweeplight::fetcher {
namespace {

struct Row {
    const char* name;
    QByteArray input;
    int status;
    QByteArray body;
    long error { 0 };

    void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
    bool head { false };
    // The connection ends after the input.
    bool closed { true };
};

const QByteArray kBigHeader =
    "HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(HttpResponseParser::kMaximumHeaderBytes, 'a') +
    "\r\n\r\n";

const Row kRows[] = {
    { "chunked",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;ext=1\r\nhello\r\n6\r\n "
      "world\r\n0\r\n\r\n",
      200, "hello world" },
    { "chunk_size_zz",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n", 0, "",
      kURLErrorBadServerResponse },
    { "chunk_size_negative",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\nhello\r\n0\r\n\r\n", 0, "",
      kURLErrorBadServerResponse },
    { "chunk_size_1g",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1g\r\nhello\r\n0\r\n\r\n", 0, "",
      kURLErrorBadServerResponse },
    { "chunk_size_line_too_long",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" +
          QByteArray(HttpResponseParser::kMaximumChunkSizeLine, 'x'),
      0, "", kURLErrorBadServerResponse, false, false },
    { "chunk_longer_than_size",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nhello\r\n0\r\n\r\n", 0, "",
      kURLErrorBadServerResponse },
    { "trailers_dropped",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nhi\r\n0\r\nX-Sum: 1\r\nX-More: "
      "2\r\n\r\n",
      200, "hi" },
    { "chunked_cut", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", 0, "",
      kURLErrorNetworkConnectionLost },
    { "chunked_without_last_chunk",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nhi\r\n", 0, "",
      kURLErrorNetworkConnectionLost },
    { "chunked_overrides_length",
      "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nTransfer-Encoding: "
      "chunked\r\n\r\n2\r\nhi\r\n0\r\n\r\n",
      200, "hi" },
    { "unknown_transfer_coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\nhi", 0, "",
      kURLErrorBadServerResponse },
    { "length_shorter_than_body", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nhello", 200, "hel",
      0, false, false },
    { "length_longer_than_body", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nhello", 0, "",
      kURLErrorNetworkConnectionLost },
    { "length_repeated_alike",
      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2, 2\r\n\r\nhi", 200, "hi", 0, false,
      false },
    { "length_conflicting", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nhi!",
      0, "", kURLErrorBadServerResponse },
    { "length_not_a_number", "HTTP/1.1 200 OK\r\nContent-Length: -2\r\n\r\nhi", 0, "",
      kURLErrorBadServerResponse },
    { "until_close", "HTTP/1.0 200 OK\n\nall of it", 200, "all of it" },
    { "head_with_length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", 200, "", 0, true, false },
    { "no_content", "HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", 204, "", 0, false,
      false },
    { "not_modified", "HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: chunked\r\n\r\n", 304, "", 0,
      false, false },
    { "continue_then_answer",
      "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 200, "ok", 0,
      false, false },
    { "header_too_long", kBigHeader, 0, "", kURLErrorBadServerResponse, false, false },
    { "no_status_line", "hello\r\n\r\n", 0, "", kURLErrorBadServerResponse },
    { "field_without_colon", "HTTP/1.1 200 OK\r\nnonsense\r\n\r\n", 0, "",
      kURLErrorBadServerResponse },
    { "closed_in_header", "HTTP/1.1 200 OK\r\nContent-Le", 0, "", kURLErrorNetworkConnectionLost },
};

class HttpResponseParserRows : public ::testing::TestWithParam<Row> {};

// Whole or a byte at a time, the bytes frame the same response.
TEST_P(HttpResponseParserRows, FramesTheResponseOrFails) {
    const Row& row = GetParam();
    for (const qsizetype step : { row.input.size(), qsizetype(1) }) {
        HttpResponseParser parser(row.head);
        QByteArray body;
        for (qsizetype at = 0; at < row.input.size(); at += step) {
            parser.consume(
                QByteArrayView(row.input).sliced(at, std::min(step, row.input.size() - at)));
            body += parser.takeBody();
        }
        if (row.closed)
            parser.closed();
        body += parser.takeBody();
        EXPECT_EQ(parser.errorCode(), row.error) << "step " << step;
        EXPECT_EQ(parser.isDone(), row.error == 0) << "step " << step;
        if (row.error == 0) {
            EXPECT_EQ(parser.head().statusCode, row.status) << "step " << step;
            EXPECT_EQ(body.toStdString(), row.body.toStdString()) << "step " << step;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Responses, HttpResponseParserRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Folded lines continue their field; repeated fields join as the header fields expect them.
TEST(HttpResponseParser, JoinsFoldedAndRepeatedFields) {
    HttpResponseParser parser;
    parser.consume("HTTP/1.1 200 OK\r\nX-Folded: one\r\n  two\r\nSet-Cookie: a=1\r\n"
                   "Vary: Accept\r\nSet-Cookie: b=2\r\nvary: Cookie\r\nContent-Length: 0\r\n\r\n");
    ASSERT_TRUE(parser.isDone());
    const HTTPHeaderFields& fields = parser.head().fields;
    EXPECT_EQ(fields.value(QStringLiteral("X-Folded")), QStringLiteral("one two"));
    EXPECT_EQ(fields.value(QStringLiteral("Set-Cookie")), QStringLiteral("a=1\nb=2"));
    EXPECT_EQ(fields.value(QStringLiteral("Vary")), QStringLiteral("Accept, Cookie"));
}

} // namespace
} // namespace sweeplight::fetcher
