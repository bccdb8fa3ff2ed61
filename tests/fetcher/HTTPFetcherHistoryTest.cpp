#include "FetcherFixture.h"
#include "fetcher/FetchHistory.h"

namespace sweeplight::fetcher::testing {
namespace {

constexpr char kDate[] = "Wed, 21 Oct 2026 07:28:00 GMT";
const QString kDocURL = QStringLiteral("http://example.com/doc");

class History : public FetcherTest {
protected:
    std::shared_ptr<HTTPFetcher> begunWithHistory(Outcome& outcome, bool cacheData = true,
                                                  const std::optional<QByteArray>& post = {}) {
        return begun(kDocURL, outcome, [&](HTTPFetcher& f) {
            f.setFetchHistory(history);
            f.setShouldCacheDatedData(cacheData);
            f.setPostData(post);
        });
    }
    // The history knows `kDocURL` by date and body.
    void remember() {
        history->lastModifiedCreatingIfNeeded()[kDocURL] = QString::fromLatin1(kDate);
        history->datedDataCreatingIfNeeded()[kDocURL] = "old";
    }

    std::shared_ptr<FetchHistory> history { std::make_shared<FetchHistory>() };
};

// Without kept bodies a 304 has nothing to serve, and is not retried.
TEST_F(History, NotModifiedAnswerIsServedFromTheRememberedBody) {
    Outcome first, second, third;
    begunWithHistory(first);
    EXPECT_EQ(last().request.cachePolicy(), UrlRequestCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_TRUE(sent("If-Modified-Since").isNull());
    last().answer(200, "version 1", fields({ { "Last-Modified", kDate } }));
    begunWithHistory(second);
    EXPECT_EQ(sent("If-Modified-Since"), QString::fromLatin1(kDate));
    last().answer(304);
    EXPECT_EQ(second.data, QByteArray("version 1"));

    begun(kDocURL, third, [&](HTTPFetcher& f) {
        f.setFetchHistory(history);
        f.setShouldCacheDatedData(false);
        f.setIsRetryEnabled(true);
        // Caching off empties the dates, so set one again behind its back.
        history->lastModifiedCreatingIfNeeded()[kDocURL] = QString::fromLatin1(kDate);
    });
    last().answer(304);
    ASSERT_EQ(third.failedCalls, 1);
    EXPECT_TRUE(third.error->is(kHTTPFetcherStatusDomain, 304));
}

TEST_F(History, AnswersWithoutDateOrWithErrorsForgetTheURL) {
    for (int status : { 200, 500 }) {
        remember();
        Outcome outcome;
        begunWithHistory(outcome);
        last().answer(status, "new",
                      status == 500 ? fields({ { "Last-Modified", kDate } }) : fields({}));
        EXPECT_FALSE(history->lastModified()->contains(kDocURL)) << status;
        EXPECT_FALSE(history->datedData()->contains(kDocURL)) << status;
    }
}

// Turning caching off empties the shared dates and bodies (not the cookies); a request with a
// body is never conditional.
TEST_F(History, NoConditionalRequestAfterCachingOffOrWithABody) {
    history->cookiesCreatingIfNeeded();
    Outcome off, posted;
    remember();
    begunWithHistory(off, false);
    EXPECT_FALSE(history->contains(kHTTPFetcherHistoryLastModifiedKey));
    EXPECT_FALSE(history->contains(kHTTPFetcherHistoryDatedDataKey));
    EXPECT_TRUE(history->contains(kHTTPFetcherHistoryCookiesKey));
    EXPECT_TRUE(sent("If-Modified-Since").isNull());
    remember();
    begunWithHistory(posted, true, QByteArray("x=1"));
    EXPECT_TRUE(sent("If-Modified-Since").isNull());
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
        Outcome outcome;
        auto fetcher = begun(QString::fromLatin1(row.from), outcome);
        auto next = last().redirect(QUrl(QString::fromLatin1(row.to)));
        ASSERT_TRUE(next) << row.to;
        EXPECT_EQ(next->URL(), QUrl(QString::fromLatin1(row.followed))) << row.to;
        EXPECT_EQ(fetcher->request()->URL(), next->URL()) << row.to;
        fetcher->stopFetching();
    }
}

// The cookie the redirecting answer set is stored and sent to its own host.
TEST_F(Redirects, PostKeepsMethodAndBodyAndProposedFieldsWin) {
    Outcome outcome;
    begun("http://a.example/form", outcome, [](HTTPFetcher& f) {
        f.setPostData(QByteArray("name=x"));
        f.request()->setValue(QStringLiteral("mine"), QStringLiteral("X-Trace"));
        f.request()->setValue(QStringLiteral("kept"), QStringLiteral("X-Only-Mine"));
    });
    auto& connection = last();
    connection.request.setValue(QStringLiteral("theirs"), QStringLiteral("X-Trace"));
    connection.request.setHTTPMethod(QStringLiteral("GET"));
    auto next = connection.redirect(QUrl("http://a.example/done"), 302,
                                    fields({ { "Set-Cookie", "r=1" }, { "Location", "/done" } }));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->HTTPMethod(), QStringLiteral("POST"));
    EXPECT_EQ(next->HTTPBody(), QByteArray("name=x"));
    EXPECT_EQ(next->valueForHTTPHeaderField("X-Trace"), QStringLiteral("theirs"));
    EXPECT_EQ(next->valueForHTTPHeaderField("X-Only-Mine"), QStringLiteral("kept"));
    EXPECT_EQ(next->valueForHTTPHeaderField("Cookie"), QStringLiteral("r=1"));
}

// Cookies added for the first host must not follow a redirect to another host.
TEST_F(Redirects, CookiesAreComputedAgainForTheNewHost) {
    addCookie(*environment->staticCookies(), "secret", "1", "a.example");
    Outcome outcome;
    begun("http://a.example/", outcome, [](HTTPFetcher& f) {
        f.request()->setValue(QStringLiteral("caller=1"), QStringLiteral("Cookie"));
    });
    EXPECT_EQ(sent("Cookie"), QStringLiteral("caller=1,secret=1"));
    auto next = last().redirect(QUrl("http://evil.example/"));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->valueForHTTPHeaderField("Cookie"), QStringLiteral("caller=1"));
}

} // namespace
} // namespace sweeplight::fetcher::testing
