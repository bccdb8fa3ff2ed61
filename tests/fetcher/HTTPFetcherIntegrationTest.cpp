#include "CoreApplication.h"
#include "ProcessRun.h"
#include "QtPrinters.h"
#include "TestHttpServer.h"
#include "WaitUntil.h"
#include "fetcher/CookieList.h"
#include "fetcher/FetchHistory.h"
#include "fetcher/HTTPFetcher.h"
#include "fetcher/transport/HTTPCookieStorage.h"
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

struct Outcome {
    bool done { false };
    int finishedCalls { 0 };
    int failedCalls { 0 };
    QByteArray data;
    std::optional<FetchError> error;
};

// Real sockets, Qt's event loop and real time, against a server inside the test.
class Integration : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fixtures::ensureCoreApplication(); }

    void SetUp() override {
        environment->setRunLoop(&runLoop);
        std::lock_guard guard(HTTPFetcher::staticCookies()->lock);
        HTTPFetcher::staticCookies()->cookies.clear();
    }

    void TearDown() override {
        // Let replies and deferred releases finish, then take the test's transport down (the
        // process's is never destroyed, so its network thread could still be connecting while
        // the process exits) and delete the replies it handed to deleteLater.
        fixtures::settle(0.05);
        environment.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::shared_ptr<HTTPFetcher> start(const QString& url, Outcome& outcome,
                                       const std::function<void(HTTPFetcher&)>& configure = {}) {
        UrlRequest request { QUrl(url) };
        request.setTimeoutInterval(2.0);
        auto fetcher = HTTPFetcher::create(request, environment);
        if (configure)
            configure(*fetcher);
        bool begun = fetcher->beginFetchWithDelegate(
            nullptr,
            [&outcome](HTTPFetcher&, const QByteArray& data) {
                ++outcome.finishedCalls;
                outcome.data = data;
                outcome.done = true;
            },
            [&outcome](HTTPFetcher&, const FetchError& error) {
                ++outcome.failedCalls;
                outcome.error = error;
                outcome.done = true;
            });
        EXPECT_TRUE(begun);
        return fetcher;
    }

    Outcome fetch(const QString& url, const std::function<void(HTTPFetcher&)>& configure = {}) {
        Outcome outcome;
        auto fetcher = start(url, outcome, configure);
        EXPECT_TRUE(waitUntil([&] { return outcome.done; })) << url.toStdString();
        return outcome;
    }

    // "/doc": "full body" dated kDocumentDate, or 304 to a request conditional on that date.
    static constexpr char kDocumentDate[] = "Wed, 21 Oct 2026 07:28:00 GMT";
    void routeDatedDocument() {
        server.route("/doc", [](const auto& request, QTcpSocket& socket) {
            if (request.header("If-Modified-Since") == kDocumentDate)
                TestHttpServer::respond(socket, 304, "");
            else
                TestHttpServer::respond(socket, 200, "full body",
                                        { { "Last-Modified", kDocumentDate } });
        });
    }

    // The fetch tool on the URLs; `proxy` routes its requests through the test's server.
    fixtures::ProcessRun runTool(const QStringList& arguments, bool proxy = false) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("http_proxy"));
        if (proxy)
            environment.insert(QStringLiteral("http_proxy"),
                               QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
        return fixtures::runProcess(QStringLiteral(SWEEPLIGHT_FETCH_TOOL), arguments, environment,
                                    10.0);
    }

    foundation::QtRunLoop runLoop;
    TestHttpServer server;
    std::shared_ptr<FetcherEnvironment> environment { std::make_shared<FetcherEnvironment>() };
};

TEST_F(Integration, GetDeliversBodyAndPostSendsItsBody) {
    server.route("/hello", [](const auto& request, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, request.method + ":" + request.body);
    });
    Outcome get = fetch(server.url("/hello"));
    EXPECT_EQ(get.finishedCalls, 1);
    EXPECT_EQ(get.data, QByteArray("GET:"));

    Outcome post =
        fetch(server.url("/hello"), [](HTTPFetcher& f) { f.setPostData(QByteArray("a=1&b=2")); });
    EXPECT_EQ(post.data, QByteArray("POST:a=1&b=2"));
    EXPECT_EQ(server.requests.back().header("Content-Type"),
              QByteArray("application/x-www-form-urlencoded"));
}

