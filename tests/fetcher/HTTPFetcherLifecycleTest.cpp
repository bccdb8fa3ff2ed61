#include "FetcherFixture.h"

#include <QBuffer>

namespace sweeplight::fetcher::testing {
namespace {

using Lifecycle = FetcherTest;

// A later response on the same connection discards the body so far.
TEST_F(Lifecycle, SuccessDeliversWholeBodyOnceAndProgressWithAccumulatedBody) {
    Outcome outcome;
    std::vector<QByteArray> progress;
    auto fetcher = begun("http://example.com/a", outcome, [&](HTTPFetcher& f) {
        f.setReceivedDataSelector(
            [&](HTTPFetcher&, const QByteArray& soFar) { progress.push_back(soFar); });
    });
    auto& connection = last();
    connection.respond(200);
    connection.send("ab");
    connection.send("cd");
    EXPECT_TRUE(fetcher->isFetching());
    connection.respond(200);
    connection.send("ef");
    connection.finish();
    EXPECT_EQ(progress, (std::vector<QByteArray> { "ab", "abcd", "ef" }));
    EXPECT_EQ(outcome.finishedCalls + outcome.failedCalls, 1);
    EXPECT_EQ(outcome.data, QByteArray("ef"));
    EXPECT_FALSE(fetcher->isFetching());
    EXPECT_TRUE(connection.cancelled);
}

// A status of 300 or more fails in the status domain with the body, without retry; a response
// without status is a success. Transport failures are checked end to end with their codes.
TEST_F(Lifecycle, StatusesAndTransportFailuresReachTheCaller) {
    Outcome missing, statusless;
    begun("http://example.com/missing", missing);
    last().answer(404, "not here");
    ASSERT_TRUE(missing.failedWith(kHTTPFetcherStatusDomain, 404));
    EXPECT_EQ(*missing.error->userInfoValue<QByteArray>(kHTTPFetcherStatusDataKey), "not here");
    EXPECT_EQ(factory->records.size(), 1u);

    auto bare = begun("http://example.com/", statusless);
    last().respondWithoutStatus();
    last().finish();
    EXPECT_EQ(bare->statusCode(), 0);
    EXPECT_EQ(statusless.finishedCalls, 1);
}

// Post data or a post stream makes a GET (or no method) a POST; other methods stay.
TEST_F(Lifecycle, PostDataOrStreamMakesGetOrNullMethodPostButKeepsOtherMethods) {
    auto stream = std::make_shared<QBuffer>();
    const struct {
        const char* method;
        std::optional<QByteArray> data;
        bool streamed;
        const char* sent;
    } rows[] = {
        { "GET", QByteArray("a=1"), false, "POST" }, { nullptr, QByteArray("a=1"), false, "POST" },
        { "PUT", QByteArray("b=2"), false, "PUT" },  { "DELETE", std::nullopt, false, "DELETE" },
        { nullptr, std::nullopt, true, "POST" },
    };
    for (const auto& row : rows) {
        Outcome outcome;
        auto fetcher = begun("http://example.com/form", outcome, [&](HTTPFetcher& f) {
            f.request()->setHTTPMethod(QString::fromLatin1(row.method));
            f.setPostData(row.data);
            if (row.streamed)
                f.setPostStream(stream);
        });
        const UrlRequest& sent = last().request;
        EXPECT_EQ(sent.HTTPMethod(), QString::fromLatin1(row.sent)) << row.sent;
        EXPECT_EQ(sent.HTTPBody(), row.data.value_or(QByteArray()));
        EXPECT_EQ(sent.HTTPBody().isNull(), !row.data.has_value());
        EXPECT_EQ(sent.HTTPBodyStream(), row.streamed ? stream : nullptr);
        fetcher->stopFetching();
    }
}

// Without a request, without a connection or while fetching; a refused attempt leaves no added
// field in the request, and a fetch under way goes on.
TEST_F(Lifecycle, BeginFailuresReportCodeMinusOneBeforeReturning) {
    Outcome first;
    auto fetching = begun("http://example.com/", first);
    addCookie(*environment->staticCookies(), "s", "v", "example.com");
    factory->refuse = true;
    auto refused = create(get("http://example.com/"));
    auto empty = create();
    for (HTTPFetcher* fetcher : { empty.get(), refused.get(), fetching.get() }) {
        Outcome outcome;
        EXPECT_FALSE(begin(*fetcher, outcome));
        EXPECT_TRUE(outcome.failedWith(kHTTPFetcherErrorDomain, -1));
    }
    EXPECT_FALSE(refused->isFetching());
    EXPECT_TRUE(refused->request()->allHTTPHeaderFields().empty());
    // Without a failed callback nothing is called and nothing breaks.
    EXPECT_FALSE(refused->beginFetchWithDelegate(nullptr, nullptr, nullptr));
    EXPECT_EQ(factory->records.size(), 1u);
    last().answer(200, "first");
    EXPECT_EQ(first.data, QByteArray("first"));
}

// Stopped from outside, or from its own progress callback while the connection reports.
TEST_F(Lifecycle, StopFetchingEndsWithoutAnyCallbackAndReleasesTheConnection) {
    Outcome outcome;
    auto fetcher = begun("http://example.com/", outcome);
    auto& connection = last();
    connection.respond(200);
    fetcher->stopFetching();
    EXPECT_TRUE(connection.cancelled && !connection.connection && !fetcher->isFetching());

    std::vector<QByteArray> progress;
    auto stopping = begun("http://example.com/", outcome, [&](HTTPFetcher& f) {
        f.setReceivedDataSelector([&](HTTPFetcher& self, const QByteArray& soFar) {
            progress.push_back(soFar);
            self.stopFetching();
        });
    });
    auto record = factory->records.back();
    record->respond(200);
    record->send("one");
    record->send("two"); // the connection is gone: nothing arrives
    record->finish();
    EXPECT_EQ(progress, std::vector<QByteArray> { "one" });
    EXPECT_EQ(outcome.finishedCalls + outcome.failedCalls, 0);
}

// A proxy challenge gets the proxy credential when one is set, else the server's.
TEST_F(Lifecycle, ChallengeIsAnsweredThreeTimesThenFailsWithTheChallenge) {
    Outcome outcome;
    auto fetcher = begun("http://example.com/private", outcome, credential("ann", "secret"));
    auto& connection = last();
    EXPECT_EQ(connection.challenge(0, true).used->user, QStringLiteral("ann"));
    fetcher->setProxyCredential(UrlCredential { "proxy", "p" });
    EXPECT_EQ(connection.challenge(0, true).used->user, QStringLiteral("proxy"));
    for (int failures = 0; failures <= 2; ++failures)
        EXPECT_EQ(connection.challenge(failures).used.value_or(UrlCredential {}).user, "ann");
    EXPECT_EQ(outcome.failedCalls, 0);
    auto fourth = connection.challenge(3);
    EXPECT_TRUE(fourth.cancelled && !fourth.used);
    ASSERT_TRUE(outcome.failedWith(kHTTPFetcherErrorDomain, -2));
    EXPECT_NE(outcome.error->userInfoValue<std::shared_ptr<UrlAuthenticationChallenge>>(
                  kHTTPFetcherErrorChallengeKey),
              nullptr);
    EXPECT_FALSE(fetcher->isFetching());

    Outcome bare;
    begun("http://example.com/", bare);
    EXPECT_TRUE(last().challenge(0).cancelled);
    EXPECT_TRUE(bare.failedWith(kHTTPFetcherErrorDomain, -2));
}

// The finished callback may also drop the last reference to its fetcher and still use it.
TEST_F(Lifecycle, LiveConnectionKeepsFetcherAndDelegateAliveUntilTheFetchEnds) {
    std::weak_ptr<HTTPFetcher> weakFetcher;
    std::weak_ptr<int> weakDelegate;
    Outcome outcome;
    {
        auto delegate = std::make_shared<int>(7);
        weakDelegate = delegate;
        weakFetcher = begun("http://example.com/", outcome, {}, delegate);
    }
    EXPECT_FALSE(weakFetcher.expired() || weakDelegate.expired());
    last().answer(200, "x");
    EXPECT_EQ(outcome.finishedCalls, 1);
    EXPECT_TRUE(weakFetcher.expired() && weakDelegate.expired());

    auto fetcher = create(get("http://example.com/"));
    weakFetcher = fetcher;
    ASSERT_TRUE(fetcher->beginFetchWithDelegate(
        nullptr,
        [&](HTTPFetcher& self, const QByteArray&) {
            fetcher.reset();
            EXPECT_EQ(self.statusCode(), 200);
        },
        nullptr));
    last().answer(200, "x");
    EXPECT_TRUE(!fetcher && weakFetcher.expired());
}

} // namespace
} // namespace sweeplight::fetcher::testing
