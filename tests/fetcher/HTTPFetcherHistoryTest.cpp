#include "FetcherFixture.h"
#include "fetcher/FetchHistory.h"

namespace sweeplight::fetcher::testing {
namespace {

constexpr char kDate[] = "Wed, 21 Oct 2026 07:28:00 GMT";
const QString kDocURL = QStringLiteral("http://example.com/doc");

class History : public FetcherTest {
protected:
    std::shared_ptr<HTTPFetcher> fetcherWithHistory(const QString& url, bool cacheData = true) {
        auto fetcher = create(get(url));
        fetcher->setFetchHistory(history);
        fetcher->setShouldCacheDatedData(cacheData);
        return fetcher;
    }

    std::shared_ptr<FetchHistory> history { std::make_shared<FetchHistory>() };
};

TEST_F(History, NotModifiedAnswerIsServedFromTheRememberedBody) {
    Outcome first;
    auto fetcher = fetcherWithHistory(kDocURL);
    ASSERT_TRUE(begin(*fetcher, first));
    EXPECT_EQ(factory->lastRecord().request.cachePolicy(),
              UrlRequestCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_TRUE(
        factory->lastRecord().request.valueForHTTPHeaderField("If-Modified-Since").isNull());
    factory->lastRecord().answer(200, "version 1", fields({ { "Last-Modified", kDate } }));

    Outcome second;
    auto again = fetcherWithHistory(kDocURL);
    ASSERT_TRUE(begin(*again, second));
    EXPECT_EQ(factory->lastRecord().request.valueForHTTPHeaderField("If-Modified-Since"),
              QString::fromLatin1(kDate));
    factory->lastRecord().answer(304);
    EXPECT_EQ(second.data, QByteArray("version 1"));
    EXPECT_EQ(history->lastModified()->at(kDocURL), QString::fromLatin1(kDate));
    EXPECT_EQ(history->datedData()->at(kDocURL), QByteArray("version 1"));

    // Without kept bodies a 304 has nothing to serve, and is not retried.
    auto uncached = fetcherWithHistory(kDocURL, false);
    uncached->setIsRetryEnabled(true);
    // Caching off empties the dates, so set one again behind its back.
    history->lastModifiedCreatingIfNeeded()[kDocURL] = QString::fromLatin1(kDate);
    Outcome third;
    ASSERT_TRUE(begin(*uncached, third));
    factory->lastRecord().answer(304);
    ASSERT_EQ(third.failedCalls, 1);
    EXPECT_TRUE(third.error->is(kHTTPFetcherStatusDomain, 304));
}

TEST_F(History, AnswersWithoutDateOrWithErrorsForgetTheURL) {
    for (int status : { 200, 500 }) {
        history->lastModifiedCreatingIfNeeded()[kDocURL] = QString::fromLatin1(kDate);
        history->datedDataCreatingIfNeeded()[kDocURL] = "old";
        auto fetcher = fetcherWithHistory(kDocURL);
        Outcome outcome;
        ASSERT_TRUE(begin(*fetcher, outcome));
        factory->lastRecord().answer(
            status, "new", status == 500 ? fields({ { "Last-Modified", kDate } }) : fields({}));
        EXPECT_FALSE(history->lastModified()->contains(kDocURL)) << status;
        EXPECT_FALSE(history->datedData()->contains(kDocURL)) << status;
    }
}

// Turning caching off empties the shared dates and bodies (not the cookies); a request with a
// body is never conditional.
TEST_F(History, NoConditionalRequestAfterCachingOffOrWithABody) {
    for (bool withBody : { false, true }) {
        history->lastModifiedCreatingIfNeeded()[kDocURL] = QString::fromLatin1(kDate);
        history->datedDataCreatingIfNeeded()[kDocURL] = "old";
        history->cookiesCreatingIfNeeded();
        if (!withBody) {
            fetcherWithHistory(kDocURL, false);
            EXPECT_FALSE(history->contains(kHTTPFetcherHistoryLastModifiedKey));
            EXPECT_FALSE(history->contains(kHTTPFetcherHistoryDatedDataKey));
            EXPECT_TRUE(history->contains(kHTTPFetcherHistoryCookiesKey));
        }
        auto fetcher = fetcherWithHistory(kDocURL);
        if (withBody)
            fetcher->setPostData(QByteArray("x=1"));
        Outcome outcome;
        ASSERT_TRUE(begin(*fetcher, outcome));
        EXPECT_TRUE(
            factory->lastRecord().request.valueForHTTPHeaderField("If-Modified-Since").isNull())
            << withBody;
        fetcher->stopFetching();
    }
}

using Redirects = FetcherTest;

// A redirect keeps the scheme it starts from, except that http may be lifted to https.
TEST_F(Redirects, HttpMayBeLiftedToHttpsButHttpsNeverDrops) {
    const struct {
        const char* from;
        const char* to;
        const char* followed;
    } rows[] = {
        { "http://a.example/start", "https://b.example/next?q=1", "https://b.example/next?q=1" },
        { "https://a.example/start", "http://b.example:8080/next", "https://b.example:8080/next" },
        { "http://a.example/", "ftp://b.example/file", "http://b.example/file" },
    };
    for (const auto& row : rows) {
        auto fetcher = create(get(QString::fromLatin1(row.from)));
        Outcome outcome;
        ASSERT_TRUE(begin(*fetcher, outcome));
        auto next = factory->lastRecord().redirect(QUrl(QString::fromLatin1(row.to)));
        ASSERT_TRUE(next) << row.to;
        EXPECT_EQ(next->URL(), QUrl(QString::fromLatin1(row.followed))) << row.to;
        EXPECT_EQ(fetcher->request()->URL(), next->URL()) << row.to;
        fetcher->stopFetching();
    }
}

TEST_F(Redirects, PostKeepsMethodAndBodyAndProposedFieldsWin) {
    auto fetcher = create(get("http://a.example/form"));
    fetcher->setPostData(QByteArray("name=x"));
    fetcher->request()->setValue(QStringLiteral("mine"), QStringLiteral("X-Trace"));
    fetcher->request()->setValue(QStringLiteral("kept"), QStringLiteral("X-Only-Mine"));
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    auto& connection = factory->lastRecord();
    connection.request.setValue(QStringLiteral("theirs"), QStringLiteral("X-Trace"));
    connection.request.setHTTPMethod(QStringLiteral("GET"));
    auto next = connection.redirect(QUrl("http://a.example/done"), 302,
                                    fields({ { "Set-Cookie", "r=1" }, { "Location", "/done" } }));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->HTTPMethod(), QStringLiteral("POST"));
    EXPECT_EQ(next->HTTPBody(), QByteArray("name=x"));
    EXPECT_EQ(next->valueForHTTPHeaderField("X-Trace"), QStringLiteral("theirs"));
    EXPECT_EQ(next->valueForHTTPHeaderField("X-Only-Mine"), QStringLiteral("kept"));
    EXPECT_EQ(fetcher->statusCode(), 302);
    // The cookie the redirecting answer set is stored and sent to its own host.
    EXPECT_EQ(next->valueForHTTPHeaderField("Cookie"), QStringLiteral("r=1"));

    connection.answer(200, "done");
    EXPECT_EQ(outcome.finishedCalls, 1);
}

// Cookies added for the first host must not follow a redirect to another host.
TEST_F(Redirects, CookiesAreComputedAgainForTheNewHost) {
    addCookie(*HTTPFetcher::staticCookies(), "secret", "1", "a.example");
    auto fetcher = create(get("http://a.example/"));
    fetcher->request()->setValue(QStringLiteral("caller=1"), QStringLiteral("Cookie"));
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    EXPECT_EQ(factory->lastRecord().request.valueForHTTPHeaderField("Cookie"),
              QStringLiteral("caller=1,secret=1"));
    auto next = factory->lastRecord().redirect(QUrl("http://evil.example/"));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->valueForHTTPHeaderField("Cookie"), QStringLiteral("caller=1"));
    fetcher->stopFetching();
}

TEST_F(Redirects, InitialProposalIsReturnedUnchanged) {
    auto fetcher = create(get("http://a.example/"));
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    auto& connection = factory->lastRecord();
    UrlRequest proposed(QUrl("http://c.example/"));
    auto result = static_cast<UrlConnectionDelegate*>(connection.delegate)
                      ->connection(*connection.connection, proposed, nullptr);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->URL(), QUrl("http://c.example/"));
    EXPECT_EQ(fetcher->request()->URL(), QUrl("http://a.example/"));
    fetcher->stopFetching();
}

} // namespace
} // namespace sweeplight::fetcher::testing