TEST_F(Integration, RedirectIsSentAsTheFetchersOwnRequestWithCookiesOfTheRedirect) {
    server.route("/start", [this](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(
            socket, 302, "moved",
            { { "Location", server.url("/end").toUtf8() }, { "Set-Cookie", "step=1; Path=/" } });
    });
    server.route("/end", [](const auto& request, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200,
                                request.method + " cookie=" + request.header("Cookie") +
                                    " body=" + request.body);
    });
    Outcome outcome;
    auto fetcher = start(server.url("/start"), outcome,
                         [](HTTPFetcher& f) { f.setPostData(QByteArray("x=1")); });
    ASSERT_TRUE(waitUntil([&] { return outcome.done; }));
    EXPECT_EQ(outcome.data, QByteArray("POST cookie=step=1 body=x=1"));
    EXPECT_EQ(fetcher->request()->URL(), QUrl(server.url("/end")));
}

TEST_F(Integration, RedirectToHttpsIsFollowedOverTls) {
    server.route("/secure", [this](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(
            socket, 301, "",
            { { "Location",
                QStringLiteral("https://127.0.0.1:%1/x").arg(server.port()).toUtf8() } });
    });
    Outcome outcome = fetch(server.url("/secure"));
    ASSERT_EQ(outcome.failedCalls, 1);
    EXPECT_EQ(outcome.error->domain(), kURLErrorDomain);
    ASSERT_TRUE(waitUntil([&] { return !server.strangers.empty(); }, 1.0));
    EXPECT_EQ(static_cast<unsigned char>(server.strangers.front().at(0)),
              0x16); // a TLS handshake record
}

TEST_F(Integration, TransportCookieHandlingUsesTheSharedStore) {
    HTTPCookieStorage::sharedHTTPCookieStorage().deleteAllCookies();
    server.route("/set", [](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, "set", { { "Set-Cookie", "jar=1; Path=/" } });
    });
    server.route("/echo", [](const auto& request, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, request.header("Cookie"));
    });
    auto transportHandles = [](HTTPFetcher& f) {
        f.setCookieStorageMethod(kHTTPFetcherCookieStorageMethodSystemDefault);
    };
    fetch(server.url("/set"), transportHandles);
    EXPECT_EQ(HTTPCookieStorage::sharedHTTPCookieStorage().cookies().size(), 1u);
    EXPECT_EQ(fetch(server.url("/echo"), transportHandles).data, QByteArray("jar=1"));
    // The fetcher's own list saw nothing, and a fetcher using it sends nothing.
    EXPECT_EQ(fetch(server.url("/echo")).data, QByteArray(""));
    HTTPCookieStorage::sharedHTTPCookieStorage().deleteAllCookies();
}

TEST_F(Integration, BasicAuthenticationWithCredentialAndFailureCount) {
    const QByteArray expected = "Basic " + QByteArray("ann:right").toBase64();
    server.route("/private", [expected](const auto& request, QTcpSocket& socket) {
        if (request.header("Authorization") == expected)
            TestHttpServer::respond(socket, 200, "welcome");
        else
            TestHttpServer::respond(socket, 401, "who?",
                                    { { "WWW-Authenticate", "Basic realm=\"test\"" } });
    });
    Outcome good = fetch(server.url("/private"), [](HTTPFetcher& f) {
        f.setCredential(UrlCredential { "ann", "right" });
    });
    EXPECT_EQ(good.data, QByteArray("welcome"))
        << (good.error ? good.error->domain() + " " + std::to_string(good.error->code()) : "");

    server.requests.clear();
    Outcome bad = fetch(server.url("/private"), [](HTTPFetcher& f) {
        f.setCredential(UrlCredential { "ann", "wrong" });
    });
    ASSERT_EQ(bad.failedCalls, 1);
    EXPECT_TRUE(bad.error->is(kHTTPFetcherErrorDomain, -2));
    // Asked without credentials, then with the credential at failure counts 0, 1 and 2.
    EXPECT_EQ(server.requests.size(), 4u);

    Outcome none = fetch(server.url("/private"));
    EXPECT_TRUE(none.error->is(kHTTPFetcherErrorDomain, -2));
}

