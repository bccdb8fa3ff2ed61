#include "FetcherFixture.h"

#include <QBuffer>

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
    auto& connection = factory->lastRecord();
    EXPECT_TRUE(connection.startedImmediately);

    connection.respond(200);
    connection.send("ab");
    connection.send("cd");
    // A later response on the same connection discards the body so far.
    connection.respond(200);
    connection.send("ef");
    connection.finish();

    EXPECT_EQ(progress, (std::vector<QByteArray> { "ab", "abcd", "ef" }));
    EXPECT_EQ(outcome.finishedCalls, 1);
    EXPECT_EQ(outcome.failedCalls, 0);
    EXPECT_EQ(outcome.data, QByteArray("ef"));
    EXPECT_EQ(fetcher->statusCode(), 200);
    EXPECT_FALSE(fetcher->isFetching());
    EXPECT_TRUE(connection.cancelled);
}

// A status of 300 or more fails in the status domain with the body, without retry; a transport
// failure reaches the caller unchanged; a response without status is a success.
TEST_F(Lifecycle, StatusesAndTransportFailuresReachTheCaller) {
    Outcome missing;
    auto fetcher = begun("http://example.com/missing", missing);
    factory->lastRecord().answer(404, "not here");
    ASSERT_EQ(missing.failedCalls, 1);
    EXPECT_EQ(missing.finishedCalls, 0);
    EXPECT_TRUE(missing.error->is(kHTTPFetcherStatusDomain, 404));
    const QByteArray* data = missing.error->userInfoValue<QByteArray>(kHTTPFetcherStatusDataKey);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(*data, QByteArray("not here"));
    EXPECT_FALSE(fetcher->isFetching());
    EXPECT_EQ(factory->records.size(), 1u);

    Outcome refused;
    begun("http://example.com/", refused);
    factory->lastRecord().fail(kURLErrorCannotConnectToHost);
    ASSERT_EQ(refused.failedCalls, 1);
    EXPECT_TRUE(refused.error->is(kURLErrorDomain, kURLErrorCannotConnectToHost));

    Outcome statusless;
    auto bare = begun("http://example.com/", statusless);
    factory->lastRecord().respondWithoutStatus();
    factory->lastRecord().finish();
    EXPECT_EQ(bare->statusCode(), 0);
    EXPECT_EQ(statusless.finishedCalls, 1);
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

// Without a request, without a connection, or while fetching, begin fails with code -1 before
// it returns; a refused attempt leaves no added field in the request, and a fetch under way
// goes on.
TEST_F(Lifecycle, BeginFailuresReportCodeMinusOneBeforeReturning) {
    Outcome first;
    auto fetching = begun("http://example.com/", first);
    addCookie(*HTTPFetcher::staticCookies(), "s", "v", "example.com");
    factory->refuse = true;
    auto refused = create(get("http://example.com/"));
    auto empty = create();
    for (HTTPFetcher* fetcher : { empty.get(), refused.get(), fetching.get() }) {
        Outcome outcome;
        EXPECT_FALSE(begin(*fetcher, outcome));
        ASSERT_EQ(outcome.failedCalls, 1);
        EXPECT_TRUE(outcome.error->is(kHTTPFetcherErrorDomain, -1));
    }
    EXPECT_FALSE(refused->isFetching());
    EXPECT_TRUE(refused->request()->allHTTPHeaderFields().empty());
    // Without a failed callback nothing is called and nothing breaks.
    EXPECT_FALSE(refused->beginFetchWithDelegate(nullptr, nullptr, nullptr));

    EXPECT_EQ(factory->records.size(), 1u);
    factory->lastRecord().answer(200, "first");
    EXPECT_EQ(first.finishedCalls, 1);
    EXPECT_EQ(first.data, QByteArray("first"));
}

TEST_F(Lifecycle, StopFetchingEndsWithoutAnyCallbackAndCancelsAndReleasesTheConnection) {
    Outcome outcome;
    auto fetcher = begun("http://example.com/", outcome);
    auto& connection = factory->lastRecord();
    connection.respond(200);
    fetcher->stopFetching();
    EXPECT_TRUE(connection.cancelled);
    EXPECT_EQ(connection.connection, nullptr); // released
    EXPECT_FALSE(fetcher->isFetching());
    EXPECT_EQ(outcome.finishedCalls + outcome.failedCalls, 0);
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

TEST_F(Lifecycle, CompletionWithoutFinishedCallbackStaysFetchingUntilStopped) {
    auto fetcher = create(get("http://example.com/"));
    ASSERT_TRUE(fetcher->beginFetchWithDelegate(nullptr, nullptr, nullptr));
    factory->lastRecord().answer(200, "x");
    EXPECT_TRUE(fetcher->isFetching());
    fetcher->stopFetching();
    EXPECT_FALSE(fetcher->isFetching());
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

    Outcome bareOutcome;
    auto bare = begun("http://example.com/", bareOutcome);
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

// Run loop modes, the fetcher's own or else its environment's default, schedule an unstarted
// connection once per mode, which then starts.
TEST_F(Lifecycle, RunLoopModesScheduleAnUnstartedConnectionOncePerModeThenStart) {
    environment->setDefaultRunLoopModes(HTTPFetcher::RunLoopModes { "common" });
    for (const auto& modes :
         { std::vector<std::string> { "default", "tracking" }, std::vector<std::string> {} }) {
        auto fetcher = create(get("http://example.com/"));
        if (!modes.empty())
            fetcher->setRunLoopModes(modes);
        Outcome outcome;
        ASSERT_TRUE(begin(*fetcher, outcome));
        EXPECT_FALSE(factory->lastRecord().startedImmediately);
        EXPECT_TRUE(factory->lastRecord().started);
        EXPECT_EQ(factory->lastRecord().modes,
                  modes.empty() ? std::vector<std::string> { "common" } : modes);
        fetcher->stopFetching();
    }
}

} // namespace
} // namespace sweeplight::fetcher::testing
