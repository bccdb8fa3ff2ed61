#include "FetcherFixture.h"
#include "fetcher/FetchHistory.h"

#include <cmath>

namespace sweeplight::fetcher::testing {
namespace {

class Retry : public FetcherTest {
protected:
    std::shared_ptr<HTTPFetcher> retrying(const char* url, Outcome& outcome) {
        auto fetcher = create(get(QString::fromLatin1(url)));
        fetcher->setIsRetryEnabled(true);
        EXPECT_TRUE(begin(*fetcher, outcome));
        return fetcher;
    }
    void fireRetryTimer() { EXPECT_TRUE(runLoop.runNext()); }
};

// The minimum is drawn between 1 and 2 seconds when retry is switched on or given a value that
// is no interval; switching on again keeps what was set.
TEST_F(Retry, MinimumIsDrawnBetweenOneAndTwoUnlessSet) {
    auto fetcher = create(get("http://example.com/"));
    EXPECT_FALSE(fetcher->isRetryEnabled());
    fetcher->setIsRetryEnabled(true);
    EXPECT_GE(fetcher->minRetryInterval(), 1.0);
    EXPECT_LE(fetcher->minRetryInterval(), 2.0);
    fetcher->setMinRetryInterval(5);
    fetcher->setIsRetryEnabled(true);
    EXPECT_EQ(fetcher->minRetryInterval(), 5.0);
    for (double invalid : { 0.0, -3.0, std::nan("") }) {
        fetcher->setMinRetryInterval(invalid);
        EXPECT_GE(fetcher->minRetryInterval(), 1.0);
        EXPECT_LE(fetcher->minRetryInterval(), 2.0);
        fetcher->setMaxRetryInterval(invalid);
        EXPECT_EQ(fetcher->maxRetryInterval(), 600.0);
    }
}

// Each retry sends the same request again after the minimum, doubling up to the maximum; the
// last answer is then the failure.
TEST_F(Retry, BackOffDoublesFromTheMinimumUntilTheMaximumThenFails) {
    Outcome outcome;
    auto fetcher = create(get("http://example.com/busy"));
    fetcher->setIsRetryEnabled(true);
    fetcher->setMinRetryInterval(1.0);
    ASSERT_TRUE(begin(*fetcher, outcome));
    std::vector<double> delays;
    for (;;) {
        factory->lastRecord().answer(delays.size() % 2 ? 504 : 503);
        if (outcome.failedCalls)
            break;
        EXPECT_TRUE(fetcher->isFetching());
        runLoop.runPending();
        const double before = runLoop.now();
        ASSERT_TRUE(runLoop.runNext());
        delays.push_back(runLoop.now() - before);
        EXPECT_EQ(factory->lastRecord().request.URL(), QUrl("http://example.com/busy"));
    }
    EXPECT_EQ(delays, (std::vector<double> { 1, 2, 4, 8, 16, 32, 64, 128, 256, 512 }));
    EXPECT_EQ(outcome.error->code(), 503);
    EXPECT_EQ(fetcher->retryCount(), 10u);
    EXPECT_EQ(outcome.finishedCalls, 0);

    // A success after retries is a success; a minimum at the maximum never retries.
    Outcome later;
    retrying("http://example.com/", later);
    factory->lastRecord().answer(503);
    fireRetryTimer();
    factory->lastRecord().answer(200, "done");
    EXPECT_EQ(later.data, QByteArray("done"));
    auto never = create(get("http://example.com/"));
    never->setIsRetryEnabled(true);
    never->setMinRetryInterval(30);
    never->setMaxRetryInterval(30);
    Outcome neverOutcome;
    ASSERT_TRUE(begin(*never, neverOutcome));
    factory->lastRecord().answer(503);
    EXPECT_EQ(neverOutcome.failedCalls, 1);
}

TEST_F(Retry, OnlyTimeoutsLostConnectionsAnd408_503_504AreRetryErrors) {
    const struct {
        const char* domain;
        long code;
        bool retry;
    } rows[] = {
        { kURLErrorDomain, -1001, true },
        { kURLErrorDomain, -1005, true },
        { kURLErrorDomain, -1004, false },
        { kHTTPFetcherStatusDomain, 408, true },
        { kHTTPFetcherStatusDomain, 503, true },
        { kHTTPFetcherStatusDomain, 504, true },
        { kHTTPFetcherStatusDomain, 304, false },
        { kHTTPFetcherStatusDomain, 404, false },
        { kHTTPFetcherStatusDomain, 500, false },
        { kHTTPFetcherErrorDomain, -2, false },
        { "other", 503, false },
    };
    for (const auto& row : rows)
        EXPECT_EQ(HTTPFetcher::isRetryError(FetchError(row.domain, row.code)), row.retry)
            << row.domain << " " << row.code;

    // Retry off fails at once.
    Outcome once;
    begun("http://example.com/", once);
    factory->lastRecord().answer(503);
    EXPECT_EQ(once.failedCalls, 1);
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}

TEST_F(Retry, CallbackCanForceOrVetoARetry) {
    std::vector<std::pair<bool, long>> asked;
    auto fetcher = create(get("http://example.com/"));
    fetcher->setIsRetryEnabled(true);
    fetcher->setRetrySelector([&](HTTPFetcher&, bool suggested, const FetchError& error) {
        asked.emplace_back(suggested, error.code());
        return error.code() == 404;
    });
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().answer(404);
    EXPECT_EQ(outcome.failedCalls, 0);
    fireRetryTimer();
    factory->lastRecord().answer(503);
    EXPECT_EQ(outcome.failedCalls, 1);
    EXPECT_EQ(outcome.error->code(), 503);
    EXPECT_EQ(asked, (std::vector<std::pair<bool, long>> { { false, 404 }, { true, 503 } }));
}

TEST_F(Retry, StopWhileWaitingCancelsTheTimerSilently) {
    Outcome outcome;
    auto fetcher = retrying("http://example.com/", outcome);
    factory->lastRecord().answer(503);
    fetcher->stopFetching();
    EXPECT_FALSE(fetcher->isFetching());
    runLoop.advance(1000);
    EXPECT_EQ(factory->records.size(), 1u);
    EXPECT_EQ(outcome.failedCalls + outcome.finishedCalls, 0);
}

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
    // The ended connection is still referenced; whatever it reports now is ignored.
    ASSERT_NE(first->connection, nullptr);
    first->answer(200, "stale");
    EXPECT_EQ(outcome.finishedCalls, 0);
    fireRetryTimer();
    factory->lastRecord().answer(200, "ok");
    EXPECT_EQ(outcome.data, QByteArray("ok"));
    runLoop.runPending();
    EXPECT_TRUE(weak.expired());
}

// The fields the fetcher adds are added once per attempt, computed afresh, on top of the
// caller's own values, and the request is the caller's own again afterwards.
TEST_F(Retry, RetriedRequestCarriesAddedFieldsOnce) {
    auto history = std::make_shared<FetchHistory>();
    history->lastModifiedCreatingIfNeeded()[QStringLiteral("http://example.com/doc")] =
        QStringLiteral("Sat, 01 Jan 2000 00:00:00 GMT");
    addCookie(*history->cookiesCreatingIfNeeded(), "session", "s1", "example.com");
    auto fetcher = create(get("http://example.com/doc"));
    fetcher->request()->setValue(QStringLiteral("mine=1"), QStringLiteral("Cookie"));
    fetcher->setFetchHistory(history);
    fetcher->setIsRetryEnabled(true);
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    const auto firstFields = factory->lastRecord().request.allHTTPHeaderFields();
    EXPECT_EQ(firstFields.value("Cookie"), QStringLiteral("mine=1,session=s1"));
    EXPECT_EQ(firstFields.value("If-Modified-Since"),
              QStringLiteral("Sat, 01 Jan 2000 00:00:00 GMT"));

    factory->lastRecord().fail(kURLErrorNetworkConnectionLost);
    fireRetryTimer();
    EXPECT_EQ(factory->lastRecord().request.allHTTPHeaderFields(), firstFields);

    factory->lastRecord().answer(503, {}, fields({ { "Set-Cookie", "session=s2; Path=/" } }));
    fireRetryTimer();
    const auto retried = factory->lastRecord().request.allHTTPHeaderFields();
    EXPECT_EQ(retried.value("Cookie"), QStringLiteral("mine=1,session=s2"));
    // The 503 removed the stored date, so the retry is no longer conditional.
    EXPECT_TRUE(retried.value("If-Modified-Since").isNull());
    factory->lastRecord().answer(200, "x");
    EXPECT_EQ(fetcher->request()->allHTTPHeaderFields().value("Cookie"), QStringLiteral("mine=1"));
    EXPECT_TRUE(fetcher->request()->valueForHTTPHeaderField("If-Modified-Since").isNull());
}

} // namespace
} // namespace sweeplight::fetcher::testing
