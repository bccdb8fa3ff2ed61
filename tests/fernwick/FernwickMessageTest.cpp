#include "FernwickTestSupport.h"

#include <gtest/gtest.h>

using namespace fernwick_test;
using sweeplight::foundation::PropertyList;

// An empty stored date (as shipped) lets any message through.
TEST(FernwickMessage, OnlyStrictlyNewerMessagesAreShownAcrossChecksAndRestarts) {
    ClientWorld world(ClientWorld::Started);
    EXPECT_EQ(*world.storedData()->find("lastmessagedate")->asString(), "");
    const QByteArray body = messageJson("2009-03-01 10:00:00 +0000");
    EXPECT_TRUE(world.checkMessage(body));
    EXPECT_EQ(world.alerts.back().title, "News");
    EXPECT_EQ(world.alerts.back().message, "Hello there");
    EXPECT_FALSE(world.checkMessage(body));
    EXPECT_FALSE(world.checkMessage(messageJson("2009-03-01 09:59:59 +0000")));
    EXPECT_FALSE(world.checkMessage(messageJson("2009-03-01 11:00:00 +0100"))) << "the same moment";

    // The date was saved at once, before the user answered.
    const auto data = world.storedData();
    ASSERT_TRUE(data && data->find("lastmessagedate")->asDate());
    EXPECT_EQ(data->find("lastmessagedate")->asDate()->toSecsSinceEpoch(),
              QDateTime::fromString("2009-03-01T10:00:00Z", Qt::ISODate).toSecsSinceEpoch());
    world.restart();
    EXPECT_FALSE(world.checkMessage(body));
    EXPECT_TRUE(world.checkMessage(messageJson("2009-03-01 10:00:01 +0000")));
}

// Dates the data file cannot hold are unusable too, and later saves still work.
TEST(FernwickMessage, NothingIsShownForUnusableAnswers) {
    ClientWorld world(ClientWorld::Started);
    for (const QByteArray& body :
         { QByteArray("[1, 2]"), QByteArray("{}"),
           messageJson("2009-03-01 10:00:00 +0000", {}, "null"), messageJson("yesterday"),
           messageJson("2080-01-01 00:00:00 +0000") })
        EXPECT_FALSE(world.checkMessage(body)) << body.toStdString();
    EXPECT_NE(world.client->remoteMsgDict(), nullptr) << "kept although not shown";
    // A failed download changes nothing either.
    world.client->checkForRemoteMessage();
    world.transport->last()->fail();
    world.loop.advance(2.0);
    auto data = world.storedData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->find("appopened")->asInteger(), 1) << "the launch save went through";
    EXPECT_EQ(*data->find("lastmessagedate")->asString(), "");
    EXPECT_TRUE(world.checkMessage(messageJson("2068-12-31 00:00:00 +0000")));
}

// The buttons are the captions of the links, with "Cancel" after at most one. They map to link
// slots by position: "Cancel" (index 1) after one link acts on slot 2. Type 2 (or a text of
// another number) opens the browser, type 1 requests in the background, 0 does nothing; remote
// messages open and request web links only.
TEST(FernwickMessage, EachButtonActsOnItsLinkSlotByTheLinksType) {
    const Link visit { "Visit", "http://a.test/page", "2" }, ping { "", "http://b.test/ping", "1" };
    const struct {
        std::vector<Link> links;
        const char* buttons;
        int button;
        const char* opened;    // empty: nothing opened
        const char* requested; // empty: nothing requested
    } rows[] = {
        { {}, "Cancel", 0, "", "" },
        { { visit, ping }, "Visit Cancel", 1, "", "http://b.test/ping" },
        { { visit, { "B", "http://b.test/ping", "1" } }, "Visit B", 1, "", "http://b.test/ping" },
        { { visit }, "Visit Cancel", 0, "http://a.test/page", "" },
        { { visit }, "Visit Cancel", 3, "", "" },
        { { { "Zero", "http://zero.test", "0" } }, "Zero Cancel", 0, "", "" },
        { { { "7", "http://seven.test", "\"7\"" } }, "7 Cancel", 0, "http://seven.test", "" },
        { { { "Mail", "mailto:news@service.test", "2" } }, "Mail Cancel", 0, "", "" },
        { { { "Ping", "file:///etc/shadow", "1" } }, "Ping Cancel", 0, "", "" },
    };
    for (const auto& row : rows) {
        ClientWorld world(ClientWorld::Started);
        ASSERT_TRUE(world.checkMessage(messageJson("2010-01-01 00:00:00 +0000", row.links)));
        const std::string where = row.buttons + std::string(" ") + std::to_string(row.button);
        const auto& titles = world.alerts.back().buttonTitles;
        EXPECT_EQ(QStringList(titles.begin(), titles.end()).join(' '), row.buttons) << where;
        const std::size_t before = world.transport->count();
        world.dismissAlert(row.button);
        EXPECT_EQ(world.opened.empty() ? "" : world.opened[0].toString(), row.opened) << where;
        EXPECT_EQ(world.opened.size(), *row.opened ? 1u : 0u) << where;
        ASSERT_EQ(world.transport->count(), before + (*row.requested ? 1 : 0)) << where;
        if (*row.requested) {
            EXPECT_EQ(world.transport->last()->url(), row.requested) << where;
        }
    }
}
