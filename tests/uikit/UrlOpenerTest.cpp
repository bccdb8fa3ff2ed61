#include "uikit/UrlOpener.h"

#include <QUrl>
#include <gtest/gtest.h>

namespace sweeplight::uikit {
namespace {

TEST(UrlOpener, AHookReceivesEveryUrlUntilItIsRemoved) {
    std::vector<QUrl> opened;
    UrlOpener::Hook previous = UrlOpener::setHook([&](const QUrl& url) {
        opened.push_back(url);
        return url.scheme() == "https";
    });
    EXPECT_FALSE(previous);
    EXPECT_TRUE(UrlOpener::openUrl(QUrl("https://example.org/a?b=c")));
    EXPECT_FALSE(UrlOpener::openUrl(QUrl("mailto:someone@example.org")));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].toString(), "https://example.org/a?b=c");

    // Installing another hook hands back the first, which can be put back later.
    UrlOpener::Hook first = UrlOpener::setHook([](const QUrl&) { return true; });
    ASSERT_TRUE(first);
    UrlOpener::setHook(first);
    UrlOpener::openUrl(QUrl("http://example.org/"));
    EXPECT_EQ(opened.size(), 3u);
    UrlOpener::setHook(nullptr);
}

} // namespace
} // namespace sweeplight::uikit
