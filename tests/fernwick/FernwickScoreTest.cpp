#include "FernwickTestSupport.h"

#include <gtest/gtest.h>

using namespace fernwick_test;

namespace {

struct ScoreWorld : ClientWorld {
    std::unique_ptr<sweeplight::fernwick::Fernwick> client;
    int successes = 0;
    int failures = 0;
    ScoreWorld() {
        writeDefaultSettings();
        client = start();
    }
    ~ScoreWorld() {
        client.reset();
        loop.advance(1.0);
    }
    std::function<void()> onSuccess() {
        return [this] { ++successes; };
    }
    std::function<void()> onFail() {
        return [this] { ++failures; };
    }
    bool storedShouldSubmit() const {
        return *storedData()->find("highscore")->find("shouldsubmit")->asBoolean();
    }
};

} // namespace

TEST(FernwickScore, SubmissionUrlIsSignedWithScoreDeviceAndSecret) {
    ScoreWorld world;
    const std::string hash = upperMd5(std::string("1234") + kDeviceId + kSecret);
    EXPECT_EQ(world.client->getScoreSubmitUrlForScore(1234).toStdString(),
              std::string(kBaseUrl) + "/game/list?game_key=game42&submit_score=1&sig_device_id=" +
                  kDeviceId + "&score=1234&hash=" + hash);
    const std::string negative = upperMd5(std::string("-5") + kDeviceId + kSecret);
    EXPECT_TRUE(world.client->getScoreSubmitUrlForScore(-5).endsWith(
        QString::fromStdString("&score=-5&hash=" + negative)));
}

// The fetcher form succeeds below status 300; the plain form on any answer. A failure marks
// the score for submission again; the mark is cleared as soon as a submission starts.
TEST(FernwickScore, SubmissionsSucceedOrFailByTheirFormAndTheAnswer) {
    const struct {
        bool plain;
        int status; // 0: the connection fails
        bool succeeds;
    } rows[] = {
        { false, 200, true }, { false, 500, false }, { false, 0, false },
        { true, 500, true },  { true, 0, false },
    };
    for (const auto& row : rows) {
        ScoreWorld world;
        world.client->saveHighScore(40);
        if (row.plain)
            world.client->submitScore2(40, world.onSuccess(), world.onFail());
        else
            world.client->submitScore(40, world.onSuccess(), world.onFail());
        EXPECT_TRUE(world.client->hasLastScoreSubmitted());
        EXPECT_FALSE(world.storedShouldSubmit());
        world.loop.runPending();
        ASSERT_TRUE(world.transport->last());
        EXPECT_EQ(world.transport->last()->url(), world.client->getScoreSubmitUrlForScore(40));
        if (row.status)
            world.transport->last()->respond(row.status, "answer");
        else
            world.transport->last()->fail();
        world.loop.runPending();
        const std::string where = (row.plain ? "plain " : "fetcher ") + std::to_string(row.status);
        EXPECT_EQ(world.successes, row.succeeds ? 1 : 0) << where;
        EXPECT_EQ(world.failures, row.succeeds ? 0 : 1) << where;
        EXPECT_EQ(world.storedShouldSubmit(), !row.succeeds) << where;
        EXPECT_EQ(world.client->hasLastScoreSubmitted(), row.succeeds) << where;
        EXPECT_FALSE(world.client->isScoreSubmissionPending()) << where;
    }
}

TEST(FernwickScore, OnlyTheLatestPlainSubmissionReports) {
    ScoreWorld world;
    int firstCalls = 0;
    world.client->submitScore2(
        1, [&] { ++firstCalls; }, [&] { ++firstCalls; });
    ScriptedConnection* first = world.transport->last();
    world.client->submitScore2(2, world.onSuccess(), world.onFail());
    ScriptedConnection* second = world.transport->last();
    first->respond(200, "ok");
    world.loop.runPending();
    EXPECT_EQ(firstCalls, 0);
    EXPECT_EQ(world.successes, 0);
    second->respond(200, "ok");
    world.loop.runPending();
    EXPECT_EQ(world.successes, 1);
}

TEST(FernwickScore, ALaterFetcherSubmissionReplacesAnEarlierOne) {
    ScoreWorld world;
    int firstCalls = 0;
    world.client->submitScore(
        1, [&] { ++firstCalls; }, [&] { ++firstCalls; });
    world.loop.runPending();
    const std::size_t first = world.transport->count() - 1;
    ASSERT_TRUE(world.transport->at(first));
    world.client->submitScore(2, world.onSuccess(), world.onFail());
    EXPECT_TRUE(world.transport->at(first) == nullptr || world.transport->at(first)->cancelled);
    world.loop.runPending();
    ASSERT_EQ(world.transport->count(), first + 2);
    ScriptedConnection* second = world.transport->last();
    ASSERT_TRUE(second);
    second->respond(200, "ok");
    world.loop.runPending();
    EXPECT_EQ(firstCalls, 0);
    EXPECT_EQ(world.successes, 1);
}
