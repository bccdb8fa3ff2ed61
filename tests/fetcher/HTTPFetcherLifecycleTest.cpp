#include "FetcherFixture.h"

#include <QBuffer>
#include <QNetworkCookie>

namespace sweeplight::fetcher::testing {
namespace {

using Lifecycle = FetcherTest;

TEST_F(Lifecycle, SuccessDeliversWholeBodyOnceAndProgressWithAccumulatedBody) {
    Outcome outcome;
    std::vector<QByteArray> progress;
    auto fetcher = create(get("http://example.com/a"));
    fetcher->setReceivedDataSelector(
        [&](HTTPFetcher&, const QByteArray& soFar) { progress.push_back(soFar); });
    ASSERT_TRUE(begin(*fetcher, outcome));
    EXPECT_TRUE(fetcher->isFetching());
    ASSERT_EQ(factory->records.size(), 1u);
    auto& connection = factory->lastRecord();
    EXPECT_TRUE(connection.startedImmediately);

    connection.respond(200);
    connection.send("ab");
    connection.send("cd");
    connection.send("ef");
    connection.finish();

    EXPECT_EQ(progress, (std::vector<QByteArray> { "ab", "abcd", "abcdef" }));
    EXPECT_EQ(outcome.finishedCalls, 1);
    EXPECT_EQ(outcome.failedCalls, 0);
    EXPECT_EQ(outcome.data, QByteArray("abcdef"));
    EXPECT_EQ(fetcher->statusCode(), 200);
    EXPECT_FALSE(fetcher->isFetching());
    EXPECT_TRUE(connection.cancelled);
}

TEST_F(Lifecycle, StatusOf300OrMoreFailsInStatusDomainWithBodyAndNoRetry) {
    Outcome outcome;
    auto fetcher = create(get("http://example.com/missing"));
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().answer(404, "not here");

    EXPECT_EQ(outcome.finishedCalls, 0);
    ASSERT_EQ(outcome.failedCalls, 1);
    EXPECT_EQ(outcome.error->domain(), kHTTPFetcherStatusDomain);
    EXPECT_EQ(outcome.error->code(), 404);
    const QByteArray* data = outcome.error->userInfoValue<QByteArray>(kHTTPFetcherStatusDataKey);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(*data, QByteArray("not here"));
    EXPECT_FALSE(fetcher->isFetching());
    EXPECT_EQ(factory->records.size(), 1u);
}

TEST_F(Lifecycle, TransportFailureReachesCallerUnchanged) {
    Outcome outcome;
    auto fetcher = create(get("http://example.com/"));
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().fail(kURLErrorCannotConnectToHost);
    ASSERT_EQ(outcome.failedCalls, 1);
    EXPECT_TRUE(outcome.error->is(kURLErrorDomain, kURLErrorCannotConnectToHost));
    EXPECT_FALSE(fetcher->isFetching());
}

// Post data or a post stream makes a GET (or no method) a POST; other methods stay.
TEST_F(Lifecycle, PostDataOrStreamMakesGetOrNullMethodPostButKeepsOtherMethods) {
    auto stream = std::make_shared<QBuffer>();
    const struct {
        QString method;
        std::optional<QByteArray> data;
        bool streamed;
        QString sent;
    } rows[] = {
        { QStringLiteral("GET"), QByteArray("a=1"), false, QStringLiteral("POST") },
        { QString(), QByteArray("a=1"), false, QStringLiteral("POST") },
        { QStringLiteral("PUT"), QByteArray("b=2"), false, QStringLiteral("PUT") },
        { QStringLiteral("DELETE"), std::nullopt, false, QStringLiteral("DELETE") },
        { QString(), std::nullopt, true, QStringLiteral("POST") },
    };
    for (const auto& row : rows) {
        auto fetcher = create(get("http://example.com/form"));
        fetcher->request()->setHTTPMethod(row.method);
        fetcher->setPostData(row.data);
        if (row.streamed)
            fetcher->setPostStream(stream);
        Outcome outcome;
        ASSERT_TRUE(begin(*fetcher, outcome));
        const UrlRequest& sent = factory->lastRecord().request;
        EXPECT_EQ(sent.HTTPMethod(), row.sent) << row.method.toStdString();
        EXPECT_EQ(sent.HTTPBody(), row.data.value_or(QByteArray()));
        EXPECT_EQ(sent.HTTPBody().isNull(), !row.data.has_value());
        EXPECT_EQ(sent.HTTPBodyStream(), row.streamed ? stream : nullptr);
        fetcher->stopFetching();
    }
}

TEST_F(Lifecycle, BeginFailuresReportCodeMinusOneBeforeReturning) {
    // No request.
    auto empty = create();
    Outcome outcome;
    EXPECT_FALSE(begin(*empty, outcome));
    EXPECT_EQ(outcome.failedCalls, 1);
    EXPECT_TRUE(outcome.error->is(kHTTPFetcherErrorDomain, -1));
    EXPECT_FALSE(empty->isFetching());

    // No connection: the request keeps no field the attempt added.
    {
        std::lock_guard guard(HTTPFetcher::staticCookies()->lock);
        QNetworkCookie cookie("s", "v");
        cookie.setDomain("example.com");
        cookie.setPath("/");
        HTTPFetcher::staticCookies()->cookies.push_back(cookie);
    }
    factory->refuse = true;
    auto refused = create(get("http://example.com/"));
    Outcome refusedOutcome;
    EXPECT_FALSE(begin(*refused, refusedOutcome));
    EXPECT_EQ(refusedOutcome.failedCalls, 1);
    EXPECT_TRUE(refusedOutcome.error->is(kHTTPFetcherErrorDomain, -1));
    EXPECT_FALSE(refused->isFetching());
    EXPECT_TRUE(refused->request()->allHTTPHeaderFields().empty());

    // Without a failed callback nothing is called and nothing breaks.
    EXPECT_FALSE(empty->beginFetchWithDelegate(nullptr, nullptr, nullptr));
}

TEST_F(Lifecycle, BeginWhileFetchingFailsOnlyTheSecondBegin) {
    auto fetcher = create(get("http://example.com/"));
    Outcome first;
    Outcome second;
    ASSERT_TRUE(begin(*fetcher, first));
    EXPECT_FALSE(begin(*fetcher, second));
    EXPECT_EQ(second.failedCalls, 1);
    EXPECT_TRUE(second.error->is(kHTTPFetcherErrorDomain, -1));

    EXPECT_EQ(factory->records.size(), 1u);
    EXPECT_TRUE(fetcher->isFetching());
    factory->lastRecord().answer(200, "first");
    EXPECT_EQ(first.finishedCalls, 1);
    EXPECT_EQ(first.data, QByteArray("first"));
    EXPECT_EQ(second.finishedCalls, 0);
}

TEST_F(Lifecycle, StopFetchingEndsWithoutAnyCallbackAndCancelsAndReleasesTheConnection) {
    auto fetcher = create(get("http://example.com/"));
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    auto& connection = factory->lastRecord();
    connection.respond(200);
    fetcher->stopFetching();
    EXPECT_TRUE(connection.cancelled);
    EXPECT_EQ(connection.connection, nullptr); // released
    EXPECT_FALSE(fetcher->isFetching());
    EXPECT_EQ(outcome.finishedCalls + outcome.failedCalls, 0);
}

TEST_F(Lifecycle, LaterResponseOnSameConnectionDiscardsEarlierBody) {
    auto fetcher = create(get("http://example.com/"));
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    auto& connection = factory->lastRecord();
    connection.respond(200);
    connection.send("first part");
    connection.respond(200);
    connection.send("second");
    connection.finish();
    EXPECT_EQ(outcome.data, QByteArray("second"));
}

TEST_F(Lifecycle, ResponseWithoutStatusCompletesAsSuccess) {
    auto fetcher = create(get("http://example.com/"));
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().respondWithoutStatus();
    factory->lastRecord().send("x");
    factory->lastRecord().finish();
    EXPECT_EQ(fetcher->statusCode(), 0);
    EXPECT_EQ(outcome.finishedCalls, 1);
}

TEST_F(Lifecycle, ChallengeIsAnsweredThreeTimesThenFailsWithTheChallenge) {
    auto fetcher = create(get("http://example.com/private"));
    fetcher->setCredential(UrlCredential { "ann", "secret" });
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    auto& connection = factory->lastRecord();
    for (int failures = 0; failures <= 2; ++failures) {
        auto answer = connection.challenge(failures);
        ASSERT_TRUE(answer.used.has_value()) << failures;
        EXPECT_EQ(answer.used->user, QStringLiteral("ann"));
        EXPECT_EQ(outcome.failedCalls, 0);
    }
    auto fourth = connection.challenge(3);
    EXPECT_TRUE(fourth.cancelled);
    EXPECT_FALSE(fourth.used.has_value());
    ASSERT_EQ(outcome.failedCalls, 1);
    EXPECT_TRUE(outcome.error->is(kHTTPFetcherErrorDomain, -2));
    EXPECT_NE(outcome.error->userInfoValue<std::shared_ptr<UrlAuthenticationChallenge>>(
                  kHTTPFetcherErrorChallengeKey),
              nullptr);
    EXPECT_FALSE(fetcher->isFetching());
}

TEST_F(Lifecycle, ProxyChallengeUsesProxyCredentialWhenSetElseTheServerOne) {
    auto fetcher = create(get("http://example.com/"));
    fetcher->setCredential(UrlCredential { "server", "s" });
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    EXPECT_EQ(factory->lastRecord().challenge(0, true).used->user, QStringLiteral("server"));
    fetcher->setProxyCredential(UrlCredential { "proxy", "p" });
    EXPECT_EQ(factory->lastRecord().challenge(0, true).used->user, QStringLiteral("proxy"));
    EXPECT_EQ(factory->lastRecord().challenge(0, false).used->user, QStringLiteral("server"));
    fetcher->stopFetching();

    auto bare = create(get("http://example.com/"));
    Outcome bareOutcome;
    ASSERT_TRUE(begin(*bare, bareOutcome));
    EXPECT_TRUE(factory->lastRecord().challenge(0).cancelled);
    EXPECT_TRUE(bareOutcome.error->is(kHTTPFetcherErrorDomain, -2));
}

TEST_F(Lifecycle, LiveConnectionKeepsFetcherAndDelegateAliveUntilTheFetchEnds) {
    std::weak_ptr<HTTPFetcher> weakFetcher;
    std::weak_ptr<int> weakDelegate;
    Outcome outcome;
    {
        auto delegate = std::make_shared<int>(7);
        weakDelegate = delegate;
        auto fetcher = create(get("http://example.com/"));
        weakFetcher = fetcher;
        ASSERT_TRUE(begin(*fetcher, outcome, delegate));
    }
    EXPECT_FALSE(weakFetcher.expired());
    EXPECT_FALSE(weakDelegate.expired());
    factory->lastRecord().answer(200, "x");
    EXPECT_EQ(outcome.finishedCalls, 1);
    EXPECT_TRUE(weakFetcher.expired());
    EXPECT_TRUE(weakDelegate.expired());
}

TEST_F(Lifecycle, DelegateMayDropTheFetcherInsideTheCallback) {
    auto fetcher = create(get("http://example.com/"));
    std::weak_ptr<HTTPFetcher> weak = fetcher;
    int calls = 0;
    ASSERT_TRUE(fetcher->beginFetchWithDelegate(
        nullptr,
        [&](HTTPFetcher& self, const QByteArray&) {
            ++calls;
            fetcher.reset();
            EXPECT_EQ(self.statusCode(), 200); // still usable during the call
        },
        nullptr));
    factory->lastRecord().answer(200, "x");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(weak.expired());
}

TEST_F(Lifecycle, CompletionWithoutFinishedCallbackStaysFetchingUntilStopped) {
    auto fetcher = create(get("http://example.com/"));
    ASSERT_TRUE(fetcher->beginFetchWithDelegate(nullptr, nullptr, nullptr));
    factory->lastRecord().answer(200, "x");
    EXPECT_TRUE(fetcher->isFetching());
    fetcher->stopFetching();
    EXPECT_FALSE(fetcher->isFetching());
}

TEST_F(Lifecycle, RunLoopModesScheduleAnUnstartedConnectionOncePerModeThenStart) {
    auto fetcher = create(get("http://example.com/"));
    fetcher->setRunLoopModes(HTTPFetcher::RunLoopModes { "default", "tracking" });
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    EXPECT_FALSE(factory->lastRecord().startedImmediately);
    EXPECT_TRUE(factory->lastRecord().started);
    EXPECT_EQ(factory->lastRecord().modes, (std::vector<std::string> { "default", "tracking" }));
    fetcher->stopFetching();

    environment->setDefaultRunLoopModes(HTTPFetcher::RunLoopModes { "common" });
    auto second = create(get("http://example.com/"));
    ASSERT_TRUE(begin(*second, outcome));
    EXPECT_EQ(factory->lastRecord().modes, (std::vector<std::string> { "common" }));
    second->stopFetching();
}

// The one place that touches the process's environment, through the class-level entry points.
TEST_F(Lifecycle, ClassLevelSettingsAreThoseOfTheProcessEnvironmentFetchersGetByDefault) {
    const auto& process = FetcherEnvironment::process();
    EXPECT_EQ(HTTPFetcher::create()->environment(), process);
    HTTPFetcher::setConnectionClass(factory);
    HTTPFetcher::setRunLoop(&runLoop);
    HTTPFetcher::setIsLoggingEnabled(true);
    EXPECT_EQ(process->connectionFactory(), factory);
    EXPECT_EQ(&process->runLoop(), &runLoop);
    EXPECT_TRUE(process->log().isEnabled());
    HTTPFetcher::setConnectionClass(nullptr);
    HTTPFetcher::setRunLoop(nullptr);
    HTTPFetcher::setIsLoggingEnabled(false);
}

TEST_F(Lifecycle, CallbackMayStopTheFetchWhileItsConnectionIsReporting) {
    auto fetcher = create(get("http://example.com/"));
    std::vector<QByteArray> progress;
    fetcher->setReceivedDataSelector([&](HTTPFetcher& self, const QByteArray& soFar) {
        progress.push_back(soFar);
        self.stopFetching();
    });
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    auto record = factory->records.back();
    record->respond(200);
    record->send("one");
    record->send("two"); // the connection is gone: nothing arrives
    record->finish();
    EXPECT_EQ(progress, std::vector<QByteArray> { "one" });
    EXPECT_EQ(outcome.finishedCalls + outcome.failedCalls, 0);
}

} // namespace
} // namespace sweeplight::fetcher::testing
