#include "foundation/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

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
        { "name", PropertyList::string("caf\xc3\xa9 & <tags>") },
        { "blob", PropertyList::data(QByteArray("\x00\x01\xff", 3)) },
        { "list", PropertyList::array({ PropertyList::integer(1), PropertyList::string("two") }) },
        { "empty", PropertyList::string("") },
    });
}

} // namespace

TEST(PropertyList, XmlRoundTripKeepsEveryTypeAndValue) {
    const PropertyList tree = sampleTree();
    auto xml = tree.toXml();
    ASSERT_TRUE(xml);
    EXPECT_NE(xml->find("<plist version=\"1.0\">"), std::string::npos);
    auto back = PropertyList::fromXml(*xml);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, tree);
    EXPECT_EQ(back->find("highscore")->find("score")->asInteger(), -5);
    EXPECT_EQ(*back->find("name")->asString(), "caf\xc3\xa9 & <tags>");
}

TEST(PropertyList, NestedRecordsChangeInPlace) {
    PropertyList tree = sampleTree();
    PropertyList* record = tree.find("highscore");
    ASSERT_TRUE(record);
    record->set("score", PropertyList::integer(12));
    EXPECT_EQ(tree.find("highscore")->find("score")->asInteger(), 12);
    EXPECT_FALSE(PropertyList::integer(3).set("x", PropertyList::integer(1)));
    EXPECT_EQ(PropertyList::integer(3).find("x"), nullptr);
}

TEST(PropertyList, IntegerValueReadsLooselyTypedNumbers) {
    EXPECT_EQ(PropertyList::integer(41).integerValue(), 41);
    EXPECT_EQ(PropertyList::real(-2.9).integerValue(), -2);
    EXPECT_EQ(PropertyList::boolean(true).integerValue(), 1);
    EXPECT_EQ(PropertyList::string("  17 launches").integerValue(), 17);
    EXPECT_EQ(PropertyList::string("-3").integerValue(), -3);
    EXPECT_EQ(PropertyList::string("none").integerValue(), 0);
    EXPECT_EQ(PropertyList::string("99999999999999999999999").integerValue(),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(PropertyList::real(1e300).integerValue(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(PropertyList::dictionary().integerValue(), 0);
}

TEST(PropertyList, RejectsTextThatIsNotAPropertyList) {
    std::string error;
    EXPECT_FALSE(PropertyList::fromXml("", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(PropertyList::fromXml("this is not xml at all"));
    EXPECT_FALSE(PropertyList::fromXml("<?xml version=\"1.0\"?><html><body/></html>"));
    const std::string xml = *sampleTree().toXml();
    for (std::size_t length : { std::size_t(1), xml.size() / 3, xml.size() / 2, xml.size() - 12 })
        EXPECT_FALSE(PropertyList::fromXml(std::string_view(xml).substr(0, length)))
            << "truncated to " << length;
}

TEST(PropertyList, DatesOutsideTheFileFormatAreNotWritten) {
    PropertyList tree = PropertyList::dictionary(
        { { "when",
            PropertyList::date(QDateTime(QDate(2200, 1, 1), QTime(0, 0), QTimeZone::utc())) } });
    std::string error;
    EXPECT_FALSE(tree.toXml(&error));
    EXPECT_FALSE(error.empty());
}

TEST(PropertyList, WriteFileReplacesTheWholeFileAndLeavesNoTemporaries) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("data.plist");
    ASSERT_TRUE(sampleTree().writeFile(path));
    PropertyList small = PropertyList::dictionary({ { "a", PropertyList::integer(1) } });
    ASSERT_TRUE(small.writeFile(path));
    auto back = PropertyList::readFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, small);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList { "data.plist" });
}

TEST(PropertyList, FailedWriteKeepsTheOldFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath("data.plist");
    ASSERT_TRUE(sampleTree().writeFile(path));
    PropertyList unwritable = PropertyList::dictionary(
        { { "when",
            PropertyList::date(QDateTime(QDate(1800, 1, 1), QTime(0, 0), QTimeZone::utc())) } });
    EXPECT_FALSE(unwritable.writeFile(path));
    EXPECT_EQ(*PropertyList::readFile(path), sampleTree());
    EXPECT_FALSE(PropertyList(sampleTree()).writeFile(folder.filePath("missing/sub/data.plist")));
}

TEST(PropertyList, ReadFileReportsMissingFiles) {
    std::string error;
    EXPECT_FALSE(PropertyList::readFile("/nonexistent/folder/file.plist", &error));
    EXPECT_FALSE(error.empty());
}

TEST(PropertyList, DeepNestingIsRefusedBeforeLibplistRecursesIntoIt) {
    auto nested = [](int depth, const std::string& between) {
        std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
        for (int level = 0; level < depth; ++level)
            xml += "<array>" + between;
        for (int level = 0; level < depth; ++level)
            xml += "</array>";
        return xml + "</plist>";
    };
    std::string error;
    EXPECT_FALSE(PropertyList::fromXml(nested(200000, ""), &error));
    EXPECT_EQ(error, "property list nested too deeply");
    EXPECT_FALSE(PropertyList::fromXml(nested(200000, "<!-- > </array> -->")))
        << "a closing tag in a comment closes nothing";
    EXPECT_TRUE(PropertyList::fromXml(nested(200, "<!-- > </array> -->")));

    // Empty containers do not nest, however many there are.
    std::string flat = "<plist version=\"1.0\"><array>";
    for (int item = 0; item < 500; ++item)
        flat += "<array/><dict />";
    auto back = PropertyList::fromXml(flat + "</array></plist>");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->asArray()->size(), 1000u);
}
