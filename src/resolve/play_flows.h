#pragma once

#include <QObject>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "resolve/magnet_window_flows.h"
#include "resolve/resolver.h"

namespace lumo::resolve {

// The user actions that start playback from a list. Each looks at the
// selected row's state icon: a playable row becomes the current item and is
// resolved, a torrent with several files opens its file list in MAGNETWIN,
// the other states get their message. All run on the GUI thread and return
// at once (ParseFavourite and OpenExtraResourceRow wait for a file list
// while the GUI keeps handling events).
class PlayFlows : public QObject {
    Q_OBJECT
public:
    // The two torrent lists that PlayFromList serves.
    enum class TorrentList { Search, Resource };

    // The references must outlive this object.
    PlayFlows(flow::AppState& state, flow::FlowUi& ui, Resolver& resolver, MagnetWindowFlows& magnet,
              QObject* parent = nullptr);

    // Double-click on the search results or the resource list (decimals 2),
    // or "在线播放" on their tabs (decimals 1).
    void PlayFromList(TorrentList list, int decimals);
    // "在线播放" of the main window's list menu.
    void PlayOnline();
    // Double-click on a film source.
    void PlayFilmSource();
    // Double-click on a file of MAGNETWIN.
    void PlayFile();
    // Click (or "播放") in the play queue.
    void PlayQueueRow();
    // Double-click on a favourite.
    void ParseFavourite();
    // Double-click on the second resource list.
    void OpenExtraResourceRow();

private:
    flow::AppState& state_;
    flow::FlowUi& ui_;
    Resolver& resolver_;
    MagnetWindowFlows& magnet_;
};

}  // namespace lumo::resolve
