// Cost of HTTPFetcher over bare QNetworkAccessManager for sequential GETs on loopback, of cookie
// matching over a large list, and of storing and expiring many cookies.

#include "fetcher/HTTPFetcher.h"
#include "foundation/QtRunLoop.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace {

using sweeplight::fetcher::HTTPFetcher;
using sweeplight::fetcher::UrlRequest;

constexpr int kGetsPerRun = 1000;

// Answers every request on a kept-alive connection with the same small body. Qt's client reuses
// its connection; the fetcher's transport opens one per request, so its figures include TCP
// set-up on the loopback.
class LoopbackServer {
public:
    LoopbackServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [socket] { answer(*socket); });
        });
    }
    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/data").arg(server_.serverPort()));
    }

private:
    static void answer(QTcpSocket& socket) {
        QByteArray& pending = buffers()[&socket];
        pending += socket.readAll();
        for (qsizetype end; (end = pending.indexOf("\r\n\r\n")) >= 0;) {
            pending.remove(0, end + 4);
            static const QByteArray body = "{\"scores\":[1,2,3],\"ok\":true}";
            static const QByteArray answer =
                "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\n\r\n" + body;
            socket.write(answer);
        }
    }
    static std::map<QTcpSocket*, QByteArray>& buffers() {
        static std::map<QTcpSocket*, QByteArray> map;
        return map;
    }

    QTcpServer server_;
};

struct Environment {
    Environment() {
        static int argc = 1;
        static char name[] = "fetcher_bench";
        static char* argv[] = { name, nullptr };
        application = std::make_unique<QCoreApplication>(argc, argv);
        runLoop = std::make_unique<sweeplight::foundation::QtRunLoop>();
        HTTPFetcher::setRunLoop(runLoop.get());
        server = std::make_unique<LoopbackServer>();
    }
    std::unique_ptr<QCoreApplication> application;
    std::unique_ptr<sweeplight::foundation::QtRunLoop> runLoop;
    std::unique_ptr<LoopbackServer> server;
};

Environment& environment() {
    static Environment* instance = new Environment();
    return *instance;
}

bool getThroughFetcher(const QUrl& url, qint64& bytes) {
    QEventLoop loop;
    bool ok = false;
    auto fetcher = HTTPFetcher::create(UrlRequest(url));
    fetcher->beginFetchWithDelegate(
        nullptr,
        [&](HTTPFetcher&, const QByteArray& data) {
            bytes += data.size();
            ok = true;
            loop.quit();
        },
        [&](HTTPFetcher&, const sweeplight::fetcher::FetchError&) { loop.quit(); });
    loop.exec();
    return ok;
}

bool getThroughManager(QNetworkAccessManager& manager, const QUrl& url, qint64& bytes) {
    QEventLoop loop;
    bool ok = false;
    QNetworkReply* reply = manager.get(QNetworkRequest(url));
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
        ok = reply->error() == QNetworkReply::NoError;
        bytes += reply->readAll().size();
        reply->deleteLater();
        loop.quit();
    });
    loop.exec();
    return ok;
}

// Each iteration: 1000 sequential GETs.
void BM_SequentialGetsThroughHTTPFetcher(benchmark::State& state) {
    const QUrl url = environment().server->url();
    qint64 bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < kGetsPerRun; ++i)
            if (!getThroughFetcher(url, bytes))
                state.SkipWithError("fetch failed");
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_SequentialGetsThroughHTTPFetcher)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

void BM_SequentialGetsThroughQNetworkAccessManager(benchmark::State& state) {
    const QUrl url = environment().server->url();
    QNetworkAccessManager manager;
    qint64 bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < kGetsPerRun; ++i)
            if (!getThroughManager(manager, url, bytes))
                state.SkipWithError("get failed");
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_SequentialGetsThroughQNetworkAccessManager)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

