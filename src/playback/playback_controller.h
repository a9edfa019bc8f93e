#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <map>
#include <string>

#include "flow/flow_ui.h"

namespace lumo::flow {
struct AppState;
}  // namespace lumo::flow

namespace lumo::playback {

class PlayerOptions;

// The player page: keeps the controls in step with the engine state, shows
// position, duration, buffering and the cache share, passes the user's
// commands (play, pause, stop, seek, volume, full screen) to the engine and
// switches MAIN between its normal and its full-screen layout. Everything
// runs on the GUI thread: the window wiring calls the commands, the engine's
// callbacks arrive as OnStateChanged, OnBuffer, OnMessage and OnNeedsCodec.
class PlaybackController : public QObject {
    Q_OBJECT
public:
    // The messages the video window reports, by their numbers.
    enum Message : uint32_t {
        kKeyUp = 257,
        kCharacter = 258,
        kLeftButtonDown = 513,
        kLeftDoubleClick = 515,
        kRightButtonDown = 516,
    };
    enum Key : uintptr_t { kEnter = 13, kEscape = 27, kSpace = 32, kLeft = 37, kUp = 38, kRight = 39, kDown = 40 };

    PlaybackController(flow::AppState& state, flow::FlowUi& ui, PlayerOptions& options, QObject* parent = nullptr);
    ~PlaybackController() override;

    // Engine callbacks.
    void OnStateChanged(int newState);
    void OnBuffer(int percent);
    void OnMessage(uint32_t message, uintptr_t wParam);
    void OnNeedsCodec(int value);

    // Commands of the control bar, the keys and the menus.
    void TogglePlayPause();
    void Stop();
    void SeekStep(bool forward);
    void SeekTo(int milliseconds);
    // The volume bar moved (by the user or the program) to `volume`.
    void ApplyVolume(int volume);
    void Mute();
    void VolumeStep(int delta);
    void ToggleFullscreen();
    void TogglePlayQueue();
    // The open-file dialog, then the chosen file.
    void OpenLocalFile();
    // A local file chosen some other way (command line, a drop), opened as
    // one from the dialog.
    void OpenLocalPath(const std::string& path);
    // Opens a typed address or path; blank text opens nothing.
    void OpenMedia(const std::string& address);
    // The loading panel's "取消": ends an open that has not started playing.
    void CancelOpen();
    // The check box was clicked (its new state already shows).
    void CacheBoxClicked();
    // The player bar's "收藏".
    void AddFavouriteFromPlayer();
    // "收藏" of the list menu: the selected row of the search results or the
    // resource list, by the library page that is showing.
    void AddFavouriteFromList();

    bool IsFullscreen() const;

    // The timers, by their catalogue names, for the wiring and for tests.
    QTimer& ProgressTimer() { return progressTimer_; }        // 时钟1
    QTimer& OverlayTimer() { return overlayTimer_; }          // 时钟关闭叠图
    QTimer& AutoHideTimer() { return autoHideTimer_; }        // 时钟自动隐藏操作栏
    QTimer& HideBarTimer() { return hideBarTimer_; }          // 时钟关闭操作栏

    // The media filter of the open-file dialog.
    static std::string MediaFilter();

private:
    bool MediaOpen();
    void SetStatus(const std::string& text);
    void SetOverlay(const std::string& text);
    void SendOverlaySettings();
    void ShowPlayPicture(bool playing);
    void ShowIdleView(bool idle);
    void ShowLoadingPanel(bool shown);
    void ResetSliders();
    void MarkQueueRow();
    void ShowControlBar();

    void ChooseResumeKey();
    void KeepResumePosition();
    void OfferResume();

    void ProgressTick();
    void OverlayTick();
    void AutoHideTick();
    void HideBarTick();

    void EnterFullscreen();
    void LeaveFullscreen();
    void AfterLayoutChange();

    flow::AppState& state_;
    flow::FlowUi& ui_;
    PlayerOptions& options_;
    QTimer progressTimer_;
    QTimer overlayTimer_;
    QTimer autoHideTimer_;
    QTimer hideBarTimer_;
    int lastState_ = 0;
    bool openCancelled_ = false;
    int savedVolume_ = -1;
    // The film open now, for continuing it later: its key in the history
    // file, the last position and duration seen, and whether continuing was
    // offered for this open. An address the controller opened itself names
    // the film; otherwise the resolved file's SHA-1 does.
    std::string pendingPathKey_;
    std::string resumeKey_;
    int64_t lastPosition_ = 0;
    int64_t lastDuration_ = 0;
    bool resumeOffered_ = false;
    // The normal layout of the controls full screen moves, taken on entering.
    std::map<std::string, flow::Rect> normalLayout_;
};

}  // namespace lumo::playback
