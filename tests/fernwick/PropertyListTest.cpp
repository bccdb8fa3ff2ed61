#include "foundation/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <sys/stat.h>

using sweeplight::foundation::PropertyList;

namespace {

PropertyList sampleTree() {
    PropertyList record =
        PropertyList::dictionary({ { "score", PropertyList::integer(-5) },
                                   { "shouldsubmit", PropertyList::boolean(true) } });
    return PropertyList::dictionary({
        { "appopened", PropertyList::integer(7) },
        { "highscore", record },
        { "lastmessagedate",
          PropertyList::date(QDateTime(QDate(2009, 3, 1), QTime(10, 0, 0), QTimeZone::utc())) },
        { "ratio", PropertyList::real(0.25) },
        // Two-, three- (from U+0800 on) and four-byte characters.
        { "name", PropertyList::string("caf\xc3\xa9 & <tags> \xe0\xa0\x80 \xf0\x9f\x98\x80") },
        { "blob", PropertyList::data(QByteArray("\x00\x01\xff", 3)) },
        { "list", PropertyList::array({ PropertyList::integer(1), PropertyList::string("two") }) },
        { "empty", PropertyList::string("") },
    });
}

} // namespace

TEST(PropertyList, IntegerValueReadsLooselyTypedNumbers) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(PropertyList::real(-2.9).integerValue(), -2);
    EXPECT_EQ(PropertyList::boolean(true).integerValue(), 1);
    EXPECT_EQ(PropertyList::string("  -17 launches").integerValue(), -17);
    EXPECT_EQ(PropertyList::string("99999999999999999999999").integerValue(), kMax);
    EXPECT_EQ(PropertyList::real(1e300).integerValue(), kMax);
    EXPECT_EQ(PropertyList::dictionary().integerValue(), 0);
}

TEST(PropertyList, ReadsTheFormsOtherWritersUse) {
    using P = PropertyList;
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                             "<plist version=\"1.0\">";
    const struct {
        std::string body;
        PropertyList expected;
    } cases[] = {
        { "<string>&amp;&lt;&#233;&#x263A;&apos;</string>", P::string("&<\xc3\xa9\xe2\x98\xba'") },
        { "<string><![CDATA[<a>&]]>!<!-- c --></string>", P::string("<a>&!") },
        { "<string/>", P::string("") },
        { "<integer> -12 </integer>", P::integer(-12) },
        { "<integer>0x1F</integer>", P::integer(31) },
        { "<integer>18446744073709551615</integer>", P::integer(-1) },
        { "<real>+infinity</real>", P::real(std::numeric_limits<double>::infinity()) },
        { "<data>\n\tAAH/\n\tAA==\n</data>", P::data(QByteArray("\x00\x01\xff\x00", 4)) },
        { "<dict><key>b</key><true/><key>b</key><false></false></dict>",
          P::dictionary({ { "b", P::boolean(false) } }) },
    };
    for (const auto& [body, expected] : cases) {
        std::string error;
        auto back = PropertyList::fromXml(head + body + "</plist>\n", &error);
        ASSERT_TRUE(back) << body << ": " << error;
        EXPECT_EQ(*back, expected) << body;
    }
}

// A NUL inside a text would be cut short by everything downstream, so the file is refused whole,
// as are files cut short and values of no type.
TEST(PropertyList, RefusesWhatIsNotAPropertyListWithAReason) {
    const std::string xml = *sampleTree().toXml();
    std::vector<std::string> documents { "", "this is not xml at all",
                                         "<?xml version=\"1.0\"?><html><body/></html>" };
    for (std::size_t length : { xml.size() / 2, xml.size() - 12 })
        documents.push_back(xml.substr(0, length));
    for (const std::string& body : std::initializer_list<std::string> {
             "<integer>12a</integer>", "<real>1e999</real>", "<date>yesterday</date>",
             "<data>!!</data>", "<string>&nbsp;</string>", "<string>a&#0;b</string>",
             "<string>a" + std::string(1, '\0') + "b</string>", "<string>a<b/></string>",
             "<dict><key>a</key></dict>", "<dict><integer>1</integer></dict>", "<key>a</key>",
             "<string>a</string><string>b</string>" })
        documents.push_back("<plist version=\"1.0\">" + body + "</plist>");
    for (const std::string& document : documents) {
        std::string error;
        EXPECT_FALSE(PropertyList::fromXml(document, &error)) << document;
        EXPECT_FALSE(error.empty()) << document;
    }
}