// The two ways alternate GET by GET, so that a machine whose load drifts treats both alike.
// Needs a loaded machine's patience: compare medians of several repetitions.
// Counters: total wall time of the 1000 GETs of each kind and the fetcher's overhead.
void BM_InterleavedGetsFetcherVersusManager(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const QUrl url = environment().server->url();
    QNetworkAccessManager manager;
    qint64 bytes = 0;
    Clock::duration fetcherTime {};
    Clock::duration managerTime {};
    for (auto _ : state) {
        for (int i = 0; i < kGetsPerRun; ++i) {
            // The first GET of a pair pays for the cleanup of the one before: alternate the order.
            const bool fetcherFirst = i % 2 == 0;
            auto start = Clock::now();
            fetcherFirst ? getThroughFetcher(url, bytes) : getThroughManager(manager, url, bytes);
            auto middle = Clock::now();
            fetcherFirst ? getThroughManager(manager, url, bytes) : getThroughFetcher(url, bytes);
            auto end = Clock::now();
            fetcherTime += fetcherFirst ? middle - start : end - middle;
            managerTime += fetcherFirst ? end - middle : middle - start;
        }
    }
    auto ms = [&](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count() /
               static_cast<double>(state.iterations());
    };
    state.counters["fetcher_ms"] = ms(fetcherTime);
    state.counters["qnam_ms"] = ms(managerTime);
    state.counters["overhead_pct"] = 100.0 * (ms(fetcherTime) - ms(managerTime)) / ms(managerTime);
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_InterleavedGetsFetcherVersusManager)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

void BM_CookieMatchingOverTenThousandCookies(benchmark::State& state) {
    std::vector<QNetworkCookie> cookies;
    cookies.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        QNetworkCookie cookie(QByteArray("c") + QByteArray::number(i), "value");
        // 1000 hosts under 100 sites, with some domain cookies and deeper paths.
        QString site = QStringLiteral("site%1.example").arg(i % 100);
        cookie.setDomain(i % 10 == 0 ? QLatin1Char('.') + site
                                     : QStringLiteral("h%1.%2").arg(i % 1000).arg(site));
        cookie.setPath(i % 3 == 0 ? QStringLiteral("/app") : QStringLiteral("/"));
        cookies.push_back(cookie);
    }
    const QUrl url(QStringLiteral("http://h42.site42.example/app/page"));
    std::size_t matched = 0;
    for (auto _ : state) {
        matched = HTTPFetcher::cookiesForURL(url, cookies).size();
        benchmark::DoNotOptimize(matched);
    }
    state.counters["matched"] = static_cast<double>(matched);
}
BENCHMARK(BM_CookieMatchingOverTenThousandCookies)->Unit(benchmark::kMicrosecond);

QNetworkCookie benchCookie(int i) {
    QNetworkCookie cookie(QByteArray("c") + QByteArray::number(i), "value");
    cookie.setDomain(QStringLiteral(".site%1.example").arg(i % 100));
    cookie.setPath(i % 3 == 0 ? QStringLiteral("/app") : QStringLiteral("/"));
    return cookie;
}

// Storing N cookies of distinct identities into an empty list, then the same N again (each
// replacing its namesake), as one response setting many cookies would.
void BM_StoringCookies(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<QNetworkCookie> incoming;
    for (int i = 0; i < count; ++i)
        incoming.push_back(benchCookie(i));
    std::size_t stored = 0;
    for (auto _ : state) {
        std::vector<QNetworkCookie> list;
        HTTPFetcher::setCookies(incoming, list);
        HTTPFetcher::setCookies(incoming, list);
        stored = list.size();
        benchmark::DoNotOptimize(stored);
    }
    state.counters["stored"] = static_cast<double>(stored);
}
BENCHMARK(BM_StoringCookies)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);

// Removing the expired half (every other cookie) of a list of N.
void BM_RemovingExpiredCookies(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const QDateTime past = QDateTime::currentDateTimeUtc().addSecs(-60);
    std::vector<QNetworkCookie> full;
    for (int i = 0; i < count; ++i) {
        full.push_back(benchCookie(i));
        if (i % 2)
            full.back().setExpirationDate(past);
    }
    std::size_t left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<QNetworkCookie> list = full;
        state.ResumeTiming();
        HTTPFetcher::removeExpiredCookiesInArray(list);
        left = list.size();
        benchmark::DoNotOptimize(left);
    }
    state.counters["left"] = static_cast<double>(left);
}
BENCHMARK(BM_RemovingExpiredCookies)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
