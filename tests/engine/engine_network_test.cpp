// The engine library over loopback HTTP: the cookie of the next media, and
// cache while watching.
#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "engine/engine_fixture.h"
#include "engine/test_upstream.h"

namespace lumo::engine::testing {
namespace {

using namespace std::chrono_literals;

class NetworkTest : public EngineTest {
protected:
    static std::string AllStored(size_t bytes) { return std::string((bytes + (1 << 20) - 1) >> 20, '1'); }
    // The server outlives the engine, whose fetchers keep idle connections
    // to it until the engine goes.
    TestUpstream& Serve(const std::string& media, const std::string& cookie = std::string()) {
        upstream_ = std::make_unique<TestUpstream>(ReadBytes(Media(media)), cookie);
        return *upstream_;
    }
    void TearDown() override {
        EngineTest::TearDown();
        engine_ = 0;
        upstream_.reset();
    }
    TempDir dir_;
    std::unique_ptr<TestUpstream> upstream_;
};

TEST_F(NetworkTest, TheCookieGoesWithTheNextMediaOnly) {
    TestUpstream& upstream = Serve("clip.mp4", "FTN5K=secret");
    EXPECT_EQ(APlayer_SetConfigA(engine_, 1105, "FTN5K=secret"), 0);
    EXPECT_EQ(Config(1105), "FTN5K=secret");
    Play(upstream.Url());
    EXPECT_EQ(upstream.refused(), 0);
    for (const std::string& cookie : upstream.cookies()) EXPECT_EQ(cookie, "FTN5K=secret");
    EXPECT_EQ(Config(1105), "");
    APlayer_Close(engine_);
    ASSERT_TRUE(WaitState(ENGINE_STATE_READY));

    // Without a new 1105 the next open carries no cookie and is refused.
    size_t mark = CallbackLog::Get().StateCount();
    APlayer_OpenA(engine_, upstream.Url().c_str());
    ASSERT_TRUE(WaitUntil([&] { return CallbackLog::Get().NewStatesSince(mark) == std::vector<int32_t>{1, 0}; }));
    EXPECT_GT(upstream.refused(), 0);
    EXPECT_EQ(upstream.cookies().back(), "");
}

TEST_F(NetworkTest, CookiesThatCouldForgeHeadersAreRefused) {
    EXPECT_EQ(APlayer_SetConfigA(engine_, 1105, "FTN5K=a\r\nX-Forged: 1"), -1);
    EXPECT_EQ(Config(1105), "");
}

TEST_F(NetworkTest, CachedPlaybackEndsWithAnIdenticalCopy) {
    TestUpstream& upstream = Serve("noisy.mp4", "FTN5K=secret");
    std::string copy = (dir_ / "我的 影片").string();
    APlayer_SetConfigA(engine_, 1105, "FTN5K=secret");
    EXPECT_EQ(APlayer_SetConfigA(engine_, 2201, copy.c_str()), 0);
    Play(upstream.Url());
    // The player reads the engine's loopback address, not the real one.
    EXPECT_EQ(Property("path").rfind("http://127.0.0.1:", 0), 0u);
    EXPECT_NE(Property("path"), upstream.Url());
    ASSERT_TRUE(WaitConfig(2203, AllStored(upstream.body().size()))) << Config(2203);
    EXPECT_TRUE(ReadBytes(copy) == upstream.body()) << "the copy differs from the source";
    EXPECT_EQ(upstream.refused(), 0);
    // One download of each byte, give or take an aborted request's tail.
    EXPECT_LE(upstream.bytesSent(), upstream.body().size() * 5 / 4);

    // The same film again, straight away: the copy is made anew, and the old
    // one, moved out of its way, is deleted once the film is up.
    APlayer_SetConfigA(engine_, 1105, "FTN5K=secret");
    APlayer_SetConfigA(engine_, 2201, copy.c_str());
    Play(upstream.Url());
    ASSERT_TRUE(WaitConfig(2203, AllStored(upstream.body().size()))) << Config(2203);
    EXPECT_TRUE(ReadBytes(copy) == upstream.body()) << "the second copy differs from the source";
    auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(dir_.path()), std::filesystem::directory_iterator());
    };
    EXPECT_TRUE(WaitUntil([&] { return entries() == 1; })) << entries() << " files beside the copy";
}

TEST_F(NetworkTest, SeekingWorksWhileTheCopyFills) {
    TestUpstream& upstream = Serve("noisy.mp4", "FTN5K=secret");
    upstream.SetPieceDelay(25ms);  // well under a second per block and request
    std::string copy = (dir_ / "film").string();
    APlayer_SetConfigA(engine_, 1105, "FTN5K=secret");
    APlayer_SetConfigA(engine_, 2201, copy.c_str());
    Play(upstream.Url());
    ASSERT_NE(Config(2203).find('0'), std::string::npos) << "filled before the seek";
    APlayer_SetPosition(engine_, 8000);
    EXPECT_TRUE(WaitUntil([&] { return APlayer_GetPosition(engine_) >= 8000; }, 30s));
    EXPECT_TRUE(WaitUntil([&] { return std::atof(Property("time-pos").c_str()) >= 8.0; }, 30s));
    EXPECT_NE(State(), ENGINE_STATE_READY);
    ASSERT_TRUE(WaitConfig(2203, AllStored(upstream.body().size())));
    EXPECT_TRUE(ReadBytes(copy) == upstream.body());
    EXPECT_LE(upstream.bytesSent(), upstream.body().size() * 5 / 4);
}

