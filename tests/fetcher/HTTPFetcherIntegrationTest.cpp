#include "CoreApplication.h"
#include "FetcherFixture.h"
#include "ProcessRun.h"
#include "TestHttpServer.h"
#include "WaitUntil.h"
#include "foundation/QtRunLoop.h"

#include <QCoreApplication>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace sweeplight::fetcher::testing {
namespace {

using fixtures::TestHttpServer;
using fixtures::waitUntil;

// A gzip member whose deflate data is not deflate data.
const QByteArray kCorruptGzip = QByteArray::fromHex("1f8b0800000000000003") + "not deflate at all";

// 20 MB of zeros as a deflate ("zlib") stream of about 20 KB, past the size at which Qt
// starts checking the compression ratio.
const QByteArray kDeflateBomb = qCompress(QByteArray(20'000'000, '\0'), 9).mid(4);

QByteArray basic(const char* userAndPassword) {
    return "Basic " + QByteArray(userAndPassword).toBase64();
}

// Real sockets, Qt's event loop and real time, against a server inside the test.
class Integration : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fixtures::ensureCoreApplication(); }

    void SetUp() override { environment->setRunLoop(&runLoop); }

    void TearDown() override {
        // Let replies and deferred releases finish, then take the test's transport down (the
        // process's is never destroyed, so its network thread could still be connecting while
        // the process exits) and delete the replies it handed to deleteLater.
        fixtures::settle(0.05);
        environment.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Outcome fetch(const QString& url, const std::function<void(HTTPFetcher&)>& configure = {}) {
        UrlRequest request { QUrl(url) };
        request.setTimeoutInterval(2.0);
        auto fetcher = HTTPFetcher::create(request, environment);
        if (configure)
            configure(*fetcher);
        Outcome outcome;
        EXPECT_TRUE(begin(*fetcher, outcome));
        EXPECT_TRUE(waitUntil([&] { return outcome.done(); })) << url.toStdString();
        return outcome;
    }

    // `path` always answers with `status`, `body` and `headers`.
    void serve(const QByteArray& path, int status, const QByteArray& body,
               const std::vector<std::pair<QByteArray, QByteArray>>& headers = {}) {
        server.route(path, [=](const auto&, QTcpSocket& socket) {
            TestHttpServer::respond(socket, status, body, headers);
        });
    }

    // `path` asks for Basic credentials in `field` until they are `expected`, then answers 200.
    void challengeUntil(const QByteArray& path, const QByteArray& field,
                        const QByteArray& expected) {
        const bool proxy = field.startsWith("Proxy");
        server.route(path, [=](const auto& request, QTcpSocket& socket) {
            if (request.header(field) == expected)
                TestHttpServer::respond(socket, 200, "welcome");
            else
                TestHttpServer::respond(socket, proxy ? 407 : 401, "",
                                        { { proxy ? "Proxy-Authenticate" : "WWW-Authenticate",
                                            "Basic realm=\"test\"" } });
        });
    }

    foundation::QtRunLoop runLoop;
    TestHttpServer server;
    std::shared_ptr<FetcherEnvironment> environment { std::make_shared<FetcherEnvironment>() };
};

// A cookie the server set goes back with the next request; a body makes the request a form POST.
TEST_F(Integration, GetAndPostReachTheServerWithItsCookie) {
    server.route("/hello", [](const auto& request, QTcpSocket& socket) {
        TestHttpServer::respond(
            socket, 200, request.method + ":" + request.body + ":" + request.header("Cookie"),
            { { "Set-Cookie", "jar=1; Path=/" } });
    });
    EXPECT_EQ(fetch(server.url("/hello")).data, QByteArray("GET::"));
    Outcome post =
        fetch(server.url("/hello"), [](HTTPFetcher& f) { f.setPostData(QByteArray("a=1")); });
    EXPECT_EQ(post.data, QByteArray("POST:a=1:jar=1"));
    EXPECT_EQ(server.requests.back().header("Content-Type"),
              QByteArray("application/x-www-form-urlencoded"));
}

