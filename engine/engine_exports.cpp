// The exported C interface of liblumo-engine.so.
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_set>

#include "engine/engine.h"
#include "engine/engine_api.h"
#include "engine/engine_debug.h"

#define LUMO_EXPORT extern "C" __attribute__((visibility("default")))

using lumo::engine::Engine;

namespace {

// Handles are checked against the live engines, so a stale or made-up
// handle is refused instead of followed.
std::mutex registryMutex;
std::unordered_set<Engine*>& Registry() {
    static auto* engines = new std::unordered_set<Engine*>();
    return *engines;
}

Engine* Find(EngineHandle handle) {
    auto* engine = reinterpret_cast<Engine*>(handle);
    std::lock_guard<std::mutex> lock(registryMutex);
    return Registry().count(engine) ? engine : nullptr;
}

const char* Keep(std::string text) {
    thread_local std::string kept;
    kept = std::move(text);
    return kept.c_str();
}

}  // namespace

LUMO_EXPORT EngineHandle APlayer_Create(uintptr_t parentWindow, int32_t, int32_t, int32_t, int32_t,
                                        EngineMessageCallback, EngineStateCallback slot2, EngineUnusedCallback,
                                        EngineUnusedCallback, EngineBufferCallback slot5, EngineUnusedCallback,
                                        EngineCodecCallback slot7, EngineUnusedCallback) {
    lumo::engine::EngineCallbacks callbacks;
    callbacks.state = slot2;
    callbacks.buffer = slot5;
    callbacks.codec = slot7;
    std::string error;
    std::unique_ptr<Engine> engine = Engine::Create(parentWindow, callbacks, &error);
    if (!engine) return 0;
    Engine* raw = engine.release();
    std::lock_guard<std::mutex> lock(registryMutex);
    Registry().insert(raw);
    return reinterpret_cast<EngineHandle>(raw);
}

LUMO_EXPORT void APlayer_Destroy(EngineHandle handle) {
    Engine* engine = Find(handle);
    // From inside one of its own callbacks the engine cannot wait for itself.
    if (!engine || engine->IsEventThread()) return;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        Registry().erase(engine);
    }
    delete engine;
}

LUMO_EXPORT int32_t APlayer_OpenA(EngineHandle handle, const char* address) {
    Engine* engine = Find(handle);
    return engine && address ? engine->Open(address) : -1;
}

LUMO_EXPORT int32_t APlayer_Close(EngineHandle handle) {
    Engine* engine = Find(handle);
    return engine ? engine->Close() : -1;
}

LUMO_EXPORT int32_t APlayer_Play(EngineHandle handle) {
    Engine* engine = Find(handle);
    return engine ? engine->Play() : -1;
}

LUMO_EXPORT int32_t APlayer_Pause(EngineHandle handle) {
    Engine* engine = Find(handle);
    return engine ? engine->Pause() : -1;
}

LUMO_EXPORT int32_t APlayer_GetState(EngineHandle handle) {
    Engine* engine = Find(handle);
    return engine ? engine->State() : ENGINE_STATE_READY;
}

LUMO_EXPORT int32_t APlayer_GetPosition(EngineHandle handle) {
    Engine* engine = Find(handle);
    return engine ? engine->Position() : 0;
}

LUMO_EXPORT int32_t APlayer_SetPosition(EngineHandle handle, int32_t milliseconds) {
    Engine* engine = Find(handle);
    return engine ? engine->Seek(milliseconds) : -1;
}

LUMO_EXPORT int32_t APlayer_GetDuration(EngineHandle handle) {
    Engine* engine = Find(handle);
    return engine ? engine->Duration() : 0;
}

LUMO_EXPORT int32_t APlayer_SetVolume(EngineHandle handle, int32_t volume) {
    Engine* engine = Find(handle);
    return engine ? engine->SetVolume(volume) : -1;
}

LUMO_EXPORT int32_t APlayer_SetCustomLogo(EngineHandle handle, int32_t logo) {
    Engine* engine = Find(handle);
    return engine ? engine->SetCustomLogo(logo) : -1;
}

LUMO_EXPORT int32_t APlayer_SetConfigA(EngineHandle handle, int32_t number, const char* value) {
    Engine* engine = Find(handle);
    return engine ? engine->SetConfig(number, value ? value : "") : -1;
}

LUMO_EXPORT const char* APlayer_GetConfigA(EngineHandle handle, int32_t number) {
    Engine* engine = Find(handle);
    return Keep(engine ? engine->GetConfig(number) : std::string());
}

LUMO_EXPORT uintptr_t APlayer_GetWindow(EngineHandle handle) {
    Engine* engine = Find(handle);
    return engine ? engine->Window() : 0;
}

LUMO_EXPORT const char* LumoEngineDebug_GetProperty(EngineHandle handle, const char* name) {
    const char* enabled = std::getenv("LUMO_ENGINE_DEBUG");
    Engine* engine = Find(handle);
    if (!enabled || !*enabled || !engine || !name) return Keep(std::string());
    return Keep(engine->DebugProperty(name));
}