TEST_F(NetworkTest, ClosingDuringTheFillKeepsWhatWasStored) {
    TestUpstream& upstream = Serve("noisy.mp4");
    upstream.SetPieceDelay(40ms);
    std::string copy = (dir_ / "film").string();
    APlayer_SetConfigA(engine_, 2201, copy.c_str());
    Play(upstream.Url());
    APlayer_Close(engine_);
    ASSERT_TRUE(WaitState(ENGINE_STATE_READY));
    std::string map = Config(2203);
    ASSERT_FALSE(map.empty());
    EXPECT_NE(map.find('0'), std::string::npos);
    std::string stored = ReadBytes(copy);
    for (size_t i = 0; i < map.size(); ++i) {
        if (map[i] == '1') {
            EXPECT_TRUE(stored.substr(i << 20, 1 << 20) == upstream.body().substr(i << 20, 1 << 20));
        }
    }
    // The fill has stopped with the media.
    uint64_t sent = upstream.bytesSent();
    EXPECT_EQ(Config(2203), map);
    EXPECT_LE(upstream.bytesSent(), sent + (1 << 20));
}

TEST_F(NetworkTest, TheCachePathAppliesToOneOpenOnly) {
    TestUpstream& upstream = Serve("clip.mp4");
    APlayer_SetConfigA(engine_, 2201, (dir_ / "film").string().c_str());
    EXPECT_EQ(Config(2201), (dir_ / "film").string());
    Play(upstream.Url());
    EXPECT_EQ(Config(2201), "");
    EXPECT_FALSE(Config(2203).empty());
    Play(upstream.Url());
    EXPECT_EQ(Property("path"), upstream.Url());
    EXPECT_EQ(Config(2203), "");
}

TEST_F(NetworkTest, AnUnusableCachePathStillPlays) {
    TestUpstream& upstream = Serve("clip.mp4", "FTN5K=secret");
    APlayer_SetConfigA(engine_, 1105, "FTN5K=secret");
    APlayer_SetConfigA(engine_, 2201, (dir_ / "no such folder" / "film").string().c_str());
    Play(upstream.Url());
    EXPECT_EQ(Property("path"), upstream.Url());
    EXPECT_EQ(Config(2203), "");
    EXPECT_EQ(upstream.refused(), 0);
}

TEST_F(NetworkTest, LocalFilesAreNotCopied) {
    APlayer_SetConfigA(engine_, 2201, (dir_ / "film").string().c_str());
    Play(Media("clip.mp4"));
    EXPECT_EQ(Config(2203), "");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "film"));
}

TEST_F(NetworkTest, BufferingIsReportedWhenTheNetworkFallsBehind) {
    TestUpstream& upstream = Serve("noisy.mp4");
    upstream.SetPieceDelay(60ms);  // about 270 kB/s for a film of about 500 kB/s
    Play(upstream.Url());
    ASSERT_TRUE(WaitUntil([] {
        auto buffers = CallbackLog::Get().Buffers();
        return std::find(buffers.begin(), buffers.end(), 100) != buffers.end();
    }, 30s));
    auto buffers = CallbackLog::Get().Buffers();
    // Some progress below 100 first, each a percentage.
    EXPECT_LT(buffers.front(), 100);
    for (int32_t percent : buffers) {
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
    }
    EXPECT_NE(State(), ENGINE_STATE_READY);
}

TEST_F(NetworkTest, DestroyWhileTheServerStallsReturns) {
    std::atomic<bool> release{false};
    httplib::Server server;
    server.Get("/stall", [&](const httplib::Request&, httplib::Response& response) {
        WaitUntil([&] { return release.load(); }, 20s);
        response.status = 404;
    });
    int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    WaitUntil([&] { return server.is_running(); }, 10s);
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/stall";
    APlayer_OpenA(engine_, url.c_str());
    EXPECT_TRUE(WaitState(ENGINE_STATE_OPENING));
    APlayer_Destroy(engine_);
    engine_ = CreateEngine();
    APlayer_SetConfigA(engine_, 2201, (dir_ / "film").string().c_str());
    APlayer_OpenA(engine_, url.c_str());
    EXPECT_TRUE(WaitState(ENGINE_STATE_OPENING));
    APlayer_Destroy(engine_);
    engine_ = 0;
    release = true;
    server.stop();
    thread.join();
}

}  // namespace
}  // namespace lumo::engine::testing