// The test's server plays a proxy: plain HTTP requests reach it with the whole URL as target.
TEST_F(Integration, AProxyAskingForBasicCredentialsGetsTheProxyCredential) {
    const QByteArray expected = "Basic " + QByteArray("proxy:pass").toBase64();
    server.route("http://example.invalid/page",
                 [expected](const auto& request, QTcpSocket& socket) {
                     if (request.header("Proxy-Authorization") == expected)
                         TestHttpServer::respond(socket, 200, "through");
                     else
                         TestHttpServer::respond(
                             socket, 407, "", { { "Proxy-Authenticate", "Basic realm=\"gate\"" } });
                 });
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), server.port()));
    Outcome good = fetch(QStringLiteral("http://example.invalid/page"), [](HTTPFetcher& f) {
        f.setCredential(UrlCredential { "server", "only" });
        f.setProxyCredential(UrlCredential { "proxy", "pass" });
    });
    Outcome none = fetch(QStringLiteral("http://example.invalid/page"));
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));

    EXPECT_EQ(good.data, QByteArray("through"));
    ASSERT_EQ(server.requests.size(), 3u);
    EXPECT_TRUE(server.requests[0].header("Proxy-Authorization").isEmpty());
    EXPECT_TRUE(server.requests[1].header("Authorization").isEmpty()) << "not the server's";
    ASSERT_TRUE(none.error.has_value());
    EXPECT_TRUE(none.error->is(kHTTPFetcherErrorDomain, -2));
}

// An https fetch through a proxy opens a tunnel; the proxy's challenge to the tunnel is answered
// with the proxy credential (plain requests answer their 407 themselves, above).
TEST_F(Integration, AProxyChallengingAnHttpsTunnelGetsTheProxyCredential) {
    const QByteArray expected = "Basic " + QByteArray("proxy:pass").toBase64();
    server.route("secure.invalid:443", [expected](const auto& request, QTcpSocket& socket) {
        if (request.header("Proxy-Authorization") == expected)
            TestHttpServer::respond(socket, 200, "");
        else
            TestHttpServer::respond(socket, 407, "",
                                    { { "Proxy-Authenticate", "Basic realm=\"gate\"" } });
    });
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), server.port()));
    Outcome outcome = fetch(QStringLiteral("https://secure.invalid/x"), [](HTTPFetcher& f) {
        f.setProxyCredential(UrlCredential { "proxy", "pass" });
    });
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    EXPECT_EQ(outcome.failedCalls, 1); // the test's proxy speaks no TLS
    ASSERT_FALSE(server.requests.empty());
    EXPECT_EQ(server.requests.front().method, QByteArray("CONNECT"));
    EXPECT_EQ(server.requests.back().header("Proxy-Authorization"), expected);
}

TEST_F(Integration, CredentialsStayWithTheServerThatAskedForThem) {
    const QByteArray expected = "Basic " + QByteArray("ann:right").toBase64();
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
    Outcome outcome = fetch(server.url("/private"), [](HTTPFetcher& f) {
        f.setCredential(UrlCredential { "ann", "right" });
    });
    EXPECT_EQ(outcome.data, QByteArray("auth="));
    EXPECT_EQ(server.requests.size(), 3u);
}

TEST_F(Integration, ChunkedBodyArrivesWhole) {
    server.route("/chunked", [](const auto&, QTcpSocket& socket) {
        socket.write(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: text/plain\r\n\r\n"
            "5\r\nhello\r\n1\r\n \r\n5\r\nworld\r\n0\r\n\r\n");
    });
    std::vector<qsizetype> progress;
    Outcome outcome = fetch(server.url("/chunked"), [&progress](HTTPFetcher& f) {
        f.setReceivedDataSelector([&progress](HTTPFetcher&, const QByteArray& soFar) {
            progress.push_back(soFar.size());
        });
    });
    EXPECT_EQ(outcome.data, QByteArray("hello world"));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 11);
}

