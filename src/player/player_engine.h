#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/engine_api.h"

namespace lumo::player {

// The engine states as the engine reports them.
enum PlayerState : int32_t {
    kStateReady = 0,
    kStateOpening = 1,
    kStatePausing = 2,
    kStatePaused = 3,
    kStateStarting = 4,
    kStatePlaying = 5,
    kStateClosing = 6,
};

// True for the states in which a media is open (2 to 5).
bool IsMediaOpen(int32_t state);

// The callbacks handed to APlayer_Create; the four unused slots get 0.
struct EngineCallbacks {
    EngineMessageCallback onMessage = nullptr;  // slot 1
    EngineStateCallback onStateChanged = nullptr;  // slot 2
    EngineBufferCallback onBuffer = nullptr;  // slot 5
    EngineCodecCallback onNeedsCodec = nullptr;  // slot 7
};

// Thin binding to the engine library. The library is opened at run time and
// every export is looked up by name at the moment of the call, so a library
// that lacks an export makes only that operation inert (0 or empty text).
//
// A copy refers to the same library and engine; destroying a PlayerEngine
// leaves both alone (the library is never unloaded, so callbacks that are
// still in flight always have code to run).
//
// The library and the engine can be made late: a starter handed to
// StartOnFirstUse runs at the first call through the binding that needs
// them, so loading the player costs nothing until it is used.
class PlayerEngine {
public:
    PlayerEngine() = default;

    // liblumo-engine.so beside the running executable.
    static std::string DefaultLibraryPath();

    // Opens the library at `path`; true when it loaded. A failed load keeps
    // the binding without a library.
    bool LoadLibrary(const std::string& path);

    // `starter` runs once, at the first call below (or StartNow), before that
    // call goes on; it is expected to load the library and create the engine.
    void StartOnFirstUse(std::function<void()> starter);
    // Runs a starter that has not run yet.
    void StartNow();

    bool HasLibrary();
    EngineHandle Handle();

    // Creates the engine inside `parentWindow` (a native window id, 0 for no
    // video output). The result is kept as the engine handle even when 0.
    EngineHandle Create(uintptr_t parentWindow, int32_t x, int32_t y, int32_t width, int32_t height,
                        const EngineCallbacks& callbacks);

    int32_t OpenA(const std::string& address);
    int32_t Close();
    int32_t Play();
    int32_t Pause();
    int32_t GetState();
    int32_t GetPosition();
    int32_t SetPosition(int32_t milliseconds);
    int32_t GetDuration();
    int32_t SetVolume(int32_t volume);
    int32_t SetCustomLogo(int32_t logo);
    int32_t SetConfigA(int32_t number, const std::string& value);
    // The text is copied before this returns, so it survives later calls.
    std::string GetConfigA(int32_t number);
    // The native window that shows the video; 0 without engine.
    uintptr_t GetWindow();
    // Ends the engine for a clean shutdown; the handle becomes 0 in this
    // object only. An engine not started yet never starts.
    void Destroy();

private:
    void* Lookup(const char* name);

    void* library_ = nullptr;
    EngineHandle engine_ = 0;
    std::function<void()> starter_;
};

}  // namespace lumo::player
