#include "app/player_wiring.h"

#include <QAbstractButton>
#include <QAction>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMenu>
#include <QSlider>
#include <QUrl>

#include "app/codec_download_window.h"
#include "app/main_window.h"
#include "app/seek_slider.h"
#include "app/subtitle_window.h"
#include "app/video_input_filter.h"
#include "app/widget_flow_ui.h"
#include "playback/codec_download.h"
#include "playback/playback_controller.h"
#include "playback/player_names.h"
#include "playback/player_options.h"
#include "playback/subtitle_controller.h"
#include "playback/subtitle_search.h"
#include "player/engine_events.h"
#include "remote/service_hosts.h"
#include "store/data_directory.h"

namespace lumo::app {

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// The first local subtitle file among the dropped ones; empty when none.
QString DroppedSubtitle(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && playback::SubtitleController::IsSubtitleFile(url.toLocalFile().toStdString())) {
            return url.toLocalFile();
        }
    }
    return {};
}

// A subtitle file dropped on the video area loads into the film playing.
class SubtitleDropFilter : public QObject {
public:
    SubtitleDropFilter(QWidget* videoArea, playback::SubtitleController& subtitles)
        : QObject(videoArea), subtitles_(subtitles) {
        videoArea->setAcceptDrops(true);
        videoArea->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (DroppedSubtitle(drag->mimeData()).isEmpty()) return QObject::eventFilter(watched, event);
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = DroppedSubtitle(drop->mimeData());
            if (path.isEmpty()) return QObject::eventFilter(watched, event);
            drop->acceptProposedAction();
            subtitles_.LoadFile(path.toStdString());
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    playback::SubtitleController& subtitles_;
};

}  // namespace

PlayerWiring::PlayerWiring(MainWindow& main, flow::AppState& state, WidgetFlowUi& ui,
                           const remote::ServiceHosts& hosts)
    : main_(main), state_(state), ui_(ui), codecPackAddress_(hosts.CodecPackAddress()) {
    options_ = std::make_unique<playback::PlayerOptions>(state, ui);
    controller_ = std::make_unique<playback::PlaybackController>(state, ui, *options_);
    subtitles_ = std::make_unique<playback::SubtitleController>(state, ui, *controller_, hosts.BaseAddress(remote::ServiceHosts::kSubtitles));
    search_ = new playback::SubtitleSearch(state, ui, *subtitles_, hosts.BaseAddress(remote::ServiceHosts::kSubtitles),
                                           store::DataDirectory(), this);
    connect(&ui, &WidgetFlowUi::RowDoubleClicked, this, [this](const std::string& list, int row) {
        if (list == playback::SubtitleSearch::kList) search_->Download(row);
    });
    connect(&ui, &WidgetFlowUi::WindowLoaded, this, [this](flow::WindowCode code, QWidget* window) {
        if (code == flow::WindowCode::SUBTITLE) ConnectSubtitleWindow(window);
        if (code == flow::WindowCode::CODECDL) ConnectCodecWindow(window);
    });
    new SubtitleDropFilter(main_.VideoArea(), *subtitles_);
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
        {"超级按钮字幕", [this] { subtitles_->Open(); }},
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
    onItem(playback::kSubtitleItem, [this] { subtitles_->ChooseFile(); });
}

void PlayerWiring::ConnectSubtitleWindow(QWidget* window) {
    auto* panel = qobject_cast<SubtitleWindow*>(window);
    if (panel == nullptr) return;
    playback::SubtitleController* s = subtitles_.get();
    connect(panel, &SubtitleWindow::Activated, this, [s] { s->Activated(); });
    connect(panel, &SubtitleWindow::Deactivated, this, [this, s] {
        s->Deactivated();
        main_.activateWindow();
    });
    const std::pair<const char*, std::function<void()>> buttons[] = {
        {"超级按钮结束", [s] { s->Hide(); }},
        {"超级按钮手动载入字幕", [s] { s->ChooseFile(); }},
        {"超级按钮_解析种子1",
         [this, s] {
             main_.activateWindow();
             s->WebSearch();
         }},
        {"超级按钮在线字幕",
         [this, panel] {
             panel->Expand();
             search_->Search();
         }},
        {"超级按钮隐藏字幕", [s] { s->ShowSubtitles(false); }},
        {"超级按钮隐藏字幕1", [s] { s->ShowSubtitles(true); }},
        {"超级按钮字幕调节0", [s] { s->StepDelay(false); }},
        {"超级按钮字幕调节1", [s] { s->StepDelay(true); }},
        {"超级按钮字幕同步默认", [s] { s->DefaultDelay(); }},
    };
    for (const auto& [name, action] : buttons) {
        if (auto* button = panel->findChild<QAbstractButton*>(U(name))) {
            connect(button, &QAbstractButton::clicked, this, action);
        }
    }
    connect(panel->DelayBox(), &QLineEdit::textChanged, this,
            [s](const QString& text) { s->DelayTextChanged(text.toStdString()); });
    connect(panel->PositionSlider(), &QSlider::valueChanged, this, [s](int position) { s->PositionChanged(position); });
}

void PlayerWiring::ConnectCodecWindow(QWidget* window) {
    auto* codecWindow = qobject_cast<CodecDownloadWindow*>(window);
    if (codecWindow == nullptr) return;
    // The download lives and dies with its window.
    auto* download = new playback::CodecDownload(state_, ui_, codecPackAddress_, store::DataDirectory(), codecWindow);
    download->setObjectName(QStringLiteral("CodecDownload"));
    codecWindow->SetCloseCheck([download] { return download->MayClose(); });
    connect(codecWindow, &CodecDownloadWindow::ManualDownloadRequested, download,
            &playback::CodecDownload::ManualDownload);
    download->Start();
}

}  // namespace lumo::app
