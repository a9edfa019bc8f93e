#pragma once

#include <functional>
#include <optional>
#include <string>

namespace lumo::resolve {

// Runs `work` on a worker and waits for its result in a local event loop,
// so the GUI keeps handling its events meanwhile (which may run other flows:
// callers check afterwards that what they were doing is still current).
// nullopt when no worker could be started or the program is quitting.
std::optional<std::string> RunOffGuiThread(std::function<std::string()> work);

// How many RunOffGuiThread calls are waiting now: while any is, a window
// whose handler started one may still be running under it.
int OffGuiThreadWaits();

}  // namespace lumo::resolve
