#include "FetcherFixture.h"

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

    // The body files the exchange wrote, by extension, with their contents.
    std::map<QString, QByteArray> fetch(const QString& url, int status, const QByteArray& body,
                                        const QString& mimeType, HTTPHeaderFields headerFields = {},
                                        std::optional<QByteArray> post = std::nullopt) {
        const QDir folder(environment->log().directory());
        const QStringList pattern { kProcess + "_http_response_*" };
        const QStringList before = folder.entryList(pattern, QDir::Files);
        Outcome outcome;
        begun(url, outcome, [&](HTTPFetcher& f) { f.setPostData(post); });
        last().respond(status, std::move(headerFields), mimeType);
        if (!body.isEmpty())
            last().send(body);
        last().finish();
        std::map<QString, QByteArray> written;
        for (const QString& name : folder.entryList(pattern, QDir::Files)) {
            QFile file(folder.filePath(name));
            if (!before.contains(name) && file.open(QIODevice::ReadOnly))
                written[name.section('.', -1)] = file.readAll();
        }
        return written;
    }

    QByteArray page() const {
        QFile file(QDir(directory.path()).filePath(kProcess + "_http_log_" + kStamp + ".html"));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    QTemporaryDir directory;
};

TEST_F(Logging, FirstExchangeCreatesThePageLaterOnesAppendAndNewestLinkFollows) {
    environment->log().setEnabled(false);
    fetch("http://example.com/", 200, "{\"a\":1}", "application/json");
    EXPECT_TRUE(QDir(directory.path()).isEmpty()) << "switched off, nothing is written";
    environment->log().setEnabled(true);

    fetch("http://example.com/one", 200, "{}", "application/json");
    fetch("http://example.com/two", 404, "", "text/plain");
    EXPECT_EQ(page().count("<html><head>"), 1);
    EXPECT_EQ(page().count("<br><hr><p>"), 2);
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
    EXPECT_NE(first, environment->log().dateStamp());
    fetch("http://example.com/two", 200, "second run", "text/plain");
    EXPECT_EQ(QDir(folder).entryList({ kProcess + "_http_log_*" }).size(), 3); // and newest

    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::NoSymLinks);
    EXPECT_EQ(files.size(), 4);
    for (const QString& name : files << QString()) // and the folder itself
        EXPECT_FALSE(QFileInfo(QDir(folder).filePath(name)).permissions() & others)
            << name.toStdString();
}

// JSON is shown formatted in a page of its own, XML kept with such a page, images kept as they
// came.
TEST_F(Logging, BodyFilesDependOnTheKindOfBody) {
    const QByteArray png("\x89PNG\r\n\x1a\n\x00\x01\xff", 11);
    const struct {
        const char* mimeType;
        QByteArray body;
        QStringList files;
        QByteArray shown; // in the file of the last extension, if not the body
    } rows[] = {
        { "application/json", "  {\"a\": 1}\n", { "html" }, "\n{&quot;a&quot;: 1}\n</textarea>" },
        { "text/xml", "<?xml version=\"1.0\"?><a/>", { "html", "xml" }, {} },
        { "image/png", png, { "png" }, {} },
    };
    for (const auto& row : rows) {
        const auto written = fetch("http://example.com/" + QString::fromLatin1(row.mimeType), 200,
                                   row.body, QString::fromLatin1(row.mimeType));
        QStringList files;
        for (const auto& [extension, contents] : written)
            files << extension;
        EXPECT_EQ(files, row.files) << row.mimeType;
        EXPECT_TRUE(
            written.at(row.files.back()).contains(row.shown.isNull() ? row.body : row.shown))
            << row.mimeType;
    }
}

// A server controls header fields and URLs; the page must show them, not run them. A posted
// password never reaches the page.
TEST_F(Logging, PageEscapesEverythingItShowsAndMasksPasswords) {
    auto written = fetch("http://example.com/?q=<script>x</script>", 200,
                         "</textarea><script>alert(2)</script>", "text/plain",
                         fields({ { "X-Evil", "<script>alert(1)</script>" } }),
                         QByteArray("a=<b>&Passwd=hunter2&c=d"));
    QByteArray text = page();
    EXPECT_FALSE(text.contains("<script>alert"));
    EXPECT_FALSE(text.contains("<b>&"));
    EXPECT_TRUE(text.contains("X-Evil: &lt;script&gt;alert(1)&lt;/script&gt;"));
    EXPECT_FALSE(written.at("html").contains("</textarea><script>"));
    EXPECT_TRUE(text.contains("a=&lt;b&gt;&amp;Passwd=_snip_&amp;c=d"));
    EXPECT_FALSE(text.contains("hunter2"));
}

TEST(LoggingText, StreamDataBecomesTextOrAByteCount) {
    EXPECT_TRUE(HTTPFetcher::stringFromStreamData(nullptr).isNull());
    QByteArray binary("\xff\xfe\x00\x01", 4);
    EXPECT_EQ(HTTPFetcher::stringFromStreamData(&binary), QStringLiteral("<<4 bytes>>"));
    QByteArray multipart("--X\r\nContent-Disposition: form-data\r\n\r\nhello\r\n"
                         "--X\r\nContent-Type: image/png\r\n\r\n\x89PNG\xff\r\n--X--\r\n");
    const QString text = HTTPFetcher::stringFromStreamData(&multipart);
    EXPECT_TRUE(text.contains("\nhello\r") && text.contains("image/png\r<<7 bytes>>\r") &&
                !text.contains("PNG"))
        << text.toStdString();
}

} // namespace
} // namespace sweeplight::fetcher::testing
