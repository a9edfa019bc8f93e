#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

#include "cli/key_input.h"

namespace lumo::flow {
struct AppState;
}
namespace lumo::playback {
class PlaybackController;
}

namespace lumo::cli {

// Follows the engine from the open to the end of the film, a failed open
// or the user's q (space pauses and resumes), with the progress line on a
// terminal. The engine's states and buffering reports are handed in.
class PlaybackWatch : public QObject {
public:
    PlaybackWatch(flow::AppState& state, playback::PlaybackController& controller, bool showCache);

    void OnState(int state);
    void OnBuffer(int percent) { buffer_ = percent; }
    bool QuitAsked() const { return quit_; }

    // Runs until the playback is over; true when it played (or the user
    // quit), false when the engine could not open it.
    bool Run();

private:
    void OnKey(char key);
    void ShowProgress();

    flow::AppState& state_;
    playback::PlaybackController& controller_;
    const bool showCache_;
    const bool progressShown_;
    KeyInput keys_;
    QTimer tick_;
    bool opened_ = false;
    bool played_ = false;
    bool ended_ = false;
    bool quit_ = false;
    bool shownOnce_ = false;
    int buffer_ = -1;
    std::chrono::steady_clock::time_point closeBy_;
};

}  // namespace lumo::cli
