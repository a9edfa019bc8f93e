#include "player/player_engine.h"

#include <gtest/gtest.h>

#include "player/test_engine_control.h"

using lumo::player::EngineCallbacks;
using lumo::player::PlayerEngine;

namespace {

intptr_t NoMessage(uint32_t, uintptr_t, intptr_t) { return 0; }
void NoState(int32_t, int32_t) {}
void NoBuffer(int32_t) {}
void NoCodec(int32_t) {}

EngineCallbacks SomeCallbacks() {
    EngineCallbacks callbacks;
    callbacks.onMessage = &NoMessage;
    callbacks.onStateChanged = &NoState;
    callbacks.onBuffer = &NoBuffer;
    callbacks.onNeedsCodec = &NoCodec;
    return callbacks;
}

class PartialEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        control.Reset();
        ASSERT_TRUE(engine.LoadLibrary(LUMO_TEST_ENGINE_PARTIAL_PATH));
        engine.Create(0x1234, 0, 0, 852, 512, SomeCallbacks());
    }
    TestEngineControl control{LUMO_TEST_ENGINE_PARTIAL_PATH};
    PlayerEngine engine;
};

}  // namespace

TEST(PlayerEngineWithoutLibrary, EveryOperationIsInert) {
    PlayerEngine engine;
    EXPECT_FALSE(engine.LoadLibrary("/nonexistent/liblumo-engine.so"));
    EXPECT_FALSE(engine.HasLibrary());
    EXPECT_EQ(engine.Create(0x1234, 0, 0, 852, 512, SomeCallbacks()), 0);
    EXPECT_EQ(engine.Handle(), 0);
    EXPECT_EQ(engine.GetState(), 0);
    EXPECT_EQ(engine.GetDuration(), 0);
    EXPECT_EQ(engine.GetPosition(), 0);
    EXPECT_EQ(engine.GetConfigA(402), "");
    EXPECT_EQ(engine.OpenA("/tmp/film.mp4"), 0);
    EXPECT_EQ(engine.Play(), 0);
    EXPECT_EQ(engine.Pause(), 0);
    EXPECT_EQ(engine.Close(), 0);
    EXPECT_EQ(engine.SetPosition(1000), 0);
    EXPECT_EQ(engine.SetVolume(80), 0);
    EXPECT_EQ(engine.SetCustomLogo(-1), 0);
    EXPECT_EQ(engine.SetConfigA(2207, "1"), 0);
    EXPECT_EQ(engine.GetWindow(), 0u);
    engine.Destroy();
}

TEST(PlayerEngineWithoutLibrary, AFileThatIsNoLibraryLeavesTheBindingInert) {
    PlayerEngine engine;
    EXPECT_FALSE(engine.LoadLibrary("/etc/hostname"));
    EXPECT_EQ(engine.GetState(), 0);
    EXPECT_EQ(engine.GetConfigA(2203), "");
}

TEST(PlayerEngineDefaultPath, LiesBesideTheRunningProgram) {
    std::string path = PlayerEngine::DefaultLibraryPath();
    std::string own = LUMO_TEST_ENGINE_FULL_PATH;
    std::string dir = own.substr(0, own.rfind('/'));
    EXPECT_EQ(path, dir + "/liblumo-engine.so");
}

TEST_F(PartialEngineTest, CreateFillsOnlyTheFourUsedSlotsAndKeepsTheHandle) {
    EXPECT_EQ(engine.Handle(), 0x5150);
    EXPECT_EQ(control.Parent(), 0x1234u);
    EXPECT_EQ(control.FilledSlots(), (1 << 0) | (1 << 1) | (1 << 4) | (1 << 6));
    EXPECT_EQ(control.Log(), "Create(0,0,852,512)");
}

