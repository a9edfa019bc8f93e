#include "playback/player_options.h"

#include <vector>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "playback/player_names.h"
#include "player/player_engine.h"

namespace lumo::playback {

namespace {

struct ToggleItem {
    const char* name;
    const char* offCaption;
    const char* onCaption;
    int config;
};
constexpr ToggleItem kToggles[] = {
    {kEnhanceItem, "画质增强", "关闭画质增强", 305},
    {kHardwareItem, "开启硬件加速", "关闭硬件加速", 209},
    {kStereoItem, "开启3D模式", "关闭3D模式", 308},
};

std::string TrackItem(int k) { return std::string(kTrackMenu) + std::to_string(k); }

std::vector<std::string> SplitNames(const std::string& text) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(';', start);
        if (end == std::string::npos) {
            names.push_back(text.substr(start));
            break;
        }
        names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // A list that ends in ";" has no empty last track.
    if (!names.empty() && names.back().empty()) names.pop_back();
    return names;
}

}  // namespace

PlayerOptions::PlayerOptions(flow::AppState& state, flow::FlowUi& ui) : state_(state), ui_(ui) {}

void PlayerOptions::Toggle(const std::string& item) {
    for (const ToggleItem& toggle : kToggles) {
        if (item != toggle.name) continue;
        const std::string caption = ui_.Text(toggle.name);
        bool on;
        if (caption == toggle.offCaption) {
            on = true;
        } else if (caption == toggle.onCaption) {
            on = false;
        } else {
            return;
        }
        state_.player.SetConfigA(toggle.config, on ? "1" : "0");
        ui_.SetText(toggle.name, on ? toggle.onCaption : toggle.offCaption);
        if (toggle.config == 308 && player::IsMediaOpen(state_.player.GetState())) {
            ui_.Inform(on ? "开启成功,重新播放即可生效！" : "关闭成功,重新播放即可生效！", kNoticeTitle);
        }
        return;
    }
}

void PlayerOptions::RefreshAudioTrackMenu() {
    if (state_.player.GetConfigA(401) != "1") return;
    ui_.SetEnabled(kTrackMenu, true);
    const std::string current = state_.player.GetConfigA(403);
    const std::vector<std::string> names = SplitNames(state_.player.GetConfigA(402));
    const int n = static_cast<int>(names.size());
    if (n < 1 || n > kTrackItems) return;
    for (int k = 1; k <= kTrackItems; ++k) {
        const std::string item = TrackItem(k);
        // Items beyond this film's tracks would pick a track it lacks.
        ui_.SetVisible(item, k <= n);
        if (k > n) continue;
        ui_.SetText(item, names[k - 1]);
        ui_.SetChecked(item, current == std::to_string(k - 1));
    }
}

void PlayerOptions::SelectAudioTrack(int k) {
    if (k < 1 || k > kTrackItems) return;
    state_.player.SetConfigA(403, std::to_string(k - 1));
    RefreshAudioTrackMenu();
}

void PlayerOptions::SelectChannel(int channel) {
    if (channel < 0 || channel > 3) return;
    state_.player.SetConfigA(404, std::to_string(channel));
    for (int i = 0; i < 4; ++i) ui_.SetChecked(kChannelItems[i], i == channel);
}

void PlayerOptions::LoadAudioTrack() {
    const std::string path =
        ui_.AskOpenFile("音轨文件", "音频文件|*.mp3;*.aac;*.ac3;*.m4a;*.wav;*.flac;*.ogg;*.wma;*.mka;*.dts|所有文件|*.*");
    if (!path.empty()) state_.player.SetConfigA(409, path);
}

void PlayerOptions::PrepareMenu(bool mediaOpen) {
    for (const char* item : {kSoundItem, kSubtitleItem, kFullscreenItem, kEnhanceItem}) ui_.SetEnabled(item, mediaOpen);
    if (mediaOpen) RefreshAudioTrackMenu();
}

}  // namespace lumo::playback
