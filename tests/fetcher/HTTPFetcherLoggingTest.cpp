#include "FetcherFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace sweeplight::fetcher::testing {
namespace {

const QString kProcess = QStringLiteral("fetchtest");
const QString kStamp = QStringLiteral("1-01_09-30-00AM");

class Logging : public FetcherTest {
protected:
    void SetUp() override {
        FetcherTest::SetUp();
        ASSERT_TRUE(directory.isValid());
        environment->log().setDirectory(directory.path());
        environment->log().setProcessName(kProcess);
        environment->log().setDateStamp(kStamp);
        environment->log().setEnabled(true);
    }

    void fetch(const QString& url, int status, const QByteArray& body, const QString& mimeType,
               HTTPHeaderFields headerFields = {}, std::optional<QByteArray> post = std::nullopt) {
        auto fetcher = create(get(url));
        fetcher->setPostData(post);
        Outcome outcome;
        ASSERT_TRUE(begin(*fetcher, outcome));
        factory->lastRecord().respond(status, std::move(headerFields), mimeType);
        if (!body.isEmpty())
            factory->lastRecord().send(body);
        factory->lastRecord().finish();
    }

    // Exchange number of a body file name ("..._N.ext").
    static int numberOf(const QString& name) {
        return name.section('_', -1).section('.', 0, 0).toInt();
    }

    QStringList bodyFiles() const {
        return QDir(directory.path()).entryList({ kProcess + "_http_response_*" }, QDir::Files);
    }

    int latestNumber() const {
        int latest = 0;
        for (const QString& name : bodyFiles())
            latest = std::max(latest, numberOf(name));
        return latest;
    }

    // Extensions of the body files of the latest exchange.
    QStringList latestBodyFiles() const {
        QStringList result;
        for (const QString& name : bodyFiles())
            if (numberOf(name) == latestNumber())
                result << name.section('.', -1);
        result.sort();
        return result;
    }

    QByteArray latestFile(const QString& extension) const {
        for (const QString& name : bodyFiles()) {
            if (numberOf(name) != latestNumber() || !name.endsWith("." + extension))
                continue;
            QFile file(QDir(directory.path()).filePath(name));
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }
        return {};
    }

