#pragma once

#include <string>

namespace lumo::flow {
struct AppState;
class FlowUi;
}  // namespace lumo::flow

namespace lumo::playback {

// The option items of the menu "播放器": picture enhancement, hardware
// decoding, 3D mode, the audio tracks, the sound channels and an external
// audio track. Each sends its engine configuration; a toggle keeps its state
// in its caption, which names what the next click does. Nothing is saved.
class PlayerOptions {
public:
    PlayerOptions(flow::AppState& state, flow::FlowUi& ui);

    // A click on "画质增强", "开启硬件加速" or "开启3D模式" (by those names,
    // whatever their captions show now).
    void Toggle(const std::string& item);
    // Rebuilds "音轨" from the engine's track list while it has one.
    void RefreshAudioTrackMenu();
    // Track item k (1 to 5).
    void SelectAudioTrack(int k);
    // Channel item 0 to 3: stereo, left, right, left and right mixed.
    void SelectChannel(int channel);
    // "手动载入音轨": the file dialog, then the chosen file as an extra track.
    void LoadAudioTrack();
    // Before the menu pops up: the items that need an open media follow it.
    void PrepareMenu(bool mediaOpen);

    static constexpr int kTrackItems = 5;

private:
    flow::AppState& state_;
    flow::FlowUi& ui_;
};

}  // namespace lumo::playback
