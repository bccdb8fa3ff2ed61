#include "FetcherFixture.h"
#include "fetcher/FetchHistory.h"

#include <cmath>

namespace sweeplight::fetcher::testing {
namespace {

class Retry : public FetcherTest {
protected:
    std::shared_ptr<HTTPFetcher> retrying(const char* url, Outcome& outcome) {
        return begun(QString::fromLatin1(url), outcome,
                     [](HTTPFetcher& f) { f.setIsRetryEnabled(true); });
    }
    void fireRetryTimer() { EXPECT_TRUE(runLoop.runNext()); }
};

// The minimum is drawn between 1 and 2 seconds when retry is switched on or given a value that
// is no interval; switching on again keeps what was set.
TEST_F(Retry, MinimumIsDrawnBetweenOneAndTwoUnlessSet) {
    auto f = create(get("http://example.com/"));
    f->setIsRetryEnabled(true);
    EXPECT_TRUE(f->minRetryInterval() >= 1 && f->minRetryInterval() <= 2);
    f->setMinRetryInterval(5);
    f->setIsRetryEnabled(true);
    EXPECT_EQ(f->minRetryInterval(), 5.0);
    f->setMinRetryInterval(std::nan(""));
    f->setMaxRetryInterval(0);
    EXPECT_TRUE(f->minRetryInterval() >= 1 && f->minRetryInterval() <= 2);
    EXPECT_EQ(f->maxRetryInterval(), 600.0);
}

// Each retry sends the same request again after the minimum, doubling up to the maximum; the
// last answer is then the failure.
TEST_F(Retry, BackOffDoublesFromTheMinimumUntilTheMaximumThenFails) {
    Outcome outcome;
    auto fetcher = begun("http://example.com/busy", outcome, [](HTTPFetcher& f) {
        f.setIsRetryEnabled(true);
        f.setMinRetryInterval(1.0);
    });
    std::vector<double> delays;
    for (;;) {
        last().answer(delays.size() % 2 ? 504 : 503);
        if (outcome.failedCalls)
            break;
        EXPECT_TRUE(fetcher->isFetching());
        runLoop.runPending();
        const double before = runLoop.now();
        ASSERT_TRUE(runLoop.runNext());
        delays.push_back(runLoop.now() - before);
        EXPECT_EQ(last().request.URL(), QUrl("http://example.com/busy"));
    }
    EXPECT_EQ(delays, (std::vector<double> { 1, 2, 4, 8, 16, 32, 64, 128, 256, 512 }));
    EXPECT_EQ(outcome.error->code(), 503);
    EXPECT_EQ(fetcher->retryCount(), 10u);
    EXPECT_EQ(outcome.finishedCalls, 0);
}

// Retry off fails at once.
TEST_F(Retry, OnlyTimeoutsLostConnectionsAnd408_503_504AreRetryErrors) {
    const struct {
        const char* domain;
        long code;
        bool retry;
    } rows[] = {
        { kURLErrorDomain, -1001, true },         { kURLErrorDomain, -1005, true },
        { kURLErrorDomain, -1004, false },        { kHTTPFetcherStatusDomain, 408, true },
        { kHTTPFetcherStatusDomain, 503, true },  { kHTTPFetcherStatusDomain, 504, true },
        { kHTTPFetcherStatusDomain, 500, false }, { "other", 503, false },
    };
    for (const auto& row : rows)
        EXPECT_EQ(HTTPFetcher::isRetryError(FetchError(row.domain, row.code)), row.retry)
            << row.domain << " " << row.code;
    Outcome once;
    begun("http://example.com/", once);
    last().answer(503);
    EXPECT_EQ(once.failedCalls, 1);
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}

TEST_F(Retry, CallbackCanForceOrVetoARetry) {
    std::vector<std::pair<bool, long>> asked;
    Outcome outcome;
    retrying("http://example.com/", outcome)
        ->setRetrySelector([&](HTTPFetcher&, bool suggested, const FetchError& error) {
            asked.emplace_back(suggested, error.code());
            return error.code() == 404;
        });
    last().answer(404);
    EXPECT_EQ(outcome.failedCalls, 0);
    fireRetryTimer();
    last().answer(503);
    EXPECT_EQ(outcome.failedCalls, 1);
    EXPECT_EQ(asked, (std::vector<std::pair<bool, long>> { { false, 404 }, { true, 503 } }));
}

// A success after a retry is a success, whatever the ended connection still reports. Stopped
// while waiting, nothing more is sent or called.
TEST_F(Retry, WaitingFetcherKeepsItselfAliveAndIgnoresTheEndedConnection) {
    std::weak_ptr<HTTPFetcher> weak;
    Outcome outcome;
    std::shared_ptr<ConnectionRecord> first;
    {
        weak = retrying("http://example.com/", outcome);
        first = factory->records.back();
        first->answer(503);
    }
    EXPECT_FALSE(weak.expired());
    EXPECT_TRUE(first->cancelled);
    ASSERT_NE(first->connection, nullptr);
    first->respond(200);
    first->send("stale");
    first->finish();
    EXPECT_EQ(outcome.finishedCalls, 0);
    fireRetryTimer();
    last().answer(200, "ok");
    EXPECT_EQ(outcome.data, QByteArray("ok"));
    runLoop.runPending();
    EXPECT_TRUE(weak.expired());

    Outcome stopped;
    auto waiting = retrying("http://example.com/", stopped);
    last().answer(503);
    waiting->stopFetching();
    runLoop.advance(1000);
    EXPECT_EQ(factory->records.size(), 3u);
    EXPECT_FALSE(stopped.done());
}

// The fields the fetcher adds are added once per attempt, computed afresh, on top of the
// caller's own values, and the request is the caller's own again afterwards.
TEST_F(Retry, RetriedRequestCarriesAddedFieldsOnce) {
    auto history = std::make_shared<FetchHistory>();
    const QString date = QStringLiteral("Sat, 01 Jan 2000 00:00:00 GMT");
    history->lastModifiedCreatingIfNeeded()[QStringLiteral("http://example.com/doc")] = date;
    addCookie(*history->cookiesCreatingIfNeeded(), "session", "s1", "example.com");
    Outcome outcome;
    auto fetcher = begun("http://example.com/doc", outcome, [&](HTTPFetcher& f) {
        f.request()->setValue(QStringLiteral("mine=1"), QStringLiteral("Cookie"));
        f.setFetchHistory(history);
        f.setIsRetryEnabled(true);
    });
    const auto firstFields = last().request.allHTTPHeaderFields();
    EXPECT_EQ(sent("Cookie"), QStringLiteral("mine=1,session=s1"));
    EXPECT_EQ(sent("If-Modified-Since"), date);
    last().fail(kURLErrorNetworkConnectionLost);
    fireRetryTimer();
    EXPECT_EQ(last().request.allHTTPHeaderFields(), firstFields);

    last().answer(503, {}, fields({ { "Set-Cookie", "session=s2; Path=/" } }));
    fireRetryTimer();
    EXPECT_EQ(sent("Cookie"), QStringLiteral("mine=1,session=s2"));
    // The 503 removed the stored date, so the retry is no longer conditional.
    EXPECT_TRUE(sent("If-Modified-Since").isNull());
    last().answer(200, "x");
    EXPECT_EQ(fetcher->request()->valueForHTTPHeaderField("Cookie"), QStringLiteral("mine=1"));
    EXPECT_TRUE(fetcher->request()->valueForHTTPHeaderField("If-Modified-Since").isNull());
}

} // namespace
} // namespace sweeplight::fetcher::testing