    QByteArray page() const {
        QFile file(QDir(directory.path()).filePath(kProcess + "_http_log_" + kStamp + ".html"));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    QTemporaryDir directory;
};

TEST_F(Logging, OffWritesNothing) {
    environment->log().setEnabled(false);
    fetch("http://example.com/", 200, "{\"a\":1}", "application/json");
    EXPECT_TRUE(QDir(directory.path()).isEmpty());
}

TEST_F(Logging, FirstExchangeCreatesThePageLaterOnesAppendAndNewestLinkFollows) {
    fetch("http://example.com/one", 200, "{}", "application/json");
    fetch("http://example.com/two", 404, "", "text/plain");
    QByteArray text = page();
    EXPECT_EQ(text.count("<html><head>"), 1);
    EXPECT_EQ(text.count("<br><hr><p>"), 2);
    EXPECT_TRUE(text.contains("<code>http://example.com/two</code>"));

    QFileInfo newest(QDir(directory.path()).filePath(kProcess + "_http_log_newest.html"));
    ASSERT_TRUE(newest.isSymLink());
    EXPECT_EQ(QFileInfo(newest.symLinkTarget()).fileName(),
              kProcess + "_http_log_" + kStamp + ".html");
}

// Two runs in the same second must not share a page or body files; logs hold cookies and bodies,
// so only their owner may read them.
TEST_F(Logging, RunsInTheSameSecondGetTheirOwnStampAndFilesAreTheOwnersOnly) {
    const QString folder = directory.path() + QStringLiteral("/logs");
    environment->log().setDirectory(folder);
    environment->log().setDateStamp(QString());
    const QString first = environment->log().dateStamp();
    fetch("http://example.com/one", 200, "first run", "text/plain");
    environment->log().setDateStamp(QString()); // as a new run starts
    const QString second = environment->log().dateStamp();
    EXPECT_NE(first, second);
    fetch("http://example.com/two", 200, "second run", "text/plain");
    EXPECT_EQ(QDir(folder).entryList({ kProcess + "_http_log_*" }).size(), 3); // and newest

    const auto othersMayAccess = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                 QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                 QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_FALSE(QFileInfo(folder).permissions() & othersMayAccess);
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::NoSymLinks);
    EXPECT_EQ(files.size(), 4);
    for (const QString& name : files)
        EXPECT_FALSE(QFileInfo(QDir(folder).filePath(name)).permissions() & othersMayAccess)
            << name.toStdString();
}

TEST_F(Logging, BodyFilesDependOnTheKindOfBody) {
    fetch("http://example.com/json", 200, "  {\"a\": 1}\n", "application/json");
    EXPECT_EQ(latestBodyFiles(), QStringList { "html" });
    EXPECT_TRUE(latestFile("html").contains("<textarea rows=\"33\" cols=\"108\" readonly=true "
                                            "wrap=soft>\n{&quot;a&quot;: 1}\n</textarea>"));

    fetch("http://example.com/xml", 200, "<?xml version=\"1.0\"?><a/>", "text/xml");
    EXPECT_EQ(latestBodyFiles(), (QStringList { "html", "xml" }));
    EXPECT_EQ(latestFile("xml"), QByteArray("<?xml version=\"1.0\"?><a/>"));

    fetch("http://example.com/page", 200, "<html><body>hi</body></html>", "text/html");
    EXPECT_EQ(latestBodyFiles(), QStringList { "html" });
    EXPECT_EQ(latestFile("html"), QByteArray("<html><body>hi</body></html>"));
    EXPECT_TRUE(page().contains("formatted <b>html</b>"));

    const QByteArray png("\x89PNG\r\n\x1a\n\x00\x01\xff", 11);
    fetch("http://example.com/p.png", 200, png, "image/png");
    EXPECT_EQ(latestBodyFiles(), QStringList { "png" });
    EXPECT_EQ(latestFile("png"), png);
}

// A server controls header fields and URLs; the page must show them, not run them.
TEST_F(Logging, PageEscapesEverythingItShows) {
    fetch("http://example.com/?q=<script>x</script>", 200, "</textarea><script>alert(2)</script>",
          "text/plain", fields({ { "X-Evil", "<script>alert(1)</script>" } }),
          QByteArray("a=<b>&c=d"));
    QByteArray text = page();
    EXPECT_FALSE(text.contains("<script>alert"));
    EXPECT_FALSE(text.contains("<b>&c"));
    EXPECT_TRUE(text.contains("X-Evil: &lt;script&gt;alert(1)&lt;/script&gt;"));
    EXPECT_FALSE(latestFile("html").contains("</textarea><script>"));
}

TEST_F(Logging, PostedPasswordIsMasked) {
    fetch("http://example.com/login", 200, "ok", "text/plain", {},
          QByteArray("user=ann&Passwd=hunter2&keep=1"));
    QByteArray text = page();
    EXPECT_TRUE(text.contains("user=ann&amp;Passwd=_snip_&amp;keep=1"));
    EXPECT_FALSE(text.contains("hunter2"));
    EXPECT_TRUE(text.contains("posted data (30 bytes)"));
}

TEST(LoggingText, MaskingReplacesOnlyThePasswordValue) {
    const QString name = QStringLiteral("&Passwd=");
    EXPECT_EQ(HTTPFetcher::cleanParameterFollowing(name, "a=1&Passwd=secret"),
              QStringLiteral("a=1&Passwd=_snip_"));
    EXPECT_EQ(HTTPFetcher::cleanParameterFollowing(name, "a=1&Passwd=secret&b=2"),
              QStringLiteral("a=1&Passwd=_snip_&b=2"));
    EXPECT_EQ(HTTPFetcher::cleanParameterFollowing(name, "Passwd=secret&b=2"),
              QStringLiteral("Passwd=secret&b=2"));
}

TEST(LoggingText, StreamDataBecomesTextOrAByteCount) {
    EXPECT_TRUE(HTTPFetcher::stringFromStreamData(nullptr).isNull());
    QByteArray utf8("caf\xc3\xa9");
    EXPECT_EQ(HTTPFetcher::stringFromStreamData(&utf8), QString::fromUtf8(utf8));
    QByteArray binary("\xff\xfe\x00\x01", 4);
    EXPECT_EQ(HTTPFetcher::stringFromStreamData(&binary), QStringLiteral("<<4 bytes>>"));

    QByteArray multipart("--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nhello\r\n"
                         "--XyZ\r\nContent-Type: image/png\r\n\r\n\x89PNG\xff\r\n--XyZ--\r\n");
    QString text = HTTPFetcher::stringFromStreamData(&multipart);
    EXPECT_TRUE(text.contains("name=\"a\"\r\n\r\nhello")) << text.toStdString();
    EXPECT_TRUE(text.contains("\r\r\nContent-Type: image/png\r<<7 bytes>>\r"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("PNG"));
}

TEST(LoggingText, ProcessNameTakesUnderscoresForSpaces) {
    FetchLog log;
    QCoreApplication::setApplicationName(QStringLiteral("my fetch app"));
    EXPECT_EQ(log.processName(), QStringLiteral("my_fetch_app"));
    QCoreApplication::setApplicationName(QString());
}

} // namespace
} // namespace sweeplight::fetcher::testing
