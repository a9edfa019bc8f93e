// A small stand-in for the engine library, for the binding and window tests.
// It records every call it receives. Built twice: the full library exports
// every operation; the partial one leaves out OpenA, Close, Play, Pause,
// GetPosition, SetPosition, SetVolume, SetCustomLogo and Destroy, so the
// binding must treat just those as missing.
//
// APlayer_GetDuration is an indirect function: the dynamic loader runs its
// resolver on every dlsym, so the library can count lookups and can swap the
// implementation between two calls. A binding that cached the address would
// miss both.
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "engine/engine_api.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex lock;
std::map<std::string, int> calls;
std::string callLog;
int state = 0;
int volume = -1;
std::map<int, std::string> config;
// Values a test fixed for GetConfigA, answered as they are.
std::map<int, std::string> fixedConfig;

EngineMessageCallback slot1 = nullptr;
EngineStateCallback slot2 = nullptr;
EngineBufferCallback slot5 = nullptr;
EngineCodecCallback slot7 = nullptr;
int unusedSlotsFilled = 0;
uintptr_t parent = 0;

// Plain integers only: the resolver runs inside the dynamic loader.
int durationVariant = 0;
int durationLookups = 0;

void Record(const std::string& name, const std::string& args = "") {
    std::lock_guard<std::mutex> hold(lock);
    ++calls[name];
    if (!callLog.empty()) callLog += ';';
    callLog += name;
    if (!args.empty()) callLog += "(" + args + ")";
}

int32_t DurationA(EngineHandle) {
    Record("GetDuration");
    return 1000;
}
int32_t DurationB(EngineHandle) {
    Record("GetDuration");
    return 2000;
}

}  // namespace

extern "C" {
using DurationFn = int32_t (*)(EngineHandle);
DurationFn ResolveDuration() {
    ++durationLookups;
    return durationVariant == 0 ? &DurationA : &DurationB;
}
}

EXPORT int32_t APlayer_GetDuration(EngineHandle) __attribute__((ifunc("ResolveDuration")));

// ---- controls for the tests -------------------------------------------

EXPORT void TestEngine_Reset() {
    std::lock_guard<std::mutex> hold(lock);
    calls.clear();
    callLog.clear();
    state = 0;
    volume = -1;
    config.clear();
    fixedConfig.clear();
    slot1 = nullptr;
    slot2 = nullptr;
    slot5 = nullptr;
    slot7 = nullptr;
    unusedSlotsFilled = 0;
    parent = 0;
    durationVariant = 0;
    durationLookups = 0;
}

EXPORT int TestEngine_Calls(const char* name) {
    std::lock_guard<std::mutex> hold(lock);
    auto it = calls.find(name);
    return it == calls.end() ? 0 : it->second;
}

// The call log, "Name(args);Name;..." in call order. The text is a copy the
// caller frees with TestEngine_Free.
EXPORT char* TestEngine_Log() {
    std::lock_guard<std::mutex> hold(lock);
    return strdup(callLog.c_str());
}

EXPORT void TestEngine_Free(char* text) { free(text); }

EXPORT void TestEngine_SetState(int value) {
    std::lock_guard<std::mutex> hold(lock);
    state = value;
}

EXPORT void TestEngine_SetConfig(int number, const char* value) {
    std::lock_guard<std::mutex> hold(lock);
    fixedConfig[number] = value;
}

EXPORT void TestEngine_SetDurationVariant(int variant) { durationVariant = variant; }
EXPORT int TestEngine_DurationLookups() { return durationLookups; }

EXPORT uintptr_t TestEngine_Parent() { return parent; }

// Bit k-1 set for each filled slot k.
EXPORT int TestEngine_FilledSlots() {
    int mask = unusedSlotsFilled;
    if (slot1) mask |= 1 << 0;
    if (slot2) mask |= 1 << 1;
    if (slot5) mask |= 1 << 4;
    if (slot7) mask |= 1 << 6;
    return mask;
}

