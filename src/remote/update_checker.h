#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/gui_channel.h"
#include "remote/service_hosts.h"

namespace lumo::remote {

// Reads the update page once the address list is in and acts on what it
// says about this release: "1" a newer release (the user may go and fetch
// it), "2" withdrawn (the program ends either way), anything else nothing.
// A page without a status is asked for again at once; the twelfth such
// failure in a row treats the release as withdrawn: the user is told, the
// operators' website opens and the program ends.
//
// Fetches run on workers; the decisions, messages and the download address
// (`genxindiz`) are handled on the GUI thread.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    // A failed attempt that finds more failures than this counted gives up.
    static constexpr int kMostFailures = 10;

    enum class Phase { Idle, Checking, Done, Ended };

    // `state` and `ui` must outlive the checker.
    UpdateChecker(flow::AppState& state, flow::FlowUi& ui, ServiceHosts hosts, QObject* parent = nullptr);
    ~UpdateChecker() override;

    void SetRequestTimeout(int seconds) { timeoutSeconds_ = seconds; }

    // Starts the check on a worker; false while one runs or after the check
    // ended the program.
    bool CheckForUpdate();

    Phase CurrentPhase() const { return phase_; }
    int FailureCount() const { return failures_; }
    int Attempts() const { return attempts_; }
    // The status the last finished check found.
    const std::string& Status() const { return status_; }

    std::string GiveUpMessage() const;

signals:
    // The check reached an end: nothing to do, the user declined, or the
    // program was asked to end.
    void CheckEnded();

private:
    void StartAttempt();
    void Finish(uint64_t serial, const std::string& page);
    void End();

    flow::AppState& state_;
    flow::FlowUi& ui_;
    ServiceHosts hosts_;
    std::shared_ptr<flow::GuiChannel> post_;
    int timeoutSeconds_ = 60;
    Phase phase_ = Phase::Idle;
    int failures_ = 0;
    int attempts_ = 0;
    uint64_t serial_ = 0;
    std::string status_;
};

}  // namespace lumo::remote
