#include "FetcherFixture.h"
#include "fetcher/FetchHistory.h"
#include "fetcher/transport/HTTPCookie.h"
#include "fetcher/transport/HTTPCookieStorage.h"

#include <QDateTime>

namespace sweeplight::fetcher::testing {
namespace {

using Names = std::vector<QByteArray>;

QNetworkCookie cookie(const char* name, const char* domain, const char* path = "/",
                      bool secure = false) {
    QNetworkCookie result(name, "v");
    result.setDomain(QString::fromLatin1(domain));
    result.setPath(QString::fromLatin1(path));
    result.setSecure(secure);
    return result;
}

Names names(const std::vector<QNetworkCookie>& cookies) {
    Names result;
    for (const auto& c : cookies)
        result.push_back(c.name());
    return result;
}

// Cookies set with a Domain attribute are stored with a leading dot and reach the hosts below it
// on label boundaries; cookies set without one (no dot) go back to their own host only. Secure
// needs https. The fetcher's list takes the path as a plain prefix and localhost as the
// "localhost.local" key; the platform store cuts paths on "/" and takes both names for localhost.
TEST(CookieMatching, DomainPathSecureAndLocalhostRules) {
    auto array = std::vector<QNetworkCookie>(
        { cookie("dotted", ".b.c"), cookie("bare", "b.c"), cookie("exact", "a.b.c"),
          cookie("top", "c"), cookie("sibling", "x.b.c"), cookie("ab", ".b.c", "/ab"),
          cookie("secure", ".b.c", "/", true), cookie("host", "localhost.local"),
          cookie("suffix", ".local"), cookie("plain", "localhost") });
    HTTPCookieStorage storage;
    storage.setCookies(array);
    const struct {
        const char* url;
        Names fetcher, platform;
    } rows[] = {
        { "http://a.b.c/", { "dotted", "exact" }, { "dotted", "exact" } },
        { "http://sub.a.b.c/", { "dotted" }, { "dotted" } },
        { "http://xb.c/", {}, {} },
        { "http://b.c/", { "dotted", "bare" }, { "dotted", "bare" } },
        { "http://b.c/abc", { "dotted", "bare", "ab" }, { "dotted", "bare" } },
        { "http://b.c/ab/c", { "dotted", "bare", "ab" }, { "dotted", "bare", "ab" } },
        { "https://b.c/", { "dotted", "bare", "secure" }, { "dotted", "bare", "secure" } },
        { "http://localhost:8080/x", { "host", "suffix" }, { "host", "plain" } },
        { "file:///tmp/x", {}, {} },
    };
    for (const auto& row : rows) {
        const QUrl url(QString::fromLatin1(row.url));
        EXPECT_EQ(names(HTTPFetcher::cookiesForURL(url, array)), row.fetcher) << row.url;
        EXPECT_EQ(names(storage.cookiesForURL(url)), row.platform) << row.url;
    }
}

// A cookie of the same identity replaces the stored one, an expired one deletes it, one that
// expires while stored disappears on the next read, and one without a domain is skipped.
TEST(CookieStore, StoringReplacesDeletesAndSkips) {
    std::vector<QNetworkCookie> array;
    HTTPFetcher::setCookies(
        { cookie("id", ".b.c"), cookie("id", ".b.c", "/other"), cookie("nodomain", "") }, array);
    QNetworkCookie replacement = cookie("id", ".b.c");
    replacement.setValue("2");
    HTTPFetcher::setCookies({ replacement }, array);
    EXPECT_EQ(names(array), (Names { "id", "id" }));
    EXPECT_EQ(HTTPFetcher::cookieMatchingCookie(replacement, array)->value(), QByteArray("2"));

    QNetworkCookie deletion = cookie("id", ".b.c");
    deletion.setExpirationDate(QDateTime::currentDateTimeUtc().addSecs(-10));
    HTTPFetcher::setCookies({ deletion }, array);
    ASSERT_EQ(names(array), (Names { "id" }));
    EXPECT_EQ(array.front().path(), QStringLiteral("/other"));

    array.push_back(deletion);
    HTTPFetcher::removeExpiredCookiesInArray(array);
    EXPECT_EQ(array.size(), 1u);
}

// Storing many cookies at once takes an indexed path; it must leave the same list, in the same
// order, as storing them one by one.
TEST(CookieStore, StoringABatchEqualsStoringOneByOne) {
    std::vector<QNetworkCookie> incoming;
    for (int i = 0; i < 20; ++i) {
        QNetworkCookie c = cookie(i % 3 ? "a" : "b", i % 2 ? ".b.c" : "b.c", i % 5 ? "/" : "/x");
        c.setValue(QByteArray::number(i));
        if (i % 7 == 0)
            c.setExpirationDate(QDateTime::currentDateTimeUtc().addSecs(-10));
        incoming.push_back(c);
    }
    std::vector<QNetworkCookie> batch { cookie("b", "b.c"), cookie("z", ".b.c") }, single = batch;
    HTTPFetcher::setCookies(incoming, batch);
    for (const auto& c : incoming)
        HTTPFetcher::setCookies({ c }, single);
    EXPECT_TRUE(batch == single);
    EXPECT_EQ(batch.size(), 8u);
}

// Defaults for domain and path, and no cookie for a foreign domain or a whole registry (a host
// that is one gets a cookie of its own). An empty domain means refused.
TEST(CookieParsing, AppliesRfcDefaultsAndRefusesForeignDomains) {
    const struct {
        const char* url;
        const char* setCookie;
        const char* domain;
        const char* path;
    } rows[] = {
        { "http://www.example.com/docs/page.html", "a=1", "www.example.com", "/docs" },
        { "http://www.example.com/", "a=1; Domain=Example.com; Path=/x", ".example.com", "/x" },
        { "http://www.example.com/", "a=1; Domain=other.com", "", "" },
        { "http://xexample.com/", "a=1; Domain=example.com", "", "" },
        { "http://127.0.0.1/", "a=1; Domain=0.0.1", "", "" },
        { "http://a.example.com/", "a=1; Domain=.com", "", "" },
        { "http://www.example.co.uk/", "a=1; Domain=co.uk", "", "" },
        { "http://www.example.co.uk/", "a=1; Domain=example.co.uk", ".example.co.uk", "/" },
        { "http://github.io/", "a=1; Domain=github.io", "github.io", "/" },
        { "http://localhost:81/", "a=1", "localhost.local", "/" },
        { "http://localhost:81/", "a=1; Domain=localhost", "localhost.local", "/" },
        { "http://127.0.0.1/", "a=1", "127.0.0.1", "/" },
    };
    for (const auto& row : rows) {
        auto parsed = HTTPCookie::cookiesWithResponseHeaderFields(
            fields({ { "Set-Cookie", row.setCookie } }), QUrl(QString::fromLatin1(row.url)));
        ASSERT_EQ(parsed.size(), *row.domain ? 1u : 0u) << row.url << " " << row.setCookie;
        if (!parsed.empty()) {
            EXPECT_EQ(parsed[0].domain(), QString::fromLatin1(row.domain)) << row.setCookie;
            EXPECT_EQ(parsed[0].path(), QString::fromLatin1(row.path)) << row.setCookie;
        }
    }
    // Several fields arrive joined by line breaks.
    auto two = HTTPCookie::cookiesWithResponseHeaderFields(
        fields({ { "Set-Cookie", "a=1\nb=2; Path=/; HttpOnly" } }), QUrl("http://b.c/"));
    EXPECT_EQ(HTTPCookie::requestHeaderFieldsWithCookies(two).value("Cookie"),
              QStringLiteral("a=1; b=2"));
    EXPECT_TRUE(HTTPCookie::requestHeaderFieldsWithCookies({}).empty());
}

using Cookies = FetcherTest;

TEST_F(Cookies, ResponseCookiesGoToTheStaticListAndComeBackOnTheNextFetch) {
    const auto cookieSentTo = [&](const char* url) {
        Outcome outcome;
        begun(QString::fromLatin1(url), outcome)->stopFetching();
        return sent("Cookie");
    };
    Outcome outcome;
    begun("http://www.example.com/login", outcome);
    EXPECT_FALSE(last().request.HTTPShouldHandleCookies());
    EXPECT_TRUE(sent("Cookie").isNull());
    last().answer(
        200, "ok",
        fields({ { "Set-Cookie", "sid=abc; Path=/\nlang=en; Domain=example.com; Path=/" } }));
    EXPECT_EQ(cookieSentTo("http://www.example.com/account"), QStringLiteral("sid=abc; lang=en"));
    EXPECT_EQ(cookieSentTo("http://static.example.com/"), QStringLiteral("lang=en"));

    // The server deletes a cookie by sending it expired.
    begun("http://www.example.com/logout", outcome);
    last().answer(
        200, "bye",
        fields({ { "Set-Cookie", "sid=; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT" } }));
    std::lock_guard guard(environment->staticCookies()->lock);
    EXPECT_EQ(names(environment->staticCookies()->cookies), Names { "lang" });
}

TEST_F(Cookies, HistoryMethodKeepsCookiesInTheHistoryList) {
    auto history = std::make_shared<FetchHistory>();
    Outcome outcome;
    begun("http://example.com/", outcome, [&](HTTPFetcher& f) { f.setFetchHistory(history); });
    last().answer(200, "ok", fields({ { "Set-Cookie", "h=1" } }));
    ASSERT_TRUE(history->contains(kHTTPFetcherHistoryCookiesKey));
    EXPECT_EQ(history->cookies()->cookies.size(), 1u);
    EXPECT_TRUE(environment->staticCookies()->cookies.empty());
}

// The transport method leaves cookies to the transport: the fetcher neither sends nor stores
// any. Other methods read the platform store without storing.
TEST_F(Cookies, TransportAndPlatformMethodsLeaveTheFetchersListAlone) {
    auto& storage = HTTPCookieStorage::sharedHTTPCookieStorage();
    storage.deleteAllCookies();
    storage.setCookies({ cookie("platform", ".example.com") });
    addCookie(*environment->staticCookies(), "s", "v", ".example.com");
    const struct {
        unsigned method;
        bool transportHandles;
        QString sent;
    } rows[] = {
        { kHTTPFetcherCookieStorageMethodSystemDefault, true, QString() },
        { 7, false, QStringLiteral("platform=v") },
    };
    for (const auto& row : rows) {
        Outcome outcome;
        begun("http://www.example.com/", outcome,
              [&](HTTPFetcher& f) { f.setCookieStorageMethod(row.method); });
        EXPECT_EQ(last().request.HTTPShouldHandleCookies(), row.transportHandles);
        EXPECT_EQ(sent("Cookie"), row.sent);
        last().answer(200, "ok", fields({ { "Set-Cookie", "t=1" } }));
        EXPECT_EQ(environment->staticCookies()->cookies.size(), 1u) << row.method;
        EXPECT_EQ(storage.cookies().size(), 1u) << row.method;
    }
    storage.deleteAllCookies();
}

} // namespace
} // namespace sweeplight::fetcher::testing
