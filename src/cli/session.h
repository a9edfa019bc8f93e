#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "cli/terminal_ui.h"
#include "flow/app_state.h"
#include "remote/service_hosts.h"

namespace lumo::resolve {
class Resolution;
}
namespace lumo::sources {
class Sources;
}

namespace lumo::cli {

// What one command works with: the program-wide state, the terminal's
// window side, the service addresses (LUMO_SERVICES applied, as in lumo)
// and, made when first asked for, the resolution and the list sources.
// Lives on the thread of the QCoreApplication.
class Session {
public:
    Session();
    ~Session();

    flow::AppState& State() { return state_; }
    TerminalUi& Ui() { return ui_; }
    const remote::ServiceHosts& Hosts() const { return hosts_; }
    resolve::Resolution& Resolution();
    sources::Sources& Sources();

    // Reads the operators' address list as lumo does at start-up (retrying
    // at a terminal's pace); false when it could not be read.
    bool ReadAddressList();

    // Puts the play history into the play queue, so a film played from the
    // terminal is added to what the window recorded, not written over it.
    void LoadPlayQueue();

    // Handles events until `done` says yes; false when `timeout` ran out first.
    static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
    flow::AppState state_;
    TerminalUi ui_;
    remote::ServiceHosts hosts_;
    std::unique_ptr<resolve::Resolution> resolution_;
    std::unique_ptr<sources::Sources> sources_;
};

}  // namespace lumo::cli