TEST_F(Integration, ConnectionClosedMidBodyFailsAsConnectionLost) {
    server.route("/cut", [](const auto&, QTcpSocket& socket) {
        socket.write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b");
        socket.flush();
        socket.disconnectFromHost();
    });
    Outcome outcome = fetch(server.url("/cut"));
    ASSERT_EQ(outcome.failedCalls, 1);
    EXPECT_TRUE(outcome.error->is(kURLErrorDomain, kURLErrorNetworkConnectionLost));
}

// A gzip member whose deflate data is not deflate data.
const QByteArray kCorruptGzip = QByteArray::fromHex("1f8b0800000000000003") + "not deflate at all";

// 20 MB of zeros as a deflate ("zlib") stream of about 20 KB, past the size at which Qt
// starts checking the compression ratio.
QByteArray deflateBomb() {
    static const QByteArray bomb = qCompress(QByteArray(20'000'000, '\0'), 9).mid(4);
    return bomb;
}

// A body that cannot be decoded (corrupt, or a decompression bomb) is no success.
TEST_F(Integration, UndecodableBodiesFail) {
    const QByteArray bomb = deflateBomb();
    server.route("/corrupt", [](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, kCorruptGzip, { { "Content-Encoding", "gzip" } });
    });
    server.route("/bomb", [&bomb](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, bomb, { { "Content-Encoding", "deflate" } });
    });
    const struct {
        const char* path;
        long code;
    } cases[] = {
        { "/corrupt", kURLErrorCannotDecodeRawData },
        { "/bomb", kURLErrorCannotDecodeRawData },
    };
    for (const auto& c : cases) {
        Outcome outcome = fetch(server.url(QString::fromLatin1(c.path)));
        ASSERT_EQ(outcome.failedCalls, 1) << c.path << " gave " << outcome.data.size() << " bytes";
        EXPECT_EQ(outcome.error->domain(), kURLErrorDomain) << c.path;
        EXPECT_EQ(outcome.error->code(), c.code)
            << c.path << ": " << outcome.error->localizedDescription();
    }
}

TEST_F(Integration, BodiesLargerThanTheMaximumFail) {
    const QByteArray body(4096, 'x');
    server.route("/announced", [body](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, body);
    });
    server.route("/streamed", [body](const auto&, QTcpSocket& socket) {
        socket.write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
        socket.disconnectFromHost();
    });
    for (const char* path : { "/announced", "/streamed" }) {
        auto limit = [](HTTPFetcher& f) { f.setMaxBodySize(4095); };
        Outcome over = fetch(server.url(QString::fromLatin1(path)), limit);
        ASSERT_EQ(over.failedCalls, 1) << path;
        EXPECT_TRUE(over.error->is(kURLErrorDomain, kURLErrorDataLengthExceedsMaximum)) << path;
        Outcome exact = fetch(server.url(QString::fromLatin1(path)),
                              [](HTTPFetcher& f) { f.setMaxBodySize(4096); });
        EXPECT_EQ(exact.data, body) << path;
    }
}

TEST_F(Integration, SilentServerTimesOut) {
    server.route("/silent", [](const auto&, QTcpSocket&) {});
    Outcome outcome;
    auto fetcher = start(server.url("/silent"), outcome,
                         [](HTTPFetcher& f) { f.request()->setTimeoutInterval(0.5); });
    double began = runLoop.now();
    ASSERT_TRUE(waitUntil([&] { return outcome.done; }, 3.0));
    EXPECT_TRUE(outcome.error->is(kURLErrorDomain, kURLErrorTimedOut));
    EXPECT_GE(runLoop.now() - began, 0.45);
}

