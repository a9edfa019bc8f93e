#include "cli/playback_watch.h"

#include <unistd.h>

#include <iostream>

#include "cli/progress_line.h"
#include "cli/session.h"
#include "flow/app_state.h"
#include "playback/playback_controller.h"
#include "player/player_engine.h"

namespace lumo::cli {
namespace {

using namespace std::chrono_literals;

// An open the engine has not even begun by then will not happen.
constexpr auto kOpenTime = 30s;
// After q, the engine's own close gets this long.
constexpr auto kCloseTime = 3s;

}  // namespace

PlaybackWatch::PlaybackWatch(flow::AppState& state, playback::PlaybackController& controller, bool showCache)
    : state_(state), controller_(controller), showCache_(showCache), progressShown_(isatty(STDERR_FILENO)) {
    connect(&keys_, &KeyInput::Key, this, [this](char key) { OnKey(key); });
    connect(&tick_, &QTimer::timeout, this, [this] { ShowProgress(); });
    tick_.start(500);
}

void PlaybackWatch::OnState(int state) {
    if (state == player::kStateOpening) opened_ = true;
    if (state == player::kStateStarting || state == player::kStatePlaying || state == player::kStatePaused ||
        state == player::kStatePausing)
        played_ = true;
    if (state == player::kStateReady && (opened_ || quit_)) ended_ = true;
}

bool PlaybackWatch::Run() {
    const auto openBy = std::chrono::steady_clock::now() + kOpenTime;
    Session::WaitFor(
        [&] {
            const auto now = std::chrono::steady_clock::now();
            if (!opened_ && !quit_ && now > openBy) ended_ = true;
            if (quit_ && now > closeBy_) ended_ = true;
            return ended_;
        },
        std::chrono::hours(24 * 365));
    tick_.stop();
    if (progressShown_ && shownOnce_) std::cerr << '\n';
    return played_ || quit_;
}

void PlaybackWatch::OnKey(char key) {
    if (key == ' ') {
        controller_.TogglePlayPause();
        return;
    }
    if ((key != 'q' && key != 'Q') || quit_) return;
    quit_ = true;
    closeBy_ = std::chrono::steady_clock::now() + kCloseTime;
    const int engineState = state_.player.GetState();
    if (player::IsMediaOpen(engineState) || engineState == player::kStateOpening)
        controller_.Stop();
    else
        ended_ = true;
}

void PlaybackWatch::ShowProgress() {
    if (!progressShown_ || !played_) return;
    Progress progress;
    progress.position = state_.player.GetPosition();
    progress.duration = state_.player.GetDuration();
    progress.buffer = buffer_;
    progress.paused = state_.player.GetState() == player::kStatePaused;
    if (showCache_) {
        progress.cache = state_.cacheProgressText.empty() ? "0" : state_.cacheProgressText;
        if (progress.cache.back() != '%') progress.cache += '%';
    }
    std::cerr << "\r\033[K" << ProgressLine(progress) << std::flush;
    shownOnce_ = true;
}

}  // namespace lumo::cli
