#include "FernwickTestSupport.h"

#include <gtest/gtest.h>

using namespace fernwick_test;

TEST(FernwickScore, SubmissionUrlIsSignedWithScoreDeviceAndSecret) {
    ClientWorld world(ClientWorld::Started);
    const std::string hash = upperMd5(std::string("1234") + kDeviceId + kSecret);
    EXPECT_EQ(world.client->getScoreSubmitUrlForScore(1234).toStdString(),
              std::string(kBaseUrl) + "/game/list?game_key=game42&submit_score=1&sig_device_id=" +
                  kDeviceId + "&score=1234&hash=" + hash);
}

// The fetcher form succeeds below status 300; the plain form on any answer. A failure marks
// the score for submission again; the mark is cleared as soon as a submission starts.
TEST(FernwickScore, SubmissionsSucceedOrFailByTheirFormAndTheAnswer) {
    // Plain or through the fetcher, the answer's status (0: the connection fails), success.
    const std::tuple<bool, int, bool> rows[] = {
        { false, 200, true }, { false, 500, false }, { false, 0, false },
        { true, 500, true },  { true, 0, false },
    };
    for (const auto& [plain, status, succeeds] : rows) {
        ClientWorld world(ClientWorld::Started);
        world.client->saveHighScore(40);
        world.submit(plain, 40);
        EXPECT_FALSE(world.storedShouldSubmit());
        ASSERT_EQ(world.transport->last()->url(), world.client->getScoreSubmitUrlForScore(40));
        if (status)
            world.transport->last()->respond(status, "answer");
        else
            world.transport->last()->fail();
        world.loop.runPending();
        const std::string where = (plain ? "plain " : "fetcher ") + std::to_string(status);
        EXPECT_EQ(world.successes - world.failures, succeeds ? 1 : -1) << where;
        EXPECT_EQ(world.storedShouldSubmit(), !succeeds) << where;
        EXPECT_EQ(world.client->hasLastScoreSubmitted(), succeeds) << where;
    }
}

// A later submission replaces an earlier one: the fetcher's is cancelled, the plain one's answer
// reports nothing.
TEST(FernwickScore, OnlyTheLatestSubmissionReports) {
    for (bool plain : { true, false }) {
        ClientWorld world(ClientWorld::Started);
        int firstCalls = 0;
        world.submit(
            plain, 1, [&] { ++firstCalls; }, [&] { ++firstCalls; });
        ASSERT_EQ(world.transport->count(), 1u);
        world.submit(plain, 2);
        ASSERT_EQ(world.transport->count(), 2u);
        EXPECT_TRUE(plain || world.transport->records[0]->cancelled);
        for (const auto& record : world.transport->records)
            record->respond(200, "ok");
        world.loop.runPending();
        EXPECT_EQ(firstCalls, 0) << plain;
        EXPECT_EQ(world.successes, 1) << plain;
    }
}