TEST_F(Integration, RefusedConnectionAndBadSchemeFailInTheURLDomain) {
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    quint16 port = closed.serverPort();
    closed.close();
    Outcome refused = fetch(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    EXPECT_TRUE(refused.error->is(kURLErrorDomain, kURLErrorCannotConnectToHost));

    Outcome unsupported = fetch(QStringLiteral("gopher://127.0.0.1/"));
    EXPECT_TRUE(unsupported.error->is(kURLErrorDomain, kURLErrorUnsupportedURL));
}

// The tool fetches its URLs one after another sharing one history: the second fetch of a dated
// URL is conditional, with or without bodies kept.
TEST_F(Integration, FetchToolSharesItsHistoryAcrossTheURLs) {
    const QByteArray date = kDocumentDate;
    routeDatedDocument();
    const auto run = [&](const QStringList& options) {
        fixtures::ProcessRun result =
            runTool(options + QStringList { server.url("/doc"), server.url("/doc") });
        return std::make_pair(result.exitCode, result.output);
    };

    auto [cachedStatus, cached] = run({ "--history", "--cache-dated-data" });
    EXPECT_EQ(cachedStatus, 0);
    EXPECT_EQ(cached, "ok 200 9\nok 304 9\n");
    ASSERT_EQ(server.requests.size(), 2u);
    EXPECT_EQ(server.requests[1].header("If-Modified-Since"), date);

    // Without kept bodies a 304 has nothing to serve: the conditional request still goes out,
    // and the fetch fails with the status.
    auto [plainStatus, plain] = run({ "--history" });
    EXPECT_EQ(plainStatus, 1);
    EXPECT_TRUE(plain.startsWith("ok 200 9\nfailed org.sweeplight.HTTPStatus 304: "))
        << plain.toStdString();
    ASSERT_EQ(server.requests.size(), 4u);
    EXPECT_EQ(server.requests[3].header("If-Modified-Since"), date);
}

// The tool refuses what a hostile server sends: a body that cannot be decoded, a decompression
// bomb larger than --max-body, and a cookie for a whole registry (through a proxy, so that the
// names are real host names).
TEST_F(Integration, FetchToolRefusesBadBodiesAndRegistryWideCookies) {
    const QByteArray bomb = deflateBomb();
    server.route("/corrupt", [](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, kCorruptGzip, { { "Content-Encoding", "gzip" } });
    });
    server.route("/bomb", [&bomb](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, bomb, { { "Content-Encoding", "deflate" } });
    });
    server.route("/big", [](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, QByteArray(1'000'001, 'x'));
    });
    // Qt sees through this bomb before the body reaches the limit.
    fixtures::ProcessRun bodies = runTool({ "--max-body", "1000000", server.url("/corrupt"),
                                            server.url("/bomb"), server.url("/big") });
    EXPECT_EQ(bodies.exitCode, 1);
    const QStringList lines = bodies.output.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << bodies.output.toStdString();
    EXPECT_TRUE(lines[0].startsWith("failed NSURLErrorDomain -1015: ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("failed NSURLErrorDomain -1015: ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("failed NSURLErrorDomain -1103: ")) << lines[2].toStdString();
    EXPECT_TRUE(lines[0].contains("cannot decode")) << lines[0].toStdString();
    EXPECT_TRUE(lines[2].contains("exceeds maximum size")) << lines[2].toStdString();

    server.route("http://a.example.com/set", [](const auto&, QTcpSocket& socket) {
        TestHttpServer::respond(socket, 200, "set",
                                { { "Set-Cookie", "wide=1; Domain=.com; Path=/" },
                                  { "Set-Cookie", "site=1; Domain=example.com; Path=/" },
                                  { "Set-Cookie", "own=1; Path=/" } });
    });
    for (const char* echo :
         { "http://other.com/echo", "http://sub.a.example.com/echo", "http://a.example.com/echo" })
        server.route(echo, [](const auto&, QTcpSocket& socket) {
            TestHttpServer::respond(socket, 200, "echo");
        });
    server.requests.clear();
    fixtures::ProcessRun cookies =
        runTool({ "http://a.example.com/set", "http://other.com/echo",
                  "http://sub.a.example.com/echo", "http://a.example.com/echo" },
                true);
    EXPECT_EQ(cookies.exitCode, 0) << cookies.output.toStdString();
    ASSERT_EQ(server.requests.size(), 4u);
    EXPECT_EQ(server.requests[1].header("Cookie"), QByteArray());
    EXPECT_EQ(server.requests[2].header("Cookie"), QByteArray("site=1"));
    EXPECT_EQ(server.requests[3].header("Cookie"), QByteArray("site=1; own=1"));
}

} // namespace
} // namespace sweeplight::fetcher::testing
