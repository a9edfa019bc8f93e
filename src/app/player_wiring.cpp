#include "app/player_wiring.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QSlider>

#include "app/main_window.h"
#include "app/seek_slider.h"
#include "app/video_input_filter.h"
#include "app/widget_flow_ui.h"
#include "playback/playback_controller.h"
#include "playback/player_names.h"
#include "playback/player_options.h"
#include "player/engine_events.h"

namespace lumo::app {

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

}  // namespace

PlayerWiring::PlayerWiring(MainWindow& main, flow::AppState& state, WidgetFlowUi& ui) : main_(main) {
    options_ = std::make_unique<playback::PlayerOptions>(state, ui);
    controller_ = std::make_unique<playback::PlaybackController>(state, ui, *options_);
    ConnectEngine();
    ConnectControlBar();
    ConnectMenu();
    new VideoInputFilter(main_.VideoArea(), [this](int step) { controller_->VolumeStep(step * 5); });
}

PlayerWiring::~PlayerWiring() = default;

void PlayerWiring::ConnectEngine() {
    auto* events = main_.findChild<player::EngineEvents*>(QStringLiteral("引擎事件"));
    if (events == nullptr) return;
    playback::PlaybackController* c = controller_.get();
    connect(events, &player::EngineEvents::stateChanged, this, [c](int, int newState) { c->OnStateChanged(newState); });
    connect(events, &player::EngineEvents::buffer, this, [c](int percent) { c->OnBuffer(percent); });
    connect(events, &player::EngineEvents::message, this,
            [c](quint32 message, quintptr wParam, qintptr) { c->OnMessage(message, wParam); });
    connect(events, &player::EngineEvents::needsCodec, this, [c](int value) { c->OnNeedsCodec(value); });
}

void PlayerWiring::ConnectControlBar() {
    playback::PlaybackController* c = controller_.get();
    const std::pair<const char*, std::function<void()>> buttons[] = {
        {"图形按钮播放", [c] { c->TogglePlayPause(); }},
        {"图形按钮停止", [c] { c->Stop(); }},
        {"下一个按钮1", [c] { c->SeekStep(false); }},
        {"下一个按钮", [c] { c->SeekStep(true); }},
        {"音量按钮", [c] { c->Mute(); }},
        {"图形按钮全屏", [c] { c->ToggleFullscreen(); }},
        {"图形按钮全屏1", [c] { c->TogglePlayQueue(); }},
        {"打开文件按钮", [c] { c->OpenLocalFile(); }},
        {"选择框缓存", [c] { c->CacheBoxClicked(); }},
        {"超级按钮_下一页6", [c] { c->CancelOpen(); }},
        {"超级按钮字幕1", [c] { c->AddFavouriteFromPlayer(); }},
    };
    for (const auto& [name, action] : buttons) {
        if (auto* button = main_.Control<QAbstractButton>(name)) connect(button, &QAbstractButton::clicked, this, action);
    }
    if (auto* volume = main_.Control<QSlider>(playback::kVolumeBar)) {
        connect(volume, &QSlider::valueChanged, this, [c](int value) { c->ApplyVolume(value); });
    }
    if (auto* seek = main_.Control<SeekSlider>(playback::kSeekSlider)) {
        connect(seek, &SeekSlider::UserSeek, this, [c](int value) { c->SeekTo(value); });
    }
}

void PlayerWiring::ConnectMenu() {
    auto onItem = [this](const char* name, std::function<void()> action) {
        for (QAction* item : main_.findChildren<QAction*>(U(name))) {
            connect(item, &QAction::triggered, this, action);
        }
    };
    playback::PlaybackController* c = controller_.get();
    playback::PlayerOptions* o = options_.get();
    onItem("打开文件", [c] { c->OpenLocalFile(); });
    onItem(playback::kFullscreenItem, [c] { c->ToggleFullscreen(); });
    for (const char* toggle : {playback::kEnhanceItem, playback::kHardwareItem, playback::kStereoItem}) {
        onItem(toggle, [o, toggle] { o->Toggle(toggle); });
    }
    for (int k = 1; k <= playback::PlayerOptions::kTrackItems; ++k) {
        const QByteArray name = (U(playback::kTrackMenu) + QString::number(k)).toUtf8();
        onItem(name.constData(), [o, k] { o->SelectAudioTrack(k); });
    }
    for (int channel = 0; channel < 4; ++channel) {
        onItem(playback::kChannelItems[channel], [o, channel] { o->SelectChannel(channel); });
    }
    onItem("手动载入音轨", [o] { o->LoadAudioTrack(); });
}

}  // namespace lumo::app
