// The configuration numbers of the engine library, each checked against
// what the player really does with it.
#include <cstdlib>

#include "engine/engine_fixture.h"

namespace lumo::engine::testing {
namespace {

class OptionsTest : public EngineTest {};

TEST_F(OptionsTest, AudioTracksAreListedAndSwitched) {
    EXPECT_EQ(Config(401), "0");  // nothing open: the menu stays as it is
    Play(Media("tracks.mkv"));
    ASSERT_TRUE(WaitConfig(402, "国语;English"));
    EXPECT_EQ(Config(401), "1");
    EXPECT_EQ(Config(403), "0");
    EXPECT_EQ(APlayer_SetConfigA(engine_, 403, "1"), 0);
    // The choice reads back at once, before the switch has happened.
    EXPECT_EQ(Config(403), "1");
    EXPECT_TRUE(WaitUntil([&] { return Property("aid") == "2"; }));
    EXPECT_EQ(Config(403), "1");
    // An index with no track behind it changes nothing.
    EXPECT_EQ(APlayer_SetConfigA(engine_, 403, "4"), 0);
    EXPECT_EQ(APlayer_SetConfigA(engine_, 403, "x"), -1);
    EXPECT_EQ(APlayer_SetConfigA(engine_, 403, "0"), 0);
    EXPECT_TRUE(WaitUntil([&] { return Property("aid") == "1"; }));
    EXPECT_EQ(Config(403), "0");
}

TEST_F(OptionsTest, AnExternalAudioFileBecomesTheCurrentTrack) {
    Play(Media("tracks.mkv"));
    std::string path = Media("extra_audio.m4a");
    EXPECT_EQ(APlayer_SetConfigA(engine_, 409, path.c_str()), 0);
    ASSERT_TRUE(WaitUntil([&] {
        std::string names = Config(402);
        return std::count(names.begin(), names.end(), ';') == 2;
    }));
    EXPECT_TRUE(WaitConfig(403, "2"));
    EXPECT_EQ(Config(409), path);
    EXPECT_EQ(APlayer_SetConfigA(engine_, 409, ""), -1);
}

TEST_F(OptionsTest, SoundChannelRoutesThroughThePanFilter) {
    Play(Media("clip.mp4"));
    const char* expected[] = {"", "c0=c0|c1=c0", "c0=c1|c1=c1", "c0=0.5*c0+0.5*c1"};
    for (int channel : {1, 2, 3, 0}) {
        EXPECT_EQ(APlayer_SetConfigA(engine_, 404, std::to_string(channel).c_str()), 0);
        EXPECT_EQ(Config(404), std::to_string(channel));
        ASSERT_TRUE(WaitUntil([&] {
            std::string af = Property("af");
            return channel == 0 ? af.empty() : af.find(expected[channel]) != std::string::npos;
        })) << channel << ": " << Property("af");
    }
    EXPECT_EQ(APlayer_SetConfigA(engine_, 404, "4"), -1);
    EXPECT_EQ(Config(404), "0");
    // The filter chain works on the mono track: playback goes on.
    APlayer_SetConfigA(engine_, 404, "2");
    int32_t at = APlayer_GetPosition(engine_);
    EXPECT_TRUE(WaitUntil([&] { return APlayer_GetPosition(engine_) > at + 300; }));
    EXPECT_EQ(State(), ENGINE_STATE_PLAYING);
}

TEST_F(OptionsTest, SubtitlesLoadHideMoveAndShift) {
    Play(Media("tracks.mkv"));
    std::string path = Data("lines.srt");
    EXPECT_EQ(APlayer_SetConfigA(engine_, 503, path.c_str()), 0);
    // The loaded file is the second subtitle track, and the shown one.
    EXPECT_TRUE(WaitProperty("sid", "2"));
    EXPECT_EQ(Property("current-tracks/sub/external"), "yes");
    EXPECT_EQ(Config(503), path);

    EXPECT_EQ(APlayer_SetConfigA(engine_, 504, "0"), 0);
    EXPECT_TRUE(WaitProperty("sub-visibility", "no"));
    // The engine answers from the change it observed, which can trail the
    // property by an event.
    EXPECT_TRUE(WaitConfig(504, "0"));
    APlayer_SetConfigA(engine_, 504, "1");
    EXPECT_TRUE(WaitProperty("sub-visibility", "yes"));

    EXPECT_EQ(APlayer_SetConfigA(engine_, 507, "1;50;30"), 0);
    EXPECT_TRUE(WaitConfig(507, "1;50;30"));
    EXPECT_EQ(std::atof(Property("sub-pos").c_str()), 30.0);
    EXPECT_EQ(APlayer_SetConfigA(engine_, 507, "30"), -1);

    EXPECT_EQ(APlayer_SetConfigA(engine_, 509, "1500;1000;1000"), 0);
    EXPECT_TRUE(WaitConfig(509, "1500;1000;1000"));
    EXPECT_DOUBLE_EQ(std::atof(Property("sub-delay").c_str()), 1.5);
    APlayer_SetConfigA(engine_, 509, "-100;1000;1000");
    EXPECT_TRUE(WaitConfig(509, "-100;1000;1000"));
    EXPECT_EQ(APlayer_SetConfigA(engine_, 509, "soon;1000;1000"), -1);
    EXPECT_EQ(Config(509), "-100;1000;1000");
}

TEST_F(OptionsTest, HardwareDecodingAndEnhancementReachThePlayer) {
    EXPECT_EQ(Config(209), "0");
    EXPECT_EQ(APlayer_SetConfigA(engine_, 209, "1"), 0);
    EXPECT_TRUE(WaitProperty("hwdec", "auto-safe"));
    EXPECT_TRUE(WaitConfig(209, "1"));

    Play(Media("clip.mp4"));
    EXPECT_EQ(APlayer_SetConfigA(engine_, 305, "1"), 0);
    EXPECT_EQ(Config(305), "1");
    EXPECT_TRUE(WaitUntil([&] { return Property("vf").find("unsharp") != std::string::npos; }));
    // With a filter, decoded pictures are copied back for it.
    EXPECT_TRUE(WaitProperty("hwdec", "auto-copy-safe"));
    // The filtered picture keeps playing.
    int32_t at = APlayer_GetPosition(engine_);
    EXPECT_TRUE(WaitUntil([&] { return APlayer_GetPosition(engine_) > at + 300; }));

    APlayer_SetConfigA(engine_, 305, "0");
    APlayer_SetConfigA(engine_, 209, "0");
    EXPECT_TRUE(WaitProperty("vf", ""));
    EXPECT_TRUE(WaitProperty("hwdec", "no"));
    EXPECT_TRUE(WaitConfig(209, "0"));
    EXPECT_EQ(APlayer_SetConfigA(engine_, 209, "yes"), -1);
}

TEST_F(OptionsTest, ThreeDModeTakesEffectAtTheNextOpen) {
    Play(Media("clip.mp4"));
    EXPECT_EQ(APlayer_SetConfigA(engine_, 308, "1"), 0);
    EXPECT_EQ(Config(308), "1");
    EXPECT_EQ(Property("vf").find("stereo3d"), std::string::npos);
    EXPECT_TRUE(WaitProperty("video-out-params/w", "320"));
    Play(Media("clip.mp4"));
    EXPECT_NE(Property("vf").find("stereo3d"), std::string::npos);
    // Side by side shown as one anaglyph picture: half as wide.
    EXPECT_TRUE(WaitProperty("video-out-params/w", "160"));
    APlayer_SetConfigA(engine_, 308, "0");
    Play(Media("clip.mp4"));
    EXPECT_EQ(Property("vf").find("stereo3d"), std::string::npos);
}

TEST_F(OptionsTest, OnScreenTextIsDrawnWithItsStyleAndCleared) {
    for (auto [number, value] : {std::pair{602, "1"}, {606, "20"}, {607, "10"}, {621, "1"}})
        EXPECT_EQ(APlayer_SetConfigA(engine_, number, value), 0);
    EXPECT_EQ(APlayer_SetConfigA(engine_, 612, "缓冲 50 %"), 0);
    EXPECT_TRUE(WaitProperty("osd-msg1", "$>缓冲 50 %"));
    EXPECT_EQ(Config(612), "缓冲 50 %");
    EXPECT_EQ(Property("osd-level"), "1");
    EXPECT_DOUBLE_EQ(std::atof(Property("osd-font-size").c_str()), 20 * 720.0 / 512.0);
    EXPECT_EQ(Property("osd-margin-x"), "14");
    EXPECT_GT(std::atof(Property("osd-border-size").c_str()), 0.0);
    // Text that looks like a property reference is shown as typed.
    APlayer_SetConfigA(engine_, 612, "${path}");
    EXPECT_TRUE(WaitProperty("osd-msg1", "$>${path}"));
    APlayer_SetConfigA(engine_, 612, "");
    EXPECT_TRUE(WaitProperty("osd-msg1", ""));

    APlayer_SetConfigA(engine_, 606, "32");
    EXPECT_TRUE(WaitUntil([&] { return std::atof(Property("osd-font-size").c_str()) == 45.0; }));
    APlayer_SetConfigA(engine_, 621, "0");
    EXPECT_TRUE(WaitUntil([&] { return std::atof(Property("osd-border-size").c_str()) == 0.0; }));
    APlayer_SetConfigA(engine_, 602, "0");
    EXPECT_TRUE(WaitProperty("osd-level", "0"));
    EXPECT_EQ(APlayer_SetConfigA(engine_, 606, "0"), -1);
    EXPECT_EQ(APlayer_SetConfigA(engine_, 607, "-1"), -1);
    EXPECT_EQ(Config(606), "32");
}

TEST_F(OptionsTest, UnknownNumbersReadEmptyAndAreRefused) {
    EXPECT_EQ(Config(12345), "");
    EXPECT_EQ(Config(-1), "");
    EXPECT_EQ(APlayer_SetConfigA(engine_, 12345, "1"), -1);
    EXPECT_EQ(APlayer_SetConfigA(engine_, 2207, "1"), 0);
    EXPECT_EQ(Config(2207), "1");
    EXPECT_EQ(Config(2203), "");  // no cached media
    EXPECT_EQ(APlayer_SetConfigA(engine_, 612, nullptr), 0);
    EXPECT_EQ(Config(612), "");
}

TEST_F(OptionsTest, DebugReadsNeedTheirSwitch) {
    EXPECT_EQ(Property("idle-active"), "yes");
    ::unsetenv("LUMO_ENGINE_DEBUG");
    EXPECT_EQ(Property("idle-active"), "");
    ::setenv("LUMO_ENGINE_DEBUG", "1", 1);
}

}  // namespace
}  // namespace lumo::engine::testing
