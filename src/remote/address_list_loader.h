#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/gui_channel.h"
#include "remote/service_hosts.h"

namespace lumo::remote {

// What starts once the address list has been read. Each runs on the GUI
// thread and is expected to put its own network work on a worker.
struct AddressListHooks {
    std::function<void()> startUpdateCheck;
    std::function<void()> startCodeLibrary;     // the 番号 library (`fanhaodizi`)
    std::function<void()> startKeywordLibrary;  // the keyword library (`gjzdizi`)
};

// Reads the operators' address list right after start-up and gates the rest
// of the start on it: on success the addresses go into the program-wide
// state, the update check and both word libraries start and, a second later,
// the announcement window opens; after more than ten failed reads Lumo tells
// the user how to reach the operators and ends.
//
// Each attempt fetches on a worker of its own; the decision is made on the
// GUI thread, where the failure counter lives. A failed attempt waits out
// the retry pause before the next one starts, so a server that refuses at
// once is asked twelve times, not thousands.
class AddressListLoader : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kRetryPause{2400};
    static constexpr std::chrono::milliseconds kNoticeDelay{1000};
    // A failed attempt that finds more failures than this counted gives up.
    static constexpr int kMostFailures = 10;

    enum class Phase { Idle, Reading, Read, GaveUp };

    // `state` and `ui` must outlive the loader.
    AddressListLoader(flow::AppState& state, flow::FlowUi& ui, ServiceHosts hosts, QObject* parent = nullptr);
    ~AddressListLoader() override;

    void SetHooks(AddressListHooks hooks) { hooks_ = std::move(hooks); }
    void SetRetryPause(std::chrono::milliseconds pause) { retryPause_ = pause; }
    void SetNoticeDelay(std::chrono::milliseconds delay) { noticeDelay_ = delay; }
    void SetRequestTimeout(int seconds) { timeoutSeconds_ = seconds; }

    // Starts the first attempt on a worker. False (and nothing started)
    // while attempts are under way or after the program gave up.
    bool LoadRemoteAddresses();

    Phase CurrentPhase() const { return phase_; }
    int FailureCount() const { return failures_; }
    int Attempts() const { return attempts_; }

    // The text of the announcement window: the published `gonggdz`, or a
    // line naming the operators' website when none is published.
    static std::string AnnouncementText(const flow::AppState& state, const ServiceHosts& hosts);
    // What the user is told before Lumo ends for want of the list.
    std::string GiveUpMessage() const;

signals:
    // The list was read and the dependent work started.
    void AddressesRead();
    // More than ten attempts failed; the program was asked to end.
    void GaveUp();

private:
    struct Attempt {
        bool ok = false;
        std::string page;
    };
    void StartAttempt();
    void Finish(uint64_t serial, const Attempt& attempt);
    void ShowNotice();

    flow::AppState& state_;
    flow::FlowUi& ui_;
    ServiceHosts hosts_;
    AddressListHooks hooks_;
    std::shared_ptr<flow::GuiChannel> post_;
    std::chrono::milliseconds retryPause_ = kRetryPause;
    std::chrono::milliseconds noticeDelay_ = kNoticeDelay;
    int timeoutSeconds_ = 0;  // HttpRequest's own default
    Phase phase_ = Phase::Idle;
    int failures_ = 0;
    int attempts_ = 0;
    uint64_t serial_ = 0;
};

}  // namespace lumo::remote