TEST_F(PartialEngineTest, OnlyTheMissingExportsAreInert) {
    control.SetState(5);
    EXPECT_EQ(engine.GetState(), 5);
    EXPECT_EQ(engine.SetConfigA(612, "音量:80"), 1);
    EXPECT_EQ(engine.GetConfigA(612), "音量:80#1");
    EXPECT_EQ(engine.GetWindow(), 0x77u);

    EXPECT_EQ(engine.OpenA("/tmp/film.mp4"), 0);
    EXPECT_EQ(engine.Close(), 0);
    EXPECT_EQ(engine.Play(), 0);
    EXPECT_EQ(engine.Pause(), 0);
    EXPECT_EQ(engine.GetPosition(), 0);
    EXPECT_EQ(engine.SetPosition(1), 0);
    EXPECT_EQ(engine.SetVolume(50), 0);
    EXPECT_EQ(engine.SetCustomLogo(-1), 0);
    engine.Destroy();
    EXPECT_EQ(control.Log(), "Create(0,0,852,512);GetState;SetConfigA(612,音量:80);GetConfigA(612);GetWindow");
}

TEST_F(PartialEngineTest, TheExportIsLookedUpAgainOnEveryCall) {
    int before = control.DurationLookups();
    EXPECT_EQ(engine.GetDuration(), 1000);
    EXPECT_EQ(engine.GetDuration(), 1000);
    EXPECT_EQ(control.DurationLookups(), before + 2);
    // The library now resolves the name to another function; a cached
    // address would still reach the first one.
    control.SetDurationVariant(1);
    EXPECT_EQ(engine.GetDuration(), 2000);
    EXPECT_EQ(control.DurationLookups(), before + 3);
}

TEST_F(PartialEngineTest, ConfigTextIsCopiedBeforeTheNextCall) {
    std::string first = engine.GetConfigA(402);
    std::string second = engine.GetConfigA(402);
    EXPECT_EQ(first, "config402#1");
    EXPECT_EQ(second, "config402#2");
}

TEST_F(PartialEngineTest, ACopyDrivesTheSameEngineAndOutlivesNothing) {
    control.SetState(3);
    {
        PlayerEngine copy = engine;
        EXPECT_EQ(copy.Handle(), engine.Handle());
        EXPECT_EQ(copy.GetState(), 3);
    }
    // Destroying the copy did nothing to the engine or the library.
    EXPECT_EQ(engine.GetState(), 3);
    EXPECT_EQ(control.Calls("GetState"), 2);

    PlayerEngine assigned;
    assigned = engine;
    EXPECT_EQ(assigned.GetConfigA(1), "config1#1");
}

TEST_F(PartialEngineTest, DestroyOnAnEngineWithoutTheExportForgetsOnlyThisHandle) {
    PlayerEngine copy = engine;
    copy.Destroy();
    EXPECT_EQ(copy.Handle(), 0);
    EXPECT_EQ(engine.Handle(), 0x5150);
}

TEST(PlayerEngineFullLibrary, EveryOperationReachesTheEngineWithItsArguments) {
    TestEngineControl control(LUMO_TEST_ENGINE_FULL_PATH);
    control.Reset();
    PlayerEngine engine;
    ASSERT_TRUE(engine.LoadLibrary(LUMO_TEST_ENGINE_FULL_PATH));
    engine.Create(0, 0, 0, 640, 360, EngineCallbacks{});
    EXPECT_EQ(control.FilledSlots(), 0);
    EXPECT_EQ(engine.OpenA("http://127.0.0.1:17001/f?a=1&b=2"), 1);
    EXPECT_EQ(engine.GetPosition(), 4321);
    engine.SetPosition(15000);
    engine.SetVolume(80);
    engine.SetCustomLogo(-1);
    engine.Play();
    engine.Pause();
    engine.Close();
    engine.Destroy();
    EXPECT_EQ(engine.Handle(), 0);
    EXPECT_EQ(control.Log(),
              "Create(0,0,640,360);OpenA(http://127.0.0.1:17001/f?a=1&b=2);GetPosition;SetPosition(15000);"
              "SetVolume(80);SetCustomLogo(-1);Play;Pause;Close;Destroy");
}
