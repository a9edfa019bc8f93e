#pragma once

#include <QObject>

#include <memory>

namespace lumo::flow {
struct AppState;
}  // namespace lumo::flow

namespace lumo::playback {
class PlaybackController;
class PlayerOptions;
}  // namespace lumo::playback

namespace lumo::app {

class MainWindow;
class WidgetFlowUi;

// Puts the playback controller and the player options behind the player
// page: the engine's callbacks, the control bar, the seek and volume bars,
// the video area's clicks and keys, and the menu "播放器".
class PlayerWiring : public QObject {
    Q_OBJECT
public:
    PlayerWiring(MainWindow& main, flow::AppState& state, WidgetFlowUi& ui);
    ~PlayerWiring() override;

    playback::PlaybackController& Controller() { return *controller_; }
    playback::PlayerOptions& Options() { return *options_; }

private:
    void ConnectEngine();
    void ConnectControlBar();
    void ConnectMenu();

    MainWindow& main_;
    std::unique_ptr<playback::PlayerOptions> options_;
    std::unique_ptr<playback::PlaybackController> controller_;
};

}  // namespace lumo::app
