#include "remote/flow_worker.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace lumo::remote {
namespace {

// Never destroyed: a detached job may end after the process's statics.
struct Census {
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
};

Census& TheCensus() {
    static Census* census = new Census;
    return *census;
}

void Leave() {
    Census& census = TheCensus();
    std::lock_guard<std::mutex> hold(census.mutex);
    if (--census.running == 0) census.idle.notify_all();
}

}  // namespace

bool FlowWorker::Start(std::function<void()> job) {
    {
        Census& census = TheCensus();
        std::lock_guard<std::mutex> hold(census.mutex);
        ++census.running;
    }
    try {
        std::thread([job = std::move(job)] {
            struct Exit {
                ~Exit() { Leave(); }
            } leave;
            job();
        }).detach();
        return true;
    } catch (const std::system_error&) {
        Leave();
        return false;
    }
}

int FlowWorker::Running() {
    Census& census = TheCensus();
    std::lock_guard<std::mutex> hold(census.mutex);
    return census.running;
}

bool FlowWorker::WaitIdle(std::chrono::milliseconds timeout) {
    Census& census = TheCensus();
    std::unique_lock<std::mutex> hold(census.mutex);
    return census.idle.wait_for(hold, timeout, [&] { return census.running == 0; });
}

}  // namespace lumo::remote
