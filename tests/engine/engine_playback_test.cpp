// The engine library playing real media: states, position, seeking,
// closing, several engines, bad handles and bad input.
#include <atomic>
#include <cstdlib>

#include "engine/engine_fixture.h"

namespace lumo::engine::testing {
namespace {

using namespace std::chrono_literals;
using States = std::vector<int32_t>;

class PlaybackTest : public EngineTest {};

TEST_F(PlaybackTest, OpeningRunsThroughStartingToPlaying) {
    Play(Media("clip.mp4"));
    auto states = CallbackLog::Get().States();
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(states[0], (std::pair<int32_t, int32_t>{0, 1}));
    EXPECT_EQ(states[1], (std::pair<int32_t, int32_t>{1, 4}));
    EXPECT_EQ(states[2], (std::pair<int32_t, int32_t>{4, 5}));
    EXPECT_EQ(State(), ENGINE_STATE_PLAYING);
    // Callbacks come from the engine's own thread, never from the caller's.
    for (auto id : CallbackLog::Get().CallbackThreads()) EXPECT_NE(id, std::this_thread::get_id());
    EXPECT_NEAR(APlayer_GetDuration(engine_), 6000, 200);
    EXPECT_TRUE(WaitUntil([&] { return APlayer_GetPosition(engine_) > 300; }));
}

TEST_F(PlaybackTest, PauseGoesThroughPausingAndPlayResumes) {
    Play(Media("clip.mp4"));
    size_t mark = CallbackLog::Get().StateCount();
    APlayer_Pause(engine_);
    ASSERT_TRUE(WaitState(ENGINE_STATE_PAUSED));
    EXPECT_EQ(CallbackLog::Get().NewStatesSince(mark), (States{2, 3}));
    EXPECT_EQ(Property("pause"), "yes");
    // Pausing again changes nothing.
    APlayer_Pause(engine_);
    mark = CallbackLog::Get().StateCount();
    APlayer_Play(engine_);
    ASSERT_TRUE(WaitState(ENGINE_STATE_PLAYING));
    EXPECT_EQ(CallbackLog::Get().NewStatesSince(mark), (States{4, 5}));
    EXPECT_TRUE(WaitProperty("pause", "no"));
}

TEST_F(PlaybackTest, SeekMovesThePositionAndKeepsTheState) {
    Play(Media("clip.mp4"));
    APlayer_SetPosition(engine_, 4000);
    EXPECT_TRUE(WaitUntil([&] { return APlayer_GetPosition(engine_) >= 4000; }));
    EXPECT_TRUE(WaitUntil([&] { return std::atof(Property("time-pos").c_str()) >= 3.9; }));
    EXPECT_EQ(State(), ENGINE_STATE_PLAYING);
    // A seek while paused stays paused.
    APlayer_Pause(engine_);
    ASSERT_TRUE(WaitState(ENGINE_STATE_PAUSED));
    APlayer_SetPosition(engine_, 1000);
    EXPECT_TRUE(WaitUntil([&] {
        double at = std::atof(Property("time-pos").c_str());
        return at > 0.9 && at < 1.5;
    }));
    EXPECT_EQ(State(), ENGINE_STATE_PAUSED);
    // A negative position means the start.
    APlayer_SetPosition(engine_, -5000);
    EXPECT_TRUE(WaitUntil([&] { return std::atof(Property("time-pos").c_str()) < 0.1; }));
}

TEST_F(PlaybackTest, CloseGoesThroughClosingToReady) {
    Play(Media("clip.mp4"));
    size_t mark = CallbackLog::Get().StateCount();
    APlayer_Close(engine_);
    ASSERT_TRUE(WaitState(ENGINE_STATE_READY));
    EXPECT_EQ(CallbackLog::Get().NewStatesSince(mark), (States{6, 0}));
    EXPECT_EQ(APlayer_GetPosition(engine_), 0);
    EXPECT_EQ(APlayer_GetDuration(engine_), 0);
    EXPECT_TRUE(WaitProperty("idle-active", "yes"));
    // Closing with nothing open reports nothing.
    mark = CallbackLog::Get().StateCount();
    APlayer_Close(engine_);
    APlayer_Pause(engine_);
    APlayer_Play(engine_);
    Play(Media("clip.mp4"));
    EXPECT_EQ(CallbackLog::Get().NewStatesSince(mark), (States{1, 4, 5}));
}

TEST_F(PlaybackTest, TheEndOfTheMediaClosesToReady) {
    Play(Media("clip.mp4"));
    size_t mark = CallbackLog::Get().StateCount();
    APlayer_SetPosition(engine_, 5700);
    ASSERT_TRUE(WaitState(ENGINE_STATE_READY));
    EXPECT_EQ(CallbackLog::Get().NewStatesSince(mark), (States{6, 0}));
}

TEST_F(PlaybackTest, AMissingFileFallsBackToReady) {
    ASSERT_EQ(APlayer_OpenA(engine_, "/nonexistent/lumo/film.mp4"), 0);
    ASSERT_TRUE(WaitUntil([&] { return CallbackLog::Get().NewStatesSince(0) == States{1, 0}; }))
        << "states seen: " << CallbackLog::Get().StateCount();
    EXPECT_EQ(State(), ENGINE_STATE_READY);
}

TEST_F(PlaybackTest, EmptyAddressesAreRefused) {
    EXPECT_EQ(APlayer_OpenA(engine_, ""), -1);
    EXPECT_EQ(APlayer_OpenA(engine_, nullptr), -1);
    EXPECT_EQ(State(), ENGINE_STATE_READY);
}

TEST_F(PlaybackTest, OpeningAnotherMediaWhilePlayingSkipsReady) {
    Play(Media("clip.mp4"));
    size_t mark = CallbackLog::Get().StateCount();
    Play(Media("tracks.mkv"));
    EXPECT_EQ(CallbackLog::Get().NewStatesSince(mark), (States{1, 4, 5}));
    EXPECT_NE(Property("path").find("tracks.mkv"), std::string::npos);
}

TEST_F(PlaybackTest, RapidOpensSettleOnTheLastWithoutPassingReady) {
    APlayer_OpenA(engine_, Media("clip.mp4").c_str());
    APlayer_OpenA(engine_, Media("noisy.mp4").c_str());
    APlayer_OpenA(engine_, Media("tracks.mkv").c_str());
    ASSERT_TRUE(WaitUntil([&] {
        return State() == ENGINE_STATE_PLAYING && Property("path").find("tracks.mkv") != std::string::npos;
    }));
    auto states = CallbackLog::Get().NewStatesSince(0);
    EXPECT_EQ(std::count(states.begin(), states.end(), ENGINE_STATE_READY), 0);
    size_t mark = CallbackLog::Get().StateCount();
    APlayer_Close(engine_);
    ASSERT_TRUE(WaitState(ENGINE_STATE_READY));
    EXPECT_EQ(CallbackLog::Get().NewStatesSince(mark), (States{6, 0}));
}

TEST_F(PlaybackTest, PauseDuringOpeningStartsPaused) {
    APlayer_OpenA(engine_, Media("clip.mp4").c_str());
    APlayer_Pause(engine_);
    ASSERT_TRUE(WaitState(ENGINE_STATE_PAUSED));
    EXPECT_EQ(Property("pause"), "yes");
    // The next open plays again.
    Play(Media("clip.mp4"));
    EXPECT_EQ(Property("pause"), "no");
}

TEST_F(PlaybackTest, VolumeFollowsTheBarWithinItsRange) {
    APlayer_SetVolume(engine_, 30);
    EXPECT_TRUE(WaitUntil([&] { return std::atof(Property("volume").c_str()) == 30.0; }));
    APlayer_SetVolume(engine_, 150);
    EXPECT_TRUE(WaitUntil([&] { return std::atof(Property("volume").c_str()) == 100.0; }));
    APlayer_SetVolume(engine_, -5);
    EXPECT_TRUE(WaitUntil([&] { return Property("volume").rfind("0.0", 0) == 0; }));
}

TEST_F(PlaybackTest, AStreamWithoutDecoderIsReportedOnce) {
    APlayer_OpenA(engine_, Media("no_decoder.avi").c_str());
    ASSERT_TRUE(WaitUntil([&] { return !CallbackLog::Get().Codecs().empty(); }));
    // The made-up tag "LUMO" read as a little-endian number.
    EXPECT_EQ(CallbackLog::Get().Codecs().front(), 0x4F4D554C);
    // The sound still plays to the end, and the report is not repeated.
    ASSERT_TRUE(WaitUntil([&] {
        auto states = CallbackLog::Get().NewStatesSince(0);
        return !states.empty() && states.back() == ENGINE_STATE_READY;
    }));
    EXPECT_EQ(CallbackLog::Get().Codecs().size(), 1u);
    // A playable media reports nothing.
    Play(Media("clip.mp4"));
    EXPECT_EQ(CallbackLog::Get().Codecs().size(), 1u);
}

TEST_F(PlaybackTest, SeveralEnginesPlayAtOnce) {
    std::vector<EngineHandle> engines;
    for (int i = 0; i < 3; ++i) {
        engines.push_back(CreateEngine());
        ASSERT_NE(engines.back(), 0);
        EXPECT_EQ(APlayer_OpenA(engines.back(), Media(i == 1 ? "tracks.mkv" : "clip.mp4").c_str()), 0);
    }
    for (EngineHandle e : engines)
        EXPECT_TRUE(WaitUntil([&] { return APlayer_GetState(e) == ENGINE_STATE_PLAYING; }));
    // Each engine has its own media and its own settings.
    APlayer_SetConfigA(engines[0], 612, "only here");
    EXPECT_EQ(std::string(APlayer_GetConfigA(engines[0], 612)), "only here");
    EXPECT_EQ(std::string(APlayer_GetConfigA(engines[1], 612)), "");
    EXPECT_EQ(std::string(APlayer_GetConfigA(engines[1], 402)), "国语;English");
    for (EngineHandle e : engines) APlayer_Destroy(e);
    for (EngineHandle e : engines) EXPECT_EQ(APlayer_GetState(e), ENGINE_STATE_READY);
}

TEST_F(PlaybackTest, UnknownAndStaleHandlesAreInert) {
    for (EngineHandle bad : {EngineHandle{0}, EngineHandle{12345}}) {
        EXPECT_EQ(APlayer_GetState(bad), 0);
        EXPECT_EQ(APlayer_GetPosition(bad), 0);
        EXPECT_EQ(APlayer_GetDuration(bad), 0);
        EXPECT_EQ(std::string(APlayer_GetConfigA(bad, 402)), "");
        EXPECT_EQ(APlayer_OpenA(bad, "x"), -1);
        EXPECT_EQ(APlayer_SetConfigA(bad, 612, "x"), -1);
        EXPECT_EQ(APlayer_GetWindow(bad), 0u);
        APlayer_Close(bad);
        APlayer_Destroy(bad);
    }
    EngineHandle gone = CreateEngine();
    ASSERT_NE(gone, 0);
    APlayer_Destroy(gone);
    EXPECT_EQ(APlayer_OpenA(gone, Media("clip.mp4").c_str()), -1);
    EXPECT_EQ(std::string(APlayer_GetConfigA(gone, 612)), "");
    APlayer_Destroy(gone);
}

TEST_F(PlaybackTest, DestroyDuringPlaybackAndOpeningReturns) {
    Play(Media("clip.mp4"));
    APlayer_Destroy(engine_);
    engine_ = CreateEngine();
    ASSERT_NE(engine_, 0);
    APlayer_OpenA(engine_, Media("noisy.mp4").c_str());
    APlayer_Destroy(engine_);
    engine_ = 0;
    // Destroying the engine from one of its own callbacks is refused, not a deadlock.
    static std::atomic<EngineHandle> self{0};
    static std::atomic<bool> tried{false};
    EngineHandle e = APlayer_Create(0, 0, 0, 1, 1, nullptr,
                                    [](int32_t, int32_t to) {
                                        if (to == ENGINE_STATE_PLAYING) {
                                            APlayer_Destroy(self.load());
                                            tried = true;
                                        }
                                    },
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(e, 0);
    self = e;
    APlayer_OpenA(e, Media("clip.mp4").c_str());
    ASSERT_TRUE(WaitUntil([&] { return tried.load(); }));
    EXPECT_EQ(APlayer_GetState(e), ENGINE_STATE_PLAYING);
    APlayer_Destroy(e);
}

TEST_F(PlaybackTest, WindowIsTheOneGivenAndTheLogoIsAccepted) {
    EXPECT_EQ(APlayer_GetWindow(engine_), 0u);
    EXPECT_EQ(APlayer_SetCustomLogo(engine_, -1), 0);
}

}  // namespace
}  // namespace lumo::engine::testing
