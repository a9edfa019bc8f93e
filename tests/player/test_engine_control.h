#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

// Reaches the test controls of the stand-in engine library (test_engine.cpp)
// through the same loaded copy the binding uses.
class TestEngineControl {
public:
    explicit TestEngineControl(const std::string& path) {
        library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library_ == nullptr) throw std::runtime_error("cannot load " + path);
    }
    ~TestEngineControl() { dlclose(library_); }
    TestEngineControl(const TestEngineControl&) = delete;
    TestEngineControl& operator=(const TestEngineControl&) = delete;

    void Reset() { Get<void (*)()>("TestEngine_Reset")(); }
    int Calls(const std::string& name) { return Get<int (*)(const char*)>("TestEngine_Calls")(name.c_str()); }
    std::string Log() {
        char* text = Get<char* (*)()>("TestEngine_Log")();
        std::string copy(text);
        Get<void (*)(char*)>("TestEngine_Free")(text);
        return copy;
    }
    void SetState(int state) { Get<void (*)(int)>("TestEngine_SetState")(state); }
    // GetConfigA(number) answers `value` as it is from now on.
    void SetConfig(int number, const std::string& value) {
        Get<void (*)(int, const char*)>("TestEngine_SetConfig")(number, value.c_str());
    }
    void SetDurationVariant(int variant) { Get<void (*)(int)>("TestEngine_SetDurationVariant")(variant); }
    int DurationLookups() { return Get<int (*)()>("TestEngine_DurationLookups")(); }
    uintptr_t Parent() { return Get<uintptr_t (*)()>("TestEngine_Parent")(); }
    int FilledSlots() { return Get<int (*)()>("TestEngine_FilledSlots")(); }
    // Calls callback slot `slot` from a thread of the engine's own.
    void Fire(int slot, int a, int b = 0) { Get<void (*)(int, int, int)>("TestEngine_Fire")(slot, a, b); }

private:
    template <typename Fn>
    Fn Get(const char* name) {
        void* symbol = dlsym(library_, name);
        if (symbol == nullptr) throw std::runtime_error(std::string("missing ") + name);
        return reinterpret_cast<Fn>(symbol);
    }
    void* library_;
};