// Calls a registered callback from a thread of the engine's own, like the
// real engine does, and waits for that thread. kind: the slot number.
EXPORT void TestEngine_Fire(int kind, int a, int b) {
    std::thread engineThread([kind, a, b] {
        switch (kind) {
        case 1:
            if (slot1) slot1(static_cast<uint32_t>(a), static_cast<uintptr_t>(b), 0);
            break;
        case 2:
            if (slot2) slot2(a, b);
            break;
        case 5:
            if (slot5) slot5(a);
            break;
        case 7:
            if (slot7) slot7(a);
            break;
        default:
            break;
        }
    });
    engineThread.join();
}

// ---- the operations -----------------------------------------------------

EXPORT EngineHandle APlayer_Create(uintptr_t parentWindow, int32_t x, int32_t y, int32_t width, int32_t height,
                                   EngineMessageCallback s1, EngineStateCallback s2, EngineUnusedCallback s3,
                                   EngineUnusedCallback s4, EngineBufferCallback s5, EngineUnusedCallback s6,
                                   EngineCodecCallback s7, EngineUnusedCallback s8) {
    Record("Create", std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," +
                         std::to_string(height));
    parent = parentWindow;
    slot1 = s1;
    slot2 = s2;
    slot5 = s5;
    slot7 = s7;
    unusedSlotsFilled = (s3 ? 1 << 2 : 0) | (s4 ? 1 << 3 : 0) | (s6 ? 1 << 5 : 0) | (s8 ? 1 << 7 : 0);
    return 0x5150;
}

EXPORT int32_t APlayer_GetState(EngineHandle engine) {
    Record("GetState");
    std::lock_guard<std::mutex> hold(lock);
    return engine == 0x5150 ? state : -1;
}

// Each call overwrites the one buffer it returns, so a caller that keeps the
// pointer instead of copying sees the text change under it.
EXPORT const char* APlayer_GetConfigA(EngineHandle, int32_t number) {
    Record("GetConfigA", std::to_string(number));
    static char buffer[128];
    std::lock_guard<std::mutex> hold(lock);
    if (auto fixed = fixedConfig.find(number); fixed != fixedConfig.end()) {
        std::snprintf(buffer, sizeof buffer, "%s", fixed->second.c_str());
        return buffer;
    }
    auto it = config.find(number);
    std::string value = it != config.end() ? it->second : "config" + std::to_string(number);
    std::snprintf(buffer, sizeof buffer, "%s#%d", value.c_str(), calls["GetConfigA"]);
    return buffer;
}

EXPORT int32_t APlayer_SetConfigA(EngineHandle, int32_t number, const char* value) {
    Record("SetConfigA", std::to_string(number) + "," + value);
    std::lock_guard<std::mutex> hold(lock);
    config[number] = value;
    return 1;
}

EXPORT uintptr_t APlayer_GetWindow(EngineHandle engine) {
    Record("GetWindow");
    return engine == 0x5150 ? 0x77 : 0;
}

#ifdef LUMO_TEST_ENGINE_FULL

EXPORT int32_t APlayer_OpenA(EngineHandle, const char* address) {
    Record("OpenA", address);
    return 1;
}
EXPORT int32_t APlayer_Close(EngineHandle) {
    Record("Close");
    return 1;
}
EXPORT int32_t APlayer_Play(EngineHandle) {
    Record("Play");
    return 1;
}
EXPORT int32_t APlayer_Pause(EngineHandle) {
    Record("Pause");
    return 1;
}
EXPORT int32_t APlayer_GetPosition(EngineHandle) {
    Record("GetPosition");
    return 4321;
}
EXPORT int32_t APlayer_SetPosition(EngineHandle, int32_t milliseconds) {
    Record("SetPosition", std::to_string(milliseconds));
    return 1;
}
EXPORT int32_t APlayer_SetVolume(EngineHandle, int32_t value) {
    Record("SetVolume", std::to_string(value));
    std::lock_guard<std::mutex> hold(lock);
    volume = value;
    return 1;
}
EXPORT int32_t APlayer_SetCustomLogo(EngineHandle, int32_t logo) {
    Record("SetCustomLogo", std::to_string(logo));
    return 1;
}
EXPORT void APlayer_Destroy(EngineHandle) { Record("Destroy"); }

#endif
