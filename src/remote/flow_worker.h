#pragma once

#include <chrono>
#include <functional>

namespace lumo::remote {

// One detached thread per network job (address list, update check, login).
// Nothing ever joins them, so a request stuck on a dead service holds up
// neither the GUI nor the exit; jobs report back only through a GuiPost.
// The count of running jobs lets tests wait until every worker has ended.
class FlowWorker {
public:
    // Runs `job` on a new thread; false when no thread could be made (the
    // job then does not run).
    static bool Start(std::function<void()> job);

    // Jobs started and not yet ended.
    static int Running();
    // Waits until no job runs; false on timeout.
    static bool WaitIdle(std::chrono::milliseconds timeout);
};

}  // namespace lumo::remote