TEST_F(Integration, RedirectToHttpsIsFollowedOverTls) {
    serve("/secure", 301, "",
          { { "Location", QStringLiteral("https://127.0.0.1:%1/x").arg(server.port()).toUtf8() } });
    Outcome outcome = fetch(server.url("/secure"));
    EXPECT_TRUE(outcome.error && outcome.error->domain() == kURLErrorDomain);
    ASSERT_TRUE(waitUntil([&] { return !server.strangers.empty(); }, 1.0));
    EXPECT_EQ(server.strangers.front().at(0), '\x16') << "a TLS handshake record";
}

// How often a wrong credential is tried is the fetcher's rule; the transport must report each of
// Qt's challenges with its failure count, so the server is asked once bare, then three times.
TEST_F(Integration, AWrongCredentialIsOfferedAtEachFailureCount) {
    challengeUntil("/private", "Authorization", basic("ann:right"));
    Outcome bad = fetch(server.url("/private"), credential("ann", "wrong"));
    EXPECT_TRUE(bad.failedWith(kHTTPFetcherErrorDomain, -2));
    EXPECT_EQ(server.requests.size(), 4u);
}

// The test's server plays a proxy: plain HTTP requests reach it with the whole URL as target, an
// https fetch opens a tunnel with CONNECT. Both challenges get the proxy credential, never the
// server's.
TEST_F(Integration, AProxyAskingForBasicCredentialsGetsTheProxyCredential) {
    const QByteArray expected = basic("proxy:pass");
    challengeUntil("http://example.invalid/page", "Proxy-Authorization", expected);
    challengeUntil("secure.invalid:443", "Proxy-Authorization", expected);
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), server.port()));
    const auto credentials = [](HTTPFetcher& f) {
        f.setCredential(UrlCredential { "server", "only" });
        f.setProxyCredential(UrlCredential { "proxy", "pass" });
    };
    Outcome plain = fetch(QStringLiteral("http://example.invalid/page"), credentials);
    const auto plainRequests = server.requests;
    server.requests.clear();
    Outcome tunnel = fetch(QStringLiteral("https://secure.invalid/x"), credentials);
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));

    EXPECT_EQ(plain.data, QByteArray("welcome"));
    ASSERT_EQ(plainRequests.size(), 2u);
    EXPECT_TRUE(plainRequests[0].header("Proxy-Authorization").isEmpty());
    EXPECT_TRUE(plainRequests[1].header("Authorization").isEmpty()) << "not the server's";
    EXPECT_TRUE(tunnel.error.has_value()); // the test's proxy speaks no TLS
    ASSERT_FALSE(server.requests.empty());
    EXPECT_EQ(server.requests.front().method, QByteArray("CONNECT"));
    EXPECT_EQ(server.requests.back().header("Proxy-Authorization"), expected);
}

TEST_F(Integration, CredentialsStayWithTheServerThatAskedForThem) {
    const QByteArray expected = basic("ann:right");
    server.route("/private", [this, expected](const auto& request, QTcpSocket& socket) {
        if (!request.header("Host").startsWith("127.0.0.1"))
            TestHttpServer::respond(socket, 200, "auth=" + request.header("Authorization"));
        else if (request.header("Authorization") != expected)
            TestHttpServer::respond(socket, 401, "who?",
                                    { { "WWW-Authenticate", "Basic realm=\"test\"" } });
        else
            TestHttpServer::respond(
                socket, 302, "", { { "Location", server.url("/private", "localhost").toUtf8() } });
    });
    Outcome outcome = fetch(server.url("/private"), credential("ann", "right"));
    EXPECT_EQ(outcome.data, QByteArray("auth="));
    EXPECT_EQ(server.requests.size(), 3u);
}

