#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/engine_api.h"
#include "engine/engine_debug.h"
#include "engine/test_support.h"

namespace lumo::engine::testing {

// What the engine reported through its callbacks. The callbacks carry no
// context, so one log serves the whole test program.
class CallbackLog {
public:
    static CallbackLog& Get() {
        static CallbackLog log;
        return log;
    }
    static void OnState(int32_t from, int32_t to) {
        std::lock_guard<std::mutex> lock(Get().mutex_);
        Get().states_.emplace_back(from, to);
        Get().callbackThreads_.push_back(std::this_thread::get_id());
    }
    static void OnBuffer(int32_t percent) {
        std::lock_guard<std::mutex> lock(Get().mutex_);
        Get().buffers_.push_back(percent);
    }
    static void OnCodec(int32_t value) {
        std::lock_guard<std::mutex> lock(Get().mutex_);
        Get().codecs_.push_back(value);
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        states_.clear();
        buffers_.clear();
        codecs_.clear();
        callbackThreads_.clear();
    }
    std::vector<std::pair<int32_t, int32_t>> States() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return states_;
    }
    // The new states reported since `mark` changes were seen.
    std::vector<int32_t> NewStatesSince(size_t mark) const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<int32_t> out;
        for (size_t i = mark; i < states_.size(); ++i) out.push_back(states_[i].second);
        return out;
    }
    size_t StateCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return states_.size();
    }
    std::vector<int32_t> Buffers() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return buffers_;
    }
    std::vector<int32_t> Codecs() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return codecs_;
    }
    std::vector<std::thread::id> CallbackThreads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return callbackThreads_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int32_t, int32_t>> states_;
    std::vector<int32_t> buffers_;
    std::vector<int32_t> codecs_;
    std::vector<std::thread::id> callbackThreads_;
};

inline std::string Media(const std::string& name) { return std::string(LUMO_ENGINE_TEST_MEDIA) + "/" + name; }
inline std::string Data(const std::string& name) { return std::string(LUMO_ENGINE_TEST_DATA) + "/" + name; }

// One engine without video window or sound device, destroyed after the test.
class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("LUMO_ENGINE_VO", "null", 1);
        ::setenv("LUMO_ENGINE_AO", "null", 1);
        ::setenv("LUMO_ENGINE_DEBUG", "1", 1);
    }
    void SetUp() override {
        CallbackLog::Get().Reset();
        engine_ = CreateEngine();
        ASSERT_NE(engine_, 0);
    }
    void TearDown() override {
        if (engine_) APlayer_Destroy(engine_);
    }

    static EngineHandle CreateEngine() {
        return APlayer_Create(0, 0, 0, 852, 512, nullptr, &CallbackLog::OnState, nullptr, nullptr,
                              &CallbackLog::OnBuffer, nullptr, &CallbackLog::OnCodec, nullptr);
    }
    int32_t State() const { return APlayer_GetState(engine_); }
    bool WaitState(int32_t state, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const {
        return WaitUntil([&] { return State() == state; }, timeout);
    }
    // Opens and waits until playing.
    void Play(const std::string& address) {
        size_t mark = CallbackLog::Get().StateCount();
        ASSERT_EQ(APlayer_OpenA(engine_, address.c_str()), 0);
        ASSERT_TRUE(WaitUntil([&] {
            auto states = CallbackLog::Get().NewStatesSince(mark);
            return std::find(states.begin(), states.end(), ENGINE_STATE_PLAYING) != states.end();
        })) << "never reached playing: " << address;
    }
    std::string Config(int32_t number) const { return APlayer_GetConfigA(engine_, number); }
    std::string Property(const std::string& name) const { return LumoEngineDebug_GetProperty(engine_, name.c_str()); }
    bool WaitProperty(const std::string& name, const std::string& value) const {
        return WaitUntil([&] { return Property(name) == value; }, std::chrono::seconds(10));
    }
    bool WaitConfig(int32_t number, const std::string& value) const {
        return WaitUntil([&] { return Config(number) == value; }, std::chrono::seconds(10));
    }

    EngineHandle engine_ = 0;
};

}  // namespace lumo::engine::testing
