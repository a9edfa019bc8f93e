#pragma once

#include <QObject>

#include <memory>
#include <string>

namespace lumo::flow {
struct AppState;
}  // namespace lumo::flow

namespace lumo::remote {
class ServiceHosts;
}  // namespace lumo::remote

namespace lumo::playback {
class CodecDownload;
class PlaybackController;
class PlayerOptions;
class SubtitleController;
class SubtitleSearch;
}  // namespace lumo::playback

namespace lumo::app {

class MainWindow;
class WidgetFlowUi;

// Puts the playback controller and the player options behind the player
// page: the engine's callbacks, the control bar, the seek and volume bars,
// the video area's clicks, keys and dropped subtitle files, the menu "播放器"
// and the subtitle panel SUBTITLE.
class PlayerWiring : public QObject {
    Q_OBJECT
public:
    // The hosts give the subtitle site and the codec pack's address.
    PlayerWiring(MainWindow& main, flow::AppState& state, WidgetFlowUi& ui, const remote::ServiceHosts& hosts);
    ~PlayerWiring() override;

    playback::PlaybackController& Controller() { return *controller_; }
    playback::PlayerOptions& Options() { return *options_; }
    playback::SubtitleController& Subtitles() { return *subtitles_; }
    playback::SubtitleSearch& SubtitleSearch() { return *search_; }

private:
    void ConnectEngine();
    void ConnectControlBar();
    void ConnectMenu();
    void ConnectSubtitleWindow(QWidget* window);
    void ConnectCodecWindow(QWidget* window);

    MainWindow& main_;
    flow::AppState& state_;
    WidgetFlowUi& ui_;
    std::string codecPackAddress_;
    std::unique_ptr<playback::PlayerOptions> options_;
    std::unique_ptr<playback::PlaybackController> controller_;
    std::unique_ptr<playback::SubtitleController> subtitles_;
    playback::SubtitleSearch* search_ = nullptr;
};

}  // namespace lumo::app
