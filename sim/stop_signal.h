#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace lumo::sim {

// Lets the simulator's deliberate waits (delays, throttling) end at once when
// it stops, so that stopping never waits for a slow answer.
class StopSignal {
public:
    // Waits `duration`; false when the stop came first.
    bool SleepFor(std::chrono::microseconds duration) {
        std::unique_lock lock(mutex_);
        return !cv_.wait_for(lock, duration, [this] { return stopping_; });
    }
    bool Stopping() const {
        std::lock_guard lock(mutex_);
        return stopping_;
    }
    void Raise() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        cv_.notify_all();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool stopping_ = false;
};

}  // namespace lumo::sim
