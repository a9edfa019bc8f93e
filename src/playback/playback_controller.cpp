#include "playback/playback_controller.h"

#include <algorithm>

#include "flow/app_state.h"
#include "flow/list_model.h"
#include "flow/timer_interval.h"
#include "playback/player_names.h"
#include "playback/player_options.h"
#include "playback/progress_text.h"
#include "player/player_engine.h"
#include "store/data_directory.h"
#include "store/favourites.h"
#include "store/ini_file.h"
#include "store/resume_positions.h"
#include "store/settings_keys.h"

namespace lumo::playback {

namespace {

constexpr int kProgressInterval = 1000;
constexpr int kPlayingProgressInterval = 1200;
constexpr int kOverlayInterval = 1000;
constexpr int kAutoHideInterval = 500;
constexpr int kHideBarInterval = 2000;
constexpr int kSeekStep = 10000;
constexpr int kVolumeStep = 5;
constexpr int kBottomZone = 50;

const char* const kReady = "准备就绪";
const char* const kLoading = "影片加载中,请稍后...";
const char* const kStopped = "已停止";
const char* const kPaused = "已暂停";
const char* const kOpenFailed = "无法打开此文件或地址,请检查后再试";
const char* const kZeroTime = "00:00:00/00:00:00";
const char* const kCacheRefused = "视频播放中将不能开启缓存,请停止播放后再开启！";

bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

}  // namespace

PlaybackController::PlaybackController(flow::AppState& state, flow::FlowUi& ui, PlayerOptions& options,
                                       QObject* parent)
    : QObject(parent), state_(state), ui_(ui), options_(options) {
    progressTimer_.setObjectName(QStringLiteral("时钟1"));
    overlayTimer_.setObjectName(QStringLiteral("时钟关闭叠图"));
    autoHideTimer_.setObjectName(QStringLiteral("时钟自动隐藏操作栏"));
    hideBarTimer_.setObjectName(QStringLiteral("时钟关闭操作栏"));
    connect(&progressTimer_, &QTimer::timeout, this, &PlaybackController::ProgressTick);
    connect(&overlayTimer_, &QTimer::timeout, this, &PlaybackController::OverlayTick);
    connect(&autoHideTimer_, &QTimer::timeout, this, &PlaybackController::AutoHideTick);
    connect(&hideBarTimer_, &QTimer::timeout, this, &PlaybackController::HideBarTick);
    // Progress updates run from the start; their work begins with playback.
    flow::SetTimerInterval(progressTimer_, kProgressInterval);
}

// Lumo ending with a film open keeps its place too.
PlaybackController::~PlaybackController() { KeepResumePosition(); }

bool PlaybackController::MediaOpen() { return player::IsMediaOpen(state_.player.GetState()); }

bool PlaybackController::IsFullscreen() const { return state_.isFullscreen == 1; }

void PlaybackController::SetStatus(const std::string& text) { ui_.SetText(kStatus, text); }

void PlaybackController::SetOverlay(const std::string& text) { state_.player.SetConfigA(612, text); }

void PlaybackController::SendOverlaySettings() {
    state_.player.SetConfigA(602, "1");
    state_.player.SetConfigA(606, "20");
    state_.player.SetConfigA(607, "10");
    state_.player.SetConfigA(621, "1");
}

void PlaybackController::ShowPlayPicture(bool playing) {
    // The button's caption names its picture pair: "播放" or "暂停".
    ui_.SetText(kPlayButton, playing ? "暂停" : "播放");
}

void PlaybackController::ShowIdleView(bool idle) {
    for (const char* name : kIdlePictures) ui_.SetVisible(name, idle);
    ui_.SetVisible(kOpenFileButton, idle);
    ui_.SetVisible(kOpenMenuButton, idle);
}

void PlaybackController::ShowLoadingPanel(bool shown) { ui_.SetVisible(kLoadingPanel, shown); }

void PlaybackController::ResetSliders() {
    ui_.SetValue(kSeekSlider, 0);
    ui_.SetValue(kProgressSlider, 0);
}

// The state icon of the queue row the history puts first.
void PlaybackController::MarkQueueRow() {
    flow::ListModel* queue = ui_.List(kPlayQueueList);
    if (queue != nullptr && queue->RowCount() > 0) queue->SetState(0, flow::AvailabilityState::NotPlayable);
}

void PlaybackController::ShowControlBar() {
    if (!ui_.IsVisible(kControlBar)) ui_.SetVisible(kControlBar, true);
}

// ---- engine callbacks ------------------------------------------------------------

void PlaybackController::OnStateChanged(int newState) {
    const int previous = lastState_;
    lastState_ = newState;
    switch (newState) {
    case player::kStateReady:
        ResetSliders();
        autoHideTimer_.stop();
        ShowControlBar();
        // An open that ends in the ready state without playing has failed,
        // unless the user cancelled it.
        if (previous == player::kStateOpening && !openCancelled_) {
            SetStatus(kOpenFailed);
        } else if (previous == player::kStateOpening) {
            SetStatus(kStopped);
        } else {
            SetStatus(kReady);
        }
        openCancelled_ = false;
        ShowIdleView(true);
        ShowLoadingPanel(false);
        ShowPlayPicture(false);
        progressTimer_.stop();
        MarkQueueRow();
        break;
    case player::kStateOpening:
        KeepResumePosition();
        ChooseResumeKey();
        MarkQueueRow();
        openCancelled_ = false;
        // Each film counts its own blocks.
        state_.cacheBlockTotal = 0;
        ui_.SetText(kTimeText, kZeroTime);
        SetStatus(kLoading);
        ResetSliders();
        ui_.ShowPlayerView();
        ShowIdleView(false);
        ShowLoadingPanel(true);
        break;
    case player::kStatePaused:
        autoHideTimer_.stop();
        hideBarTimer_.stop();
        ShowPlayPicture(false);
        if (IsFullscreen()) ShowControlBar();
        break;
    case player::kStateStarting: {
        ShowLoadingPanel(false);
        if (IsFullscreen()) flow::SetTimerInterval(autoHideTimer_, kAutoHideInterval);
        SendOverlaySettings();
        ui_.ShowPlayerView();
        SetStatus("");
        ShowIdleView(false);
        if (state_.cacheBlockTotal < 5) {
            const std::string map = state_.player.GetConfigA(2203);
            state_.cacheBlockTotal =
                static_cast<int>(std::count(map.begin(), map.end(), '1') + std::count(map.begin(), map.end(), '0'));
        }
        break;
    }
    case player::kStatePlaying:
        if (!IsFullscreen()) ShowControlBar();
        SetStatus("");
        flow::SetTimerInterval(progressTimer_, kPlayingProgressInterval);
        ShowPlayPicture(true);
        ui_.CloseWindow(flow::WindowCode::OPENMENU);
        OfferResume();
        break;
    case player::kStateClosing:
        KeepResumePosition();
        MarkQueueRow();
        SetStatus(kStopped);
        ResetSliders();
        ShowPlayPicture(false);
        autoHideTimer_.stop();
        progressTimer_.stop();
        ShowIdleView(true);
        ShowLoadingPanel(false);
        ui_.CloseWindow(flow::WindowCode::OPENMENU);
        ShowControlBar();
        if (IsFullscreen()) LeaveFullscreen();
        break;
    default:
        break;
    }
}

void PlaybackController::OnBuffer(int percent) {
    const std::string text = "缓冲 " + std::to_string(percent) + " %";
    SetOverlay(text);
    if (IsFullscreen()) {
        autoHideTimer_.stop();
        hideBarTimer_.stop();
        ShowControlBar();
    }
    SetStatus(text);
    if (percent == 100) {
        flow::SetTimerInterval(overlayTimer_, kOverlayInterval);
        SetStatus("");
        if (IsFullscreen()) {
            flow::SetTimerInterval(autoHideTimer_, kAutoHideInterval);
            flow::SetTimerInterval(hideBarTimer_, kHideBarInterval);
        }
    }
}

void PlaybackController::OnMessage(uint32_t message, uintptr_t wParam) {
    switch (message) {
    case kLeftButtonDown:
        if (wParam == 1) ui_.CloseWindow(flow::WindowCode::PLAYQUEUE);
        break;
    case kRightButtonDown:
        if (wParam == 2) {
            options_.PrepareMenu(MediaOpen());
            ui_.PopupMenu(kPlayerMenu);
        }
        break;
    case kCharacter:
        if (wParam == kSpace) TogglePlayPause();
        break;
    case kLeftDoubleClick:
        if (wParam == 1) ToggleFullscreen();
        break;
    case kKeyUp:
        switch (wParam) {
        case kEnter:
            ToggleFullscreen();
            break;
        case kEscape:
            if (IsFullscreen()) ToggleFullscreen();
            break;
        case kLeft:
        case kRight:
            SeekStep(wParam == kRight);
            break;
        case kUp:
        case kDown:
            VolumeStep(wParam == kUp ? kVolumeStep : -kVolumeStep);
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

void PlaybackController::OnNeedsCodec(int value) {
    const std::string question = "缺少解码器" + std::to_string(value) + "--是否打开解码器下载工具进行下载？";
    if (ui_.AskYesNo(question, "")) ui_.ShowWindow(flow::WindowCode::CODECDL);
}

// ---- timers ------------------------------------------------------------------------

void PlaybackController::ProgressTick() {
    const int s = state_.player.GetState();
    if (s == player::kStateReady || s == player::kStateOpening || s == player::kStateClosing) return;
    const int position = state_.player.GetPosition();
    const int duration = state_.player.GetDuration();
    lastPosition_ = position;
    lastDuration_ = duration;
    ui_.SetText(kTimeText, FormatClock(position) + "/" + FormatClock(duration));
    ui_.SetMaximum(kSeekSlider, duration);
    ui_.SetMaximum(kProgressSlider, duration);
    ui_.SetValue(kProgressSlider, position);
    if (ui_.IsChecked(kCacheBox)) {
        const std::string text = CachePercentText(state_.player.GetConfigA(2203), state_.cacheBlockTotal) + "%";
        state_.cacheProgressText = text;
        ui_.SetText(kCacheText, "已完成：" + text);
    }
}

void PlaybackController::OverlayTick() {
    SetOverlay("");
    SetStatus("");
    if (IsFullscreen()) {
        flow::SetTimerInterval(autoHideTimer_, kAutoHideInterval);
        flow::SetTimerInterval(hideBarTimer_, kHideBarInterval);
    }
    overlayTimer_.stop();
}

void PlaybackController::AutoHideTick() {
    if (!IsFullscreen()) return;
    const int y = ui_.CursorScreenY();
    const flow::Rect main = ui_.Geometry(kMainWindow);
    const flow::Rect bar = ui_.Geometry(kControlBar);
    if (y >= main.height - bar.height - kBottomZone && y <= main.height) {
        ShowControlBar();
        hideBarTimer_.stop();
    } else {
        flow::SetTimerInterval(hideBarTimer_, kHideBarInterval);
    }
}

void PlaybackController::HideBarTick() {
    if (ui_.IsVisible(kControlBar)) ui_.SetVisible(kControlBar, false);
    hideBarTimer_.stop();
}

// ---- commands ----------------------------------------------------------------------

void PlaybackController::TogglePlayPause() {
    if (state_.player.GetState() == player::kStatePlaying) {
        state_.player.Pause();
        SendOverlaySettings();
        SetOverlay(kPaused);
        SetStatus(kPaused);
    } else {
        state_.player.Play();
        SendOverlaySettings();
        SetOverlay("");
        SetStatus("");
    }
}

void PlaybackController::Stop() {
    if (IsFullscreen()) ToggleFullscreen();
    if (MediaOpen()) lastPosition_ = state_.player.GetPosition();
    state_.player.Close();
}

void PlaybackController::SeekStep(bool forward) {
    const int position = state_.player.GetPosition();
    if (forward) {
        state_.player.SetPosition(position + kSeekStep);
        return;
    }
    const int target = position - kSeekStep;
    state_.player.SetPosition(target < kSeekStep ? 0 : target);
}

void PlaybackController::SeekTo(int milliseconds) { state_.player.SetPosition(std::max(0, milliseconds)); }

void PlaybackController::ApplyVolume(int volume) {
    state_.player.SetVolume(volume);
    const std::string text = "音量:" + std::to_string(volume);
    SetOverlay(text);
    SetStatus(text);
    flow::SetTimerInterval(overlayTimer_, kOverlayInterval);
    // Dragging the bar reports every step; only a new value is written.
    if (volume == savedVolume_) return;
    if (store::IniFile(store::ConfigIniPath()).Write(store::kConfigSection, store::kVolumeKey, std::to_string(volume))) {
        savedVolume_ = volume;
    }
}

void PlaybackController::Mute() { ui_.SetValue(kVolumeBar, 0); }

void PlaybackController::VolumeStep(int delta) {
    const int maximum = ui_.Maximum(kVolumeBar);
    ui_.SetValue(kVolumeBar, std::clamp(ui_.Value(kVolumeBar) + delta, 0, maximum));
}

void PlaybackController::OpenLocalFile() {
    const std::string path = ui_.AskOpenFile("打开文件", MediaFilter());
    if (path.empty()) return;
    OpenLocalPath(path);
}

void PlaybackController::OpenLocalPath(const std::string& path) {
    if (path.empty()) return;
    state_.lastLocalMediaPath = path;
    pendingPathKey_ = store::ResumeKeyForPath(path);
    state_.player.OpenA(path);
}

void PlaybackController::OpenMedia(const std::string& address) {
    if (IsBlank(address)) return;
    pendingPathKey_ = store::ResumeKeyForPath(address);
    state_.player.OpenA(address);
}

void PlaybackController::CancelOpen() {
    if (state_.player.GetState() != player::kStateOpening) {
        ShowLoadingPanel(false);
        return;
    }
    openCancelled_ = true;
    state_.player.Close();
}

void PlaybackController::CacheBoxClicked() {
    if (!MediaOpen()) return;
    ui_.SetChecked(kCacheBox, false);
    ui_.Inform(kCacheRefused, kNoticeTitle);
}

void PlaybackController::AddFavouriteFromPlayer() {
    if (state_.loggedIn == 0) {
        ui_.Inform("您尚未登录,不能使用此功能！", kNoticeTitle);
        ui_.ShowWindow(flow::WindowCode::LOGIN);
        return;
    }
    if (state_.currentTitle.empty()) {
        ui_.Inform("收藏失败,没有可收藏的内容！", kNoticeTitle);
        return;
    }
    const store::IniFile config(store::ConfigIniPath());
    if (store::FileTextContains(config, state_.currentTitle)) {
        ui_.Inform("收藏失败，你的收藏里已经有此影片了！", "");
        return;
    }
    store::WriteFavourite(config, state_.currentInfoHash, state_.currentTitle);
    if (flow::ListModel* list = ui_.List(kFavouriteList)) {
        const int row = list->AppendRow();
        list->SetCell(row, 1, std::to_string(list->RowCount()));
        list->SetCell(row, 2, state_.currentTitle);
        list->SetCell(row, 3, state_.currentInfoHash);
    }
    ui_.Inform("收藏成功", "Lumo提示:");
}

void PlaybackController::AddFavouriteFromList() {
    if (state_.loggedIn == 0) {
        ui_.Inform("你尚未登录,不能使用此功能！", kNoticeTitle);
        return;
    }
    const char* listName = nullptr;
    int hashColumn = -1;
    switch (ui_.CurrentPage(kLibraryTabs)) {
        case 1: listName = kSearchList, hashColumn = 4; break;
        case 3: listName = kResourceList, hashColumn = 3; break;
        default: return;
    }
    flow::ListModel* source = ui_.List(listName);
    const std::string hash = source != nullptr ? source->SelectedCell(hashColumn) : std::string();
    if (hash.empty()) {
        ui_.SetText(kStatus, "收藏失败！没有可收藏的磁力链接");
        return;
    }
    const std::string name = source->SelectedCell(2);
    const store::IniFile config(store::ConfigIniPath());
    if (store::FileTextContains(config, hash)) {
        ui_.Inform("收藏失败，你的收藏里已经有此影片了！", kNoticeTitle);
        return;
    }
    store::WriteFavourite(config, hash, name);
    if (flow::ListModel* list = ui_.List(kFavouriteList)) {
        const int row = list->AppendRow();
        list->SetCell(row, 1, std::to_string(list->RowCount()));
        list->SetCell(row, 2, name);
        list->SetCell(row, 3, "magnet:?xt=urn:btih:" + hash);
    }
    ui_.Inform("收藏成功", "Lumo:");
}

// ---- continuing a film -----------------------------------------------------------------

void PlaybackController::ChooseResumeKey() {
    if (!pendingPathKey_.empty()) {
        resumeKey_ = std::move(pendingPathKey_);
    } else {
        resumeKey_ = state_.currentSha1.empty() ? std::string() : store::ResumeKeyForSha1(state_.currentSha1);
    }
    pendingPathKey_.clear();
    lastPosition_ = 0;
    lastDuration_ = 0;
    resumeOffered_ = false;
}

void PlaybackController::KeepResumePosition() {
    if (resumeKey_.empty() || lastDuration_ <= 0) return;
    store::KeepResumePosition(store::IniFile(store::HistoryIniPath()), resumeKey_, lastPosition_, lastDuration_);
    resumeKey_.clear();
}

void PlaybackController::OfferResume() {
    if (resumeOffered_ || resumeKey_.empty()) return;
    resumeOffered_ = true;
    const auto position = store::ReadResumePosition(store::IniFile(store::HistoryIniPath()), resumeKey_);
    if (!position) return;
    const std::string question = "上次播放到 " + FormatClock(*position) + "，是否从上次的位置继续播放？";
    if (ui_.AskYesNo(question, kNoticeTitle)) state_.player.SetPosition(static_cast<int32_t>(*position));
}

// ---- play queue and full screen -------------------------------------------------------

void PlaybackController::TogglePlayQueue() {
    if (ui_.IsVisible(kPlayQueueWindow)) {
        ui_.CloseWindow(flow::WindowCode::PLAYQUEUE);
        return;
    }
    const flow::Rect main = ui_.Geometry(kMainWindow);
    flow::Rect queue = ui_.Geometry(kPlayQueueWindow);
    queue.left = main.left + main.width - queue.width - 1;
    queue.top = IsFullscreen() ? ui_.Geometry(kControlBar).top - queue.height : main.top + 123;
    ui_.SetGeometry(kPlayQueueWindow, queue);
    ui_.ShowWindow(flow::WindowCode::PLAYQUEUE);
}

void PlaybackController::ToggleFullscreen() {
    if (IsFullscreen()) {
        LeaveFullscreen();
    } else {
        if (!MediaOpen()) return;
        EnterFullscreen();
        ShowControlBar();
    }
    AfterLayoutChange();
}

void PlaybackController::EnterFullscreen() {
    const flow::Rect screen = ui_.ScreenSize();
    const int w = screen.width;
    const int h = screen.height;
    for (const char* name : {kBackPanel, kViewTabs, kVideoArea, kControlBar}) normalLayout_[name] = ui_.Geometry(name);

    state_.isFullscreen = 1;
    ui_.CloseWindow(flow::WindowCode::PLAYQUEUE);
    ui_.SetText(kFullscreenItem, "退出全屏");
    for (const char* name : kTitleStripParts) ui_.SetVisible(name, false);

    ui_.SetGeometry(kMainWindow, {0, 0, w, h});
    ui_.SetGeometry(kBackPanel, {0, 0, w, h});
    ui_.SetGeometry(kViewTabs, {0, 0, w, h});
    ui_.SetVisible(kLoginButton, false);
    ui_.SetGeometry(kVideoArea, {0, 0, w, h});
    ui_.SetMainPinned(true);

    flow::Rect bar = ui_.Geometry(kControlBar);
    bar.left = (w - bar.width) / 2;
    bar.top = h - bar.height;
    ui_.SetGeometry(kControlBar, bar);
    for (const char* name : kWindowButtons) ui_.SetVisible(name, false);

    flow::Rect panel = ui_.Geometry(kLoadingPanel);
    panel.left = (w - panel.width) / 2;
    panel.top = (h - panel.height) / 2;
    ui_.SetGeometry(kLoadingPanel, panel);
}

void PlaybackController::LeaveFullscreen() {
    ui_.SetText(kFullscreenItem, kFullscreenItem);
    for (const char* name : kTitleStripParts) ui_.SetVisible(name, true);
    ui_.SetGeometry(kVideoArea, {0, 1, 852, 512});
    ui_.SetVisible(kLoginButton, true);

    const flow::SavedWindowGeometry& saved = state_.savedWindowGeometry;
    ui_.SetGeometry(kMainWindow, {saved.left, saved.top, saved.width, saved.height});
    // The panels go back to the places they had before, which is the layout
    // MAIN was built with.
    for (const char* name : {kBackPanel, kViewTabs}) {
        auto it = normalLayout_.find(name);
        if (it != normalLayout_.end()) ui_.SetGeometry(name, it->second);
    }
    flow::Rect bar = ui_.Geometry(kControlBar);
    bar.left = 0;
    bar.top = saved.controlBarTop;
    ui_.SetGeometry(kControlBar, bar);
    ui_.SetMainPinned(false);

    for (const char* name : kWindowButtons) ui_.SetVisible(name, true);
    flow::Rect panel = ui_.Geometry(kLoadingPanel);
    panel.left = 387;
    panel.top = 180;
    ui_.SetGeometry(kLoadingPanel, panel);
    state_.isFullscreen = 0;
}

void PlaybackController::AfterLayoutChange() {
    if (IsFullscreen()) {
        flow::SetTimerInterval(autoHideTimer_, kAutoHideInterval);
    } else {
        autoHideTimer_.stop();
        hideBarTimer_.stop();
        ShowControlBar();
    }
}

std::string PlaybackController::MediaFilter() {
    static const char* const kPatterns[] = {
        "3g2", "3gp",  "3gp2", "3gpp", "aac",  "ac3",  "aif",  "aifc", "aiff", "amr",  "amv",   "ape",  "asf",
        "asp", "au",   "avi",  "bik",  "csf",  "dat",  "divx", "evo",  "f4v",  "flv",  "hlv",   "ifo",  "ivm",
        "m1v", "m2p",  "m2t",  "m2ts", "m2v",  "m4b",  "m4p",  "m4v",  "mag",  "mid",  "mkv",   "mod",  "mov",
        "movie", "mp2v", "mp2", "mp3", "mp4",  "mpa",  "mpeg", "mpeg4", "mpg", "mpv2", "mts",   "ogg",  "ogm",
        "pmp", "pss",  "pva",  "qt",   "ram",  "rm",   "rmvb", "rp",   "rpm",  "rt",   "scm",   "smi",  "smil",
        "svx", "swf",  "tga",  "tod",  "tp",   "tpr",  "ts",   "vcd",  "vob",  "voc",  "vp6",   "wav",  "webm",
        "wma", "wm",   "wmp",  "wmv",  "xlmv", "xv",   "xvid"};
    std::string filter = "所有媒体文件()|";
    bool first = true;
    for (const char* pattern : kPatterns) {
        if (!first) filter += ";";
        filter += "*.";
        filter += pattern;
        first = false;
    }
    return filter + "|所有文件|*.*";
}

}  // namespace lumo::playback
