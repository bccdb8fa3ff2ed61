#include "FetcherFixture.h"
#include "fetcher/FetchHistory.h"

#include <QNetworkCookie>
#include <cmath>

namespace sweeplight::fetcher::testing {
namespace {

class Retry : public FetcherTest {
protected:
    void fireRetryTimer() { EXPECT_TRUE(runLoop.runNext()); }
};

TEST_F(Retry, SwitchingOnDrawsMinimumBetweenOneAndTwoAndSetsDefaults) {
    auto fetcher = create(get("http://example.com/"));
    EXPECT_FALSE(fetcher->isRetryEnabled());
    fetcher->setIsRetryEnabled(true);
    EXPECT_TRUE(fetcher->isRetryEnabled());
    EXPECT_GE(fetcher->minRetryInterval(), 1.0);
    EXPECT_LE(fetcher->minRetryInterval(), 2.0);
    EXPECT_EQ(fetcher->maxRetryInterval(), 600.0);
    EXPECT_EQ(fetcher->retryFactor(), 2.0);

    // Switching on again keeps what was set.
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

TEST_F(Retry, ServiceUnavailableWaitsTheMinimumThenSendsAgainWithDoublingDelays) {
    auto fetcher = create(get("http://example.com/busy"));
    fetcher->setIsRetryEnabled(true);
    const double minimum = fetcher->minRetryInterval();
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().answer(503);

    EXPECT_EQ(outcome.failedCalls + outcome.finishedCalls, 0);
    EXPECT_TRUE(fetcher->isFetching());
    EXPECT_DOUBLE_EQ(runLoop.nextDueTime(), minimum);
    runLoop.advance(minimum - 0.001);
    EXPECT_EQ(factory->records.size(), 1u);
    runLoop.advance(0.001);
    EXPECT_EQ(fetcher->retryCount(), 1u);
    ASSERT_EQ(factory->records.size(), 2u);
    EXPECT_EQ(factory->lastRecord().request.URL(), QUrl("http://example.com/busy"));

    factory->lastRecord().answer(503);
    EXPECT_DOUBLE_EQ(fetcher->lastRetryInterval(), 2 * minimum);
    runLoop.advance(2 * minimum);
    ASSERT_EQ(factory->records.size(), 3u);
    factory->lastRecord().answer(200, "done");
    EXPECT_EQ(outcome.finishedCalls, 1);
    EXPECT_EQ(outcome.failedCalls, 0);
    EXPECT_EQ(fetcher->retryCount(), 2u);
    EXPECT_FALSE(fetcher->isFetching());
}

TEST_F(Retry, BackOffRunsOneToFiveHundredTwelveThenFails) {
    auto fetcher = create(get("http://example.com/"));
    fetcher->setIsRetryEnabled(true);
    fetcher->setMinRetryInterval(1.0);
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    std::vector<double> delays;
    while (outcome.failedCalls == 0) {
        factory->lastRecord().answer(504);
        if (outcome.failedCalls)
            break;
        runLoop.runPending();
        double before = runLoop.now();
        ASSERT_TRUE(runLoop.runNext());
        delays.push_back(runLoop.now() - before);
    }
    EXPECT_EQ(delays, (std::vector<double> { 1, 2, 4, 8, 16, 32, 64, 128, 256, 512 }));
    EXPECT_EQ(outcome.error->code(), 504);
    EXPECT_EQ(fetcher->retryCount(), 10u);

    // A minimum at the maximum never retries.
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
    EXPECT_TRUE(HTTPFetcher::isRetryError(FetchError(kURLErrorDomain, -1001)));
    EXPECT_TRUE(HTTPFetcher::isRetryError(FetchError(kURLErrorDomain, -1005)));
    EXPECT_FALSE(HTTPFetcher::isRetryError(FetchError(kURLErrorDomain, -1004)));
    for (long status : { 408, 503, 504 })
        EXPECT_TRUE(HTTPFetcher::isRetryError(FetchError(kHTTPFetcherStatusDomain, status)));
    for (long status : { 304, 404, 500 })
        EXPECT_FALSE(HTTPFetcher::isRetryError(FetchError(kHTTPFetcherStatusDomain, status)));
    EXPECT_FALSE(HTTPFetcher::isRetryError(FetchError(kHTTPFetcherErrorDomain, -2)));
    EXPECT_FALSE(HTTPFetcher::isRetryError(FetchError("other", 503)));

    auto fetcher = create(get("http://example.com/"));
    fetcher->setIsRetryEnabled(true);
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().fail(kURLErrorNetworkConnectionLost);
    EXPECT_EQ(outcome.failedCalls, 0);
    fireRetryTimer();
    factory->lastRecord().fail(kURLErrorCannotConnectToHost);
    EXPECT_EQ(outcome.failedCalls, 1);
    EXPECT_TRUE(outcome.error->is(kURLErrorDomain, kURLErrorCannotConnectToHost));
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
    EXPECT_TRUE(fetcher->isFetching());
    fireRetryTimer();
    factory->lastRecord().answer(503);
    EXPECT_EQ(outcome.failedCalls, 1);
    EXPECT_EQ(outcome.error->code(), 503);
    EXPECT_EQ(asked, (std::vector<std::pair<bool, long>> { { false, 404 }, { true, 503 } }));
}

TEST_F(Retry, RetryOffFailsAtOnce) {
    auto fetcher = create(get("http://example.com/"));
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().answer(503);
    EXPECT_EQ(outcome.failedCalls, 1);
    EXPECT_EQ(runLoop.scheduledCount(), 0u);
}

TEST_F(Retry, StopWhileWaitingCancelsTheTimerSilently) {
    auto fetcher = create(get("http://example.com/"));
    fetcher->setIsRetryEnabled(true);
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().answer(503);
    EXPECT_TRUE(fetcher->isFetching());
    fetcher->stopFetching();
    EXPECT_FALSE(fetcher->isFetching());
    runLoop.advance(1000);
    EXPECT_EQ(factory->records.size(), 1u);
    EXPECT_EQ(outcome.failedCalls + outcome.finishedCalls, 0);
    EXPECT_EQ(fetcher->retryCount(), 0u);
}

TEST_F(Retry, WaitingFetcherKeepsItselfAliveAndIgnoresTheEndedConnection) {
    std::weak_ptr<HTTPFetcher> weak;
    Outcome outcome;
    std::shared_ptr<ConnectionRecord> first;
    {
        auto fetcher = create(get("http://example.com/"));
        fetcher->setIsRetryEnabled(true);
        weak = fetcher;
        ASSERT_TRUE(begin(*fetcher, outcome));
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
    EXPECT_EQ(outcome.finishedCalls, 1);
    runLoop.runPending();
    EXPECT_TRUE(weak.expired());
}

// The fields the fetcher adds are added once per attempt, computed afresh, on top of the
// caller's own values.
TEST_F(Retry, RetriedRequestCarriesAddedFieldsOnce) {
    auto history = std::make_shared<FetchHistory>();
    history->lastModifiedCreatingIfNeeded()[QStringLiteral("http://example.com/doc")] =
        QStringLiteral("Sat, 01 Jan 2000 00:00:00 GMT");
    {
        auto& list = *history->cookiesCreatingIfNeeded();
        std::lock_guard guard(list.lock);
        QNetworkCookie cookie("session", "s1");
        cookie.setDomain("example.com");
        cookie.setPath("/");
        list.cookies.push_back(cookie);
    }
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
    fetcher->stopFetching();
}

TEST_F(Retry, RequestIsTheCallersOwnAgainAfterAFetch) {
    {
        std::lock_guard guard(HTTPFetcher::staticCookies()->lock);
        QNetworkCookie cookie("s", "v");
        cookie.setDomain("example.com");
        cookie.setPath("/");
        HTTPFetcher::staticCookies()->cookies.push_back(cookie);
    }
    auto fetcher = create(get("http://example.com/"));
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().answer(200, "x");
    EXPECT_TRUE(fetcher->request()->valueForHTTPHeaderField("Cookie").isNull());

    fetcher->request()->setValue(QStringLiteral("c=1"), QStringLiteral("Cookie"));
    ASSERT_TRUE(begin(*fetcher, outcome));
    EXPECT_EQ(factory->lastRecord().request.valueForHTTPHeaderField("Cookie"),
              QStringLiteral("c=1,s=v"));
    fetcher->stopFetching();
    EXPECT_EQ(fetcher->request()->valueForHTTPHeaderField("Cookie"), QStringLiteral("c=1"));
}

} // namespace
} // namespace sweeplight::fetcher::testing
