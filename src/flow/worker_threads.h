#pragma once

#include <QThread>

#include <chrono>
#include <functional>

namespace lumo::flow {

// The network workers of the flows (checks, resolves, searches, lists,
// login, address list, update check): one thread per job, never joined, so
// a request hung on a dead service holds up neither the GUI nor the exit.
// Jobs reach the GUI only through a GuiChannel. The count of running jobs
// lets tests and benchmarks wait until every worker is done.
class WorkerThreads {
public:
    // Runs `job` on a new detached thread; false when no thread could be
    // made (the job then does not run).
    static bool Start(std::function<void()> job);
    // The same on a QThread that deletes itself once the job has ended;
    // nullptr when it could not be started.
    static QThread* StartQThread(std::function<void()> job);

    // Jobs started and not yet ended.
    static int Running();
    // Waits until no job runs; false on timeout.
    static bool WaitIdle(std::chrono::milliseconds timeout);
};

}  // namespace lumo::flow
