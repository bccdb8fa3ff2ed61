#include "FetcherFixture.h"
#include "fetcher/FetchHistory.h"
#include "fetcher/transport/HTTPCookie.h"
#include "fetcher/transport/HTTPCookieStorage.h"

#include <QDateTime>
#include <QNetworkCookie>

namespace sweeplight::fetcher::testing {
namespace {

QNetworkCookie cookie(const char* name, const char* domain, const char* path = "/",
                      bool secure = false) {
    QNetworkCookie result(name, "v");
    result.setDomain(QString::fromLatin1(domain));
    result.setPath(QString::fromLatin1(path));
    result.setSecure(secure);
    return result;
}

std::vector<QByteArray> names(const std::vector<QNetworkCookie>& cookies) {
    std::vector<QByteArray> result;
    for (const auto& c : cookies)
        result.push_back(c.name());
    return result;
}

std::vector<QByteArray> matching(const char* url, std::vector<QNetworkCookie> array) {
    return names(HTTPFetcher::cookiesForURL(QUrl(QString::fromLatin1(url)), array));
}

using Cookies = FetcherTest;

// Cookies set with a Domain attribute are stored with a leading dot and reach the hosts below it;
// cookies set without one (no dot) go back to their own host only.
TEST(CookieMatching, DomainCookiesMatchOnLabelBoundariesHostOnlyCookiesTheirHost) {
    std::vector<QNetworkCookie> array { cookie("dotted", ".b.c"), cookie("bare", "b.c"),
                                        cookie("exact", "a.b.c"), cookie("top", "c"),
                                        cookie("sibling", "x.b.c") };
    EXPECT_EQ(matching("http://a.b.c/", array), (std::vector<QByteArray> { "dotted", "exact" }));
    EXPECT_EQ(matching("http://sub.a.b.c/", array), (std::vector<QByteArray> { "dotted" }));
    // A cookie of b.c must not reach xb.c, whose name merely ends in the same letters.
    EXPECT_TRUE(matching("http://xb.c/", array).empty());
    EXPECT_EQ(matching("http://b.c/", array), (std::vector<QByteArray> { "dotted", "bare" }));
}

TEST(CookieMatching, LocalhostUsesTheLocalhostLocalKey) {
    std::vector<QNetworkCookie> array { cookie("host", "localhost.local"),
                                        cookie("suffix", ".local"), cookie("plain", "localhost"),
                                        cookie("other", "example.com") };
    EXPECT_EQ(matching("http://localhost:8080/x", array),
              (std::vector<QByteArray> { "host", "suffix" }));
    EXPECT_TRUE(matching("file:///tmp/x", array).empty());
}

TEST(CookieMatching, PathIsAPlainPrefixAndSecureNeedsHttps) {
    std::vector<QNetworkCookie> array { cookie("root", ".b.c", "/"), cookie("ab", ".b.c", "/ab"),
                                        cookie("secure", ".b.c", "/", true) };
    EXPECT_EQ(matching("http://b.c/ab", array), (std::vector<QByteArray> { "root", "ab" }));
    EXPECT_EQ(matching("http://b.c/abc", array), (std::vector<QByteArray> { "root", "ab" }));
    EXPECT_EQ(matching("http://b.c/ab/x", array), (std::vector<QByteArray> { "root", "ab" }));
    EXPECT_EQ(matching("http://b.c/a", array), (std::vector<QByteArray> { "root" }));
    EXPECT_EQ(matching("https://b.c/a", array), (std::vector<QByteArray> { "root", "secure" }));
}

TEST(CookieStore, StoringReplacesSameIdentityDeletesWithExpiredAndDropsPastCookies) {
    std::vector<QNetworkCookie> array;
    QNetworkCookie first = cookie("id", ".b.c");
    first.setValue("1");
    QNetworkCookie other = cookie("id", ".b.c", "/other");
    HTTPFetcher::setCookies({ first, other }, array);
    QNetworkCookie replacement = cookie("id", ".b.c");
    replacement.setValue("2");
    HTTPFetcher::setCookies({ replacement }, array);
    ASSERT_EQ(array.size(), 2u);
    EXPECT_EQ(array.back().value(), QByteArray("2"));
    EXPECT_EQ(HTTPFetcher::cookieMatchingCookie(replacement, array)->value(), QByteArray("2"));

    QNetworkCookie deletion = cookie("id", ".b.c");
    deletion.setExpirationDate(QDateTime::currentDateTimeUtc().addSecs(-10));
    HTTPFetcher::setCookies({ deletion }, array);
    EXPECT_EQ(names(array), (std::vector<QByteArray> { "id" }));
    EXPECT_EQ(array.front().path(), QStringLiteral("/other"));

    // A stored cookie whose time runs out disappears on the next read.
    array.push_back(deletion);
    HTTPFetcher::removeExpiredCookiesInArray(array);
    EXPECT_EQ(array.size(), 1u);
}

// Storing many cookies at once takes an indexed path; it must leave the same list, in the same
// order, as storing them one by one.
TEST(CookieStore, StoringABatchEqualsStoringOneByOne) {
    const QDateTime past = QDateTime::currentDateTimeUtc().addSecs(-10);
    std::vector<QNetworkCookie> incoming;
    for (int i = 0; i < 40; ++i) {
        QNetworkCookie c = cookie(i % 7 == 0   ? "a"
                                  : i % 3 == 0 ? "b"
                                               : "c",
                                  i % 2 ? ".b.c" : "b.c", i % 5 == 0 ? "/x" : "/");
        c.setValue(QByteArray::number(i));
        if (i % 11 == 0)
            c.setExpirationDate(past);
        incoming.push_back(c);
    }
    std::vector<QNetworkCookie> start { cookie("b", "b.c"), cookie("z", ".b.c"),
                                        cookie("c", ".b.c") };
    auto batch = start;
    HTTPFetcher::setCookies(incoming, batch);
    auto single = start;
    for (const auto& c : incoming)
        HTTPFetcher::setCookies({ c }, single);
    ASSERT_EQ(batch.size(), single.size());
    for (std::size_t i = 0; i < batch.size(); ++i)
        EXPECT_TRUE(batch[i].hasSameIdentifier(single[i]) && batch[i].value() == single[i].value())
            << i;
}

TEST_F(Cookies, IncompleteCookiesAreSkippedWithAReport) {
    std::vector<QNetworkCookie> array;
    HTTPFetcher::setCookies({ cookie("nodomain", ""), cookie("good", ".b.c") }, array);
    EXPECT_EQ(names(array), (std::vector<QByteArray> { "good" }));
    EXPECT_TRUE(logged("Cookie incomplete: "));
}

TEST(CookieParsing, AppliesRfcDefaultsAndRefusesForeignDomains) {
    auto parse = [](const char* url, const char* setCookie) {
        return HTTPCookie::cookiesWithResponseHeaderFields(fields({ { "Set-Cookie", setCookie } }),
                                                           QUrl(QString::fromLatin1(url)));
    };
    auto hostOnly = parse("http://www.example.com/docs/page.html", "a=1");
    ASSERT_EQ(hostOnly.size(), 1u);
    EXPECT_EQ(hostOnly[0].domain(), QStringLiteral("www.example.com"));
    EXPECT_EQ(hostOnly[0].path(), QStringLiteral("/docs"));

    auto domain = parse("http://www.example.com/", "a=1; Domain=Example.com; Path=/x");
    ASSERT_EQ(domain.size(), 1u);
    EXPECT_EQ(domain[0].domain(), QStringLiteral(".example.com"));
    EXPECT_EQ(domain[0].path(), QStringLiteral("/x"));

    EXPECT_TRUE(parse("http://www.example.com/", "a=1; Domain=other.com").empty());
    EXPECT_TRUE(parse("http://xexample.com/", "a=1; Domain=example.com").empty());
    EXPECT_TRUE(parse("http://127.0.0.1/", "a=1; Domain=0.0.1").empty());
    // No cookie for a whole registry; a host that is one gets a cookie of its own.
    EXPECT_TRUE(parse("http://a.example.com/", "a=1; Domain=.com").empty());
    EXPECT_TRUE(parse("http://www.example.co.uk/", "a=1; Domain=co.uk").empty());
    EXPECT_EQ(parse("http://www.example.co.uk/", "a=1; Domain=example.co.uk")[0].domain(),
              QStringLiteral(".example.co.uk"));
    EXPECT_EQ(parse("http://github.io/", "a=1; Domain=github.io")[0].domain(),
              QStringLiteral("github.io"));

    EXPECT_EQ(parse("http://localhost:81/", "a=1")[0].domain(), QStringLiteral("localhost.local"));
    EXPECT_EQ(parse("http://localhost:81/", "a=1; Domain=localhost")[0].domain(),
              QStringLiteral("localhost.local"));
    EXPECT_EQ(parse("http://127.0.0.1/", "a=1")[0].domain(), QStringLiteral("127.0.0.1"));

    // Several fields arrive joined by line breaks.
    auto two = parse("http://b.c/", "a=1\nb=2; Path=/; HttpOnly");
    EXPECT_EQ(names(two), (std::vector<QByteArray> { "a", "b" }));
    EXPECT_EQ(HTTPCookie::requestHeaderFieldsWithCookies(two).value("Cookie"),
              QStringLiteral("a=1; b=2"));
    EXPECT_TRUE(HTTPCookie::requestHeaderFieldsWithCookies({}).empty());
}

TEST_F(Cookies, ResponseCookiesGoToTheStaticListAndComeBackOnTheNextFetch) {
    auto first = create(get("http://www.example.com/login"));
    EXPECT_EQ(first->cookieStorageMethod(), 0u);
    EXPECT_FALSE(first->request()->HTTPShouldHandleCookies());
    Outcome outcome;
    ASSERT_TRUE(begin(*first, outcome));
    EXPECT_FALSE(factory->lastRecord().request.allHTTPHeaderFields().contains("Cookie"));
    factory->lastRecord().answer(
        200, "ok",
        fields({ { "Set-Cookie", "sid=abc; Path=/\nlang=en; Domain=example.com; Path=/" } }));

    auto second = create(get("http://www.example.com/account"));
    ASSERT_TRUE(begin(*second, outcome));
    EXPECT_EQ(factory->lastRecord().request.valueForHTTPHeaderField("Cookie"),
              QStringLiteral("sid=abc; lang=en"));
    second->stopFetching();

    auto elsewhere = create(get("http://static.example.com/"));
    ASSERT_TRUE(begin(*elsewhere, outcome));
    EXPECT_EQ(factory->lastRecord().request.valueForHTTPHeaderField("Cookie"),
              QStringLiteral("lang=en"));
    elsewhere->stopFetching();

    // The server deletes a cookie by sending it expired.
    auto logout = create(get("http://www.example.com/logout"));
    ASSERT_TRUE(begin(*logout, outcome));
    factory->lastRecord().answer(
        200, "bye",
        fields({ { "Set-Cookie", "sid=; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT" } }));
    std::lock_guard guard(HTTPFetcher::staticCookies()->lock);
    EXPECT_EQ(names(HTTPFetcher::staticCookies()->cookies), (std::vector<QByteArray> { "lang" }));
}

TEST_F(Cookies, HistoryMethodKeepsCookiesInTheHistoryList) {
    auto history = std::make_shared<FetchHistory>();
    auto fetcher = create(get("http://example.com/"));
    fetcher->setFetchHistory(history);
    EXPECT_EQ(fetcher->cookieStorageMethod(), 1u);
    EXPECT_FALSE(history->contains(kHTTPFetcherHistoryCookiesKey));
    EXPECT_TRUE(fetcher->cookiesForURL(QUrl("http://example.com/")).empty());
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    factory->lastRecord().answer(200, "ok", fields({ { "Set-Cookie", "h=1" } }));
    ASSERT_TRUE(history->contains(kHTTPFetcherHistoryCookiesKey));
    EXPECT_EQ(history->cookies()->cookies.size(), 1u);
    EXPECT_TRUE(HTTPFetcher::staticCookies()->cookies.empty());

    fetcher->setFetchHistory(nullptr);
    EXPECT_EQ(fetcher->cookieStorageMethod(), 0u);
}

TEST_F(Cookies, TransportMethodLeavesCookiesToTheTransport) {
    {
        std::lock_guard guard(HTTPFetcher::staticCookies()->lock);
        HTTPFetcher::staticCookies()->cookies.push_back(cookie("s", ".example.com"));
    }
    auto fetcher = create(get("http://example.com/"));
    fetcher->setCookieStorageMethod(kHTTPFetcherCookieStorageMethodSystemDefault);
    EXPECT_TRUE(fetcher->request()->HTTPShouldHandleCookies());
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    EXPECT_TRUE(factory->lastRecord().request.HTTPShouldHandleCookies());
    EXPECT_FALSE(factory->lastRecord().request.allHTTPHeaderFields().contains("Cookie"));
    factory->lastRecord().answer(200, "ok", fields({ { "Set-Cookie", "t=1" } }));
    EXPECT_EQ(HTTPFetcher::staticCookies()->cookies.size(), 1u);
}

TEST_F(Cookies, OtherMethodsReadThePlatformStoreWithoutStoring) {
    auto& storage = HTTPCookieStorage::sharedHTTPCookieStorage();
    storage.deleteAllCookies();
    storage.setCookies({ cookie("platform", ".example.com") });
    auto fetcher = create(get("http://www.example.com/"));
    fetcher->setCookieStorageMethod(7);
    Outcome outcome;
    ASSERT_TRUE(begin(*fetcher, outcome));
    EXPECT_EQ(factory->lastRecord().request.valueForHTTPHeaderField("Cookie"),
              QStringLiteral("platform=v"));
    factory->lastRecord().answer(200, "ok", fields({ { "Set-Cookie", "t=1" } }));
    EXPECT_EQ(storage.cookies().size(), 1u);
    EXPECT_TRUE(HTTPFetcher::staticCookies()->cookies.empty());
    storage.deleteAllCookies();
}

TEST(CookieStorage, PlatformStoreMatchesHostOnlyPathBoundariesAndSecurity) {
    HTTPCookieStorage storage;
    storage.setCookies({ cookie("host", "example.com"), cookie("dom", ".example.com"),
                         cookie("deep", "example.com", "/ab"), cookie("local", "localhost.local"),
                         cookie("secure", "secure.example.com", "/", true) });
    EXPECT_EQ(names(storage.cookiesForURL(QUrl("http://secure.example.com/"))),
              (std::vector<QByteArray> { "dom" }));
    EXPECT_EQ(names(storage.cookiesForURL(QUrl("https://secure.example.com/"))),
              (std::vector<QByteArray> { "dom", "secure" }));
    EXPECT_EQ(names(storage.cookiesForURL(QUrl("http://example.com/ab/c"))),
              (std::vector<QByteArray> { "host", "dom", "deep" }));
    EXPECT_EQ(names(storage.cookiesForURL(QUrl("http://example.com/abc"))),
              (std::vector<QByteArray> { "host", "dom" }));
    EXPECT_EQ(names(storage.cookiesForURL(QUrl("http://www.example.com/"))),
              (std::vector<QByteArray> { "dom" }));
    EXPECT_EQ(names(storage.cookiesForURL(QUrl("http://localhost/"))),
              (std::vector<QByteArray> { "local" }));
}

} // namespace
} // namespace sweeplight::fetcher::testing
