#include "flow/worker_threads.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace lumo::flow {
namespace {

// Never destroyed: a worker may still end after the statics of the process
// have gone.
struct Census {
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
};

Census& TheCensus() {
    static Census* census = new Census;
    return *census;
}

void Enter() {
    Census& census = TheCensus();
    std::lock_guard<std::mutex> hold(census.mutex);
    ++census.running;
}

void Leave() {
    Census& census = TheCensus();
    std::lock_guard<std::mutex> hold(census.mutex);
    if (--census.running == 0) census.idle.notify_all();
}

std::function<void()> Counted(std::function<void()> job) {
    return [job = std::move(job)] {
        struct Exit {
            ~Exit() { Leave(); }
        } leave;
        job();
    };
}

}  // namespace

bool WorkerThreads::Start(std::function<void()> job) {
    Enter();
    try {
        std::thread(Counted(std::move(job))).detach();
        return true;
    } catch (const std::system_error&) {
        Leave();
        return false;
    }
}

QThread* WorkerThreads::StartQThread(std::function<void()> job) {
    Enter();
    QThread* thread = QThread::create(Counted(std::move(job)));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    if (!thread->isRunning() && !thread->isFinished()) {
        delete thread;
        Leave();
        return nullptr;
    }
    return thread;
}

int WorkerThreads::Running() {
    Census& census = TheCensus();
    std::lock_guard<std::mutex> hold(census.mutex);
    return census.running;
}

bool WorkerThreads::WaitIdle(std::chrono::milliseconds timeout) {
    Census& census = TheCensus();
    std::unique_lock<std::mutex> hold(census.mutex);
    return census.idle.wait_for(hold, timeout, [&] { return census.running == 0; });
}

}  // namespace lumo::flow