TEST(PropertyList, KeysAndTextsAreWrittenAsWellFormedUtf8) {
    const std::string r = "\xef\xbf\xbd";
    // Read from a file that is not well-formed UTF-8...
    auto read = PropertyList::fromXml("<plist><dict><key>k\xff</key><string>caf\xe9 \xc3\xa9 "
                                      "\xed\xa0\x80 \xc0\xaf</string></dict></plist>");
    ASSERT_TRUE(read);
    EXPECT_EQ(*read->find("k" + r)->asString(), "caf" + r + " \xc3\xa9 " + r + r + r + " " + r + r);
    // ...or set in memory, with characters XML cannot carry.
    const std::string text("a\1b\0c\xf5\r", 7);
    auto xml = PropertyList::dictionary({ { "\x80key", PropertyList::string(text) } }).toXml();
    ASSERT_TRUE(xml);
    EXPECT_NE(xml->find("<key>" + r + "key</key>"), std::string::npos) << *xml;
    EXPECT_NE(xml->find("<string>a" + r + "b" + r + "c" + r + "&#13;</string>"), std::string::npos);
    EXPECT_TRUE(QString::fromUtf8(*xml).toUtf8() == QByteArray::fromStdString(*xml));
}

QDateTime utcYear(int year) {
    return QDateTime(QDate(year, 1, 1), QTime(0, 0), QTimeZone::utc());
}

// A write replaces the whole file, for its owner only, leaving no temporaries, and reads back
// as it was written; a failed one keeps the old file.
TEST(PropertyList, WriteFileReplacesTheWholeFileOrNothing) {
    QTemporaryDir folder;
    const QString path = folder.filePath("data.plist");
    for (int round = 0; round < 2; ++round) { // created, then replaced
        ASSERT_TRUE(sampleTree().writeFile(path));
        struct stat status {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u) << round;
        ::chmod(QFile::encodeName(path).constData(), 0644);
    }
    // Dates outside the file format are not written.
    for (int year : { 1800, 2200 })
        EXPECT_FALSE(PropertyList::dictionary({ { "when", PropertyList::date(utcYear(year)) } })
                         .writeFile(path));
    EXPECT_EQ(*PropertyList::readFile(path), sampleTree());
    EXPECT_FALSE(sampleTree().writeFile(folder.filePath("missing/sub/data.plist")));

    const PropertyList small = PropertyList::dictionary({ { "a", PropertyList::integer(1) } });
    ASSERT_TRUE(small.writeFile(path));
    EXPECT_EQ(PropertyList::readFile(path), small) << "no tail of the longer file is left";
    EXPECT_NE(small.toXml()->find("<plist version=\"1.0\">"), std::string::npos);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList { "data.plist" });
}

TEST(PropertyList, ReadFileRefusesWhatIsNotARegularFileOfReasonableSize) {
    QTemporaryDir folder;
    const QString fifo = folder.filePath("fifo.plist");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = folder.filePath("large.plist");
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize((qint64(64) << 20) + 1)); // sparse
    file.close();
    const std::pair<QString, std::string> cases[] = {
        { "/nonexistent/folder/file.plist", "No such file or directory" },
        { fifo, "not a regular file" }, // a FIFO with no writer: opening it must not wait
        { folder.path(), "not a regular file" },
        { large, "larger than the limit of 64 MiB" },
    };
    for (const auto& [path, reason] : cases) {
        std::string error;
        EXPECT_FALSE(PropertyList::readFile(path, &error)) << path.toStdString();
        EXPECT_EQ(error, reason) << path.toStdString();
    }
}

TEST(PropertyList, DeepNestingIsRefusedBeforeTheReaderRecursesIntoIt) {
    auto times = [](const std::string& text, int count) {
        std::string out;
        while (count-- > 0)
            out += text;
        return out;
    };
    auto nested = [&](int depth, const std::string& between) {
        return "<plist>" + times("<array>" + between, depth) + times("</array>", depth) +
               "</plist>";
    };
    std::string error;
    EXPECT_FALSE(PropertyList::fromXml(nested(200000, ""), &error));
    EXPECT_EQ(error, "property list nested too deeply");
    EXPECT_FALSE(PropertyList::fromXml(nested(200000, "<!-- > </array> -->")))
        << "a closing tag in a comment closes nothing";
    EXPECT_TRUE(PropertyList::fromXml(nested(200, "<!-- > </array> -->")));

    // Empty containers do not nest, however many there are.
    auto back = PropertyList::fromXml("<plist><array>" + times("<array/><dict />", 500) +
                                      "</array></plist>");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->asArray()->size(), 1000u);
}
