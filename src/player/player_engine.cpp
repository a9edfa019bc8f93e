#include "player/player_engine.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace lumo::player {

namespace {

// Calls the export `name` with the engine handle and `args`, or yields `R{}`
// when there is no library or no such export.
template <typename R, typename... Args>
R CallExport(void* function, EngineHandle engine, Args... args) {
    if (function == nullptr) return R{};
    using Fn = R (*)(EngineHandle, Args...);
    return reinterpret_cast<Fn>(function)(engine, args...);
}

}  // namespace

bool IsMediaOpen(int32_t state) {
    return state >= kStatePausing && state <= kStatePlaying;
}

std::string PlayerEngine::DefaultLibraryPath() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return "liblumo-engine.so";
    std::string exe(buffer, static_cast<size_t>(length));
    auto slash = exe.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
    return dir + "/liblumo-engine.so";
}

void PlayerEngine::StartOnFirstUse(std::function<void()> starter) { starter_ = std::move(starter); }

void PlayerEngine::StartNow() {
    if (!starter_) return;
    // Taken first: the starter calls through this binding itself.
    std::function<void()> starter = std::move(starter_);
    starter_ = nullptr;
    starter();
}

bool PlayerEngine::HasLibrary() {
    StartNow();
    return library_ != nullptr;
}

EngineHandle PlayerEngine::Handle() {
    StartNow();
    return engine_;
}

bool PlayerEngine::LoadLibrary(const std::string& path) {
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return library_ != nullptr;
}

void* PlayerEngine::Lookup(const char* name) {
    StartNow();
    if (library_ == nullptr) return nullptr;
    return dlsym(library_, name);
}

EngineHandle PlayerEngine::Create(uintptr_t parentWindow, int32_t x, int32_t y, int32_t width, int32_t height,
                                  const EngineCallbacks& callbacks) {
    void* function = Lookup("APlayer_Create");
    if (function == nullptr) {
        engine_ = 0;
        return engine_;
    }
    auto create = reinterpret_cast<decltype(&APlayer_Create)>(function);
    engine_ = create(parentWindow, x, y, width, height, callbacks.onMessage, callbacks.onStateChanged, nullptr,
                     nullptr, callbacks.onBuffer, nullptr, callbacks.onNeedsCodec, nullptr);
    return engine_;
}

int32_t PlayerEngine::OpenA(const std::string& address) {
    return CallExport<int32_t>(Lookup("APlayer_OpenA"), engine_, address.c_str());
}

int32_t PlayerEngine::Close() { return CallExport<int32_t>(Lookup("APlayer_Close"), engine_); }

int32_t PlayerEngine::Play() { return CallExport<int32_t>(Lookup("APlayer_Play"), engine_); }

int32_t PlayerEngine::Pause() { return CallExport<int32_t>(Lookup("APlayer_Pause"), engine_); }

int32_t PlayerEngine::GetState() { return CallExport<int32_t>(Lookup("APlayer_GetState"), engine_); }

int32_t PlayerEngine::GetPosition() { return CallExport<int32_t>(Lookup("APlayer_GetPosition"), engine_); }

int32_t PlayerEngine::SetPosition(int32_t milliseconds) {
    return CallExport<int32_t>(Lookup("APlayer_SetPosition"), engine_, milliseconds);
}

int32_t PlayerEngine::GetDuration() { return CallExport<int32_t>(Lookup("APlayer_GetDuration"), engine_); }

int32_t PlayerEngine::SetVolume(int32_t volume) {
    return CallExport<int32_t>(Lookup("APlayer_SetVolume"), engine_, volume);
}

int32_t PlayerEngine::SetCustomLogo(int32_t logo) {
    return CallExport<int32_t>(Lookup("APlayer_SetCustomLogo"), engine_, logo);
}

int32_t PlayerEngine::SetConfigA(int32_t number, const std::string& value) {
    return CallExport<int32_t>(Lookup("APlayer_SetConfigA"), engine_, number, value.c_str());
}

std::string PlayerEngine::GetConfigA(int32_t number) {
    const char* text = CallExport<const char*>(Lookup("APlayer_GetConfigA"), engine_, number);
    return text == nullptr ? std::string() : std::string(text);
}

uintptr_t PlayerEngine::GetWindow() { return CallExport<uintptr_t>(Lookup("APlayer_GetWindow"), engine_); }

void PlayerEngine::Destroy() {
    starter_ = nullptr;
    void* function = Lookup("APlayer_Destroy");
    if (function != nullptr && engine_ != 0) reinterpret_cast<decltype(&APlayer_Destroy)>(function)(engine_);
    engine_ = 0;
}

}  // namespace lumo::player
