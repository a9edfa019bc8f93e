#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/gui_channel.h"
#include "resolve/play_address.h"
#include "resolve/resolve_endpoints.h"

namespace lumo::resolve {

// The file to play, as the flows set it in the program-wide state.
struct PlayRequest {
    std::string sha1;
    std::string size;
    std::string title;
    std::string infoHash;
};

// Turns the current item of the program-wide state into playback: the
// network part (offline service, cookie jar, host search) on a worker, and
// on the GUI thread the status texts, message boxes, the engine calls (1105,
// then 2201 when caching, then the open), the play-queue rows and the
// history write.
//
// One resolve is active at a time. StartResolve cancels the running one
// first; a cancelled resolve makes no change at all afterwards: its worker
// skips what is left (the cookie jar included) and whatever it still
// reports is dropped on the GUI thread by the resolve serial.
class Resolver : public QObject {
    Q_OBJECT
public:
    // `state`, `ui` and `endpoints` must outlive the resolver.
    Resolver(flow::AppState& state, flow::FlowUi& ui, const ResolveEndpoints& endpoints,
             QObject* parent = nullptr);
    ~Resolver() override;

    // Cancels the running resolve and starts ResolvePlayAddress for the
    // current item (currentSha1, currentSize, currentTitle,
    // currentInfoHash), read now.
    void StartResolve();

    // Whether the latest resolve has not reached one of its ends yet.
    bool Resolving() const { return resolving_; }

    // The address being or last probed, and after success the one opened.
    const std::string& PlayUrl() const { return playUrl_; }
    // The base address of the host taken by the last successful resolve.
    const std::string& DownloadHost() const { return downloadHost_; }

signals:
    // The latest resolve reached an end (never sent for cancelled ones).
    void ResolveEnded(lumo::resolve::ResolveEnd end);

private:
    void Finish(uint64_t serial, const PlayRequest& request, const ResolveOutcome& outcome);
    void Open(const PlayRequest& request, const ResolveOutcome& outcome);
    void RecordInQueue(const PlayRequest& request);

    flow::AppState& state_;
    flow::FlowUi& ui_;
    const ResolveEndpoints& endpoints_;
    std::shared_ptr<flow::GuiChannel> channel_;
    uint64_t serial_ = 0;
    std::shared_ptr<std::atomic<bool>> cancelled_;
    bool resolving_ = false;
    std::string playUrl_;
    std::string downloadHost_;
};

}  // namespace lumo::resolve