// What the transport cannot deliver fails in the URL domain with its own code; a body that
// cannot be decoded (corrupt, or a decompression bomb) is no success.
TEST_F(Integration, TransportFailuresHaveTheirURLErrorCodes) {
    server.route("/cut", [](const auto&, QTcpSocket& socket) {
        socket.write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b");
        socket.flush();
        socket.disconnectFromHost();
    });
    server.route("/silent", [](const auto&, QTcpSocket&) {});
    serve("/corrupt", 200, kCorruptGzip, { { "Content-Encoding", "gzip" } });
    serve("/bomb", 200, kDeflateBomb, { { "Content-Encoding", "deflate" } });
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    closed.close();
    const struct {
        QString url;
        long code;
        UrlRequestCachePolicy policy { UrlRequestCachePolicy::UseProtocolCachePolicy };
    } rows[] = {
        { server.url("/cut"), kURLErrorNetworkConnectionLost },
        { server.url("/silent"), kURLErrorTimedOut },
        { server.url("/corrupt"), kURLErrorCannotDecodeRawData },
        { server.url("/bomb"), kURLErrorCannotDecodeRawData },
        { refused, kURLErrorCannotConnectToHost },
        { QStringLiteral("gopher://127.0.0.1/"), kURLErrorUnsupportedURL },
        // There is no cache to answer from.
        { server.url("/cut"), kURLErrorResourceUnavailable,
          UrlRequestCachePolicy::ReturnCacheDataDontLoad },
    };
    for (const auto& row : rows) {
        Outcome outcome = fetch(row.url, [&row](HTTPFetcher& f) {
            f.request()->setTimeoutInterval(1.0);
            f.request()->setCachePolicy(row.policy);
        });
        EXPECT_TRUE(outcome.failedWith(kURLErrorDomain, row.code)) << row.url.toStdString();
    }
}

// The tool end to end: a chunk size that is not hexadecimal is a bad answer, not a short body.
TEST_F(Integration, FetchToolFailsOnAMalformedChunkedBody) {
    server.route("/chunked", [](const auto&, QTcpSocket& socket) {
        socket.write(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n");
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("http_proxy"));
    const fixtures::ProcessRun result = fixtures::runProcess(
        QStringLiteral(SWEEPLIGHT_FETCH_TOOL), { server.url("/chunked") }, environment, 10.0);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.output.startsWith(QStringLiteral("failed NSURLErrorDomain -1011: ")))
        << result.output.toStdString();
}

TEST_F(Integration, BodiesLargerThanTheMaximumFail) {
    const QByteArray body(4096, 'x');
    serve("/announced", 200, body);
    server.route("/streamed", [body](const auto&, QTcpSocket& socket) {
        socket.write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
        socket.disconnectFromHost();
    });
    for (const char* path : { "/announced", "/streamed" }) {
        const QString url = server.url(QString::fromLatin1(path));
        Outcome over = fetch(url, [](HTTPFetcher& f) { f.setMaxBodySize(4095); });
        EXPECT_TRUE(over.failedWith(kURLErrorDomain, kURLErrorDataLengthExceedsMaximum)) << path;
        EXPECT_EQ(fetch(url, [](HTTPFetcher& f) { f.setMaxBodySize(4096); }).data, body) << path;
    }
}

// The tool's fetches share one history; its failure output is checked by the refused-connection
// run.
TEST_F(Integration, FetchToolSharesItsHistory) {
    static constexpr char kDate[] = "Wed, 21 Oct 2026 07:28:00 GMT";
    server.route("/doc", [](const auto& request, QTcpSocket& socket) {
        if (request.header("If-Modified-Since") == kDate)
            TestHttpServer::respond(socket, 304, "");
        else
            TestHttpServer::respond(socket, 200, "full body", { { "Last-Modified", kDate } });
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("http_proxy"));
    const QString doc = server.url("/doc");
    const fixtures::ProcessRun result =
        fixtures::runProcess(QStringLiteral(SWEEPLIGHT_FETCH_TOOL),
                             { "--history", "--cache-dated-data", doc, doc }, environment, 10.0);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, QStringLiteral("ok 200 9\nok 304 9\n"));
}

} // namespace
} // namespace sweeplight::fetcher::testing
