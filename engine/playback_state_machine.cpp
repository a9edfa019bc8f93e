#include "engine/playback_state_machine.h"

#include <algorithm>

namespace lumo::engine {
namespace {

constexpr int32_t kReady = 0, kOpening = 1, kPausing = 2, kPaused = 3, kStarting = 4, kPlaying = 5, kClosing = 6;

bool IsOpen(int32_t s) { return s == kPausing || s == kPaused || s == kStarting || s == kPlaying; }

}  // namespace

void PlaybackStateMachine::MoveTo(int32_t next, Changes* changes) {
    if (next == state_) return;
    changes->emplace_back(state_, next);
    state_ = next;
}

void PlaybackStateMachine::Finish(Changes* changes) {
    if (IsOpen(state_)) MoveTo(kClosing, changes);
    MoveTo(kReady, changes);
    started_ = false;
    closing_ = false;
    currentEntry_ = 0;
}

PlaybackStateMachine::Changes PlaybackStateMachine::OpenRequested() {
    ++loadsInFlight_;
    closing_ = false;
    return {};
}

PlaybackStateMachine::Changes PlaybackStateMachine::LoadAnswered(bool accepted, int64_t entry) {
    loadsInFlight_ = std::max(0, loadsInFlight_ - 1);
    if (accepted) latestEntry_ = std::max(latestEntry_, entry);
    return {};
}

PlaybackStateMachine::Changes PlaybackStateMachine::CloseRequested() {
    Changes changes;
    if (state_ != kReady || loadsInFlight_ > 0) closing_ = true;
    if (state_ != kReady) MoveTo(kClosing, &changes);
    return changes;
}

PlaybackStateMachine::Changes PlaybackStateMachine::PauseRequested() {
    Changes changes;
    if (started_ && (state_ == kStarting || state_ == kPlaying)) {
        MoveTo(kPausing, &changes);
        // Already paused underneath: no change will be reported.
        if (paused_) MoveTo(kPaused, &changes);
    }
    return changes;
}

PlaybackStateMachine::Changes PlaybackStateMachine::PlayRequested() {
    Changes changes;
    if (started_ && (state_ == kPausing || state_ == kPaused)) {
        MoveTo(kStarting, &changes);
        MoveTo(kPlaying, &changes);
    }
    return changes;
}

PlaybackStateMachine::Changes PlaybackStateMachine::StartFile(int64_t entry) {
    Changes changes;
    currentEntry_ = entry;
    startedEntry_ = std::max(startedEntry_, entry);
    started_ = false;
    closing_ = false;
    MoveTo(kOpening, &changes);
    return changes;
}

PlaybackStateMachine::Changes PlaybackStateMachine::FileLoaded() {
    Changes changes;
    if (state_ == kOpening) MoveTo(kStarting, &changes);
    return changes;
}

PlaybackStateMachine::Changes PlaybackStateMachine::PlaybackRestart() {
    Changes changes;
    if (started_ || (state_ != kOpening && state_ != kStarting)) return changes;
    started_ = true;
    MoveTo(kStarting, &changes);
    MoveTo(paused_ ? kPaused : kPlaying, &changes);
    return changes;
}

PlaybackStateMachine::Changes PlaybackStateMachine::PauseChanged(bool paused) {
    Changes changes;
    paused_ = paused;
    if (!started_) return changes;
    if (paused && (state_ == kStarting || state_ == kPlaying || state_ == kPausing)) {
        MoveTo(kPausing, &changes);
        MoveTo(kPaused, &changes);
    } else if (!paused && (state_ == kPausing || state_ == kPaused)) {
        MoveTo(kStarting, &changes);
        MoveTo(kPlaying, &changes);
    }
    return changes;
}

PlaybackStateMachine::Changes PlaybackStateMachine::EndFile(int64_t entry) {
    Changes changes;
    bool replaced = !closing_ && (loadsInFlight_ > 0 || latestEntry_ > entry);
    if (replaced) {
        // A newer open follows at once; its start moves the state to opening.
        started_ = false;
        return changes;
    }
    Finish(&changes);
    return changes;
}

PlaybackStateMachine::Changes PlaybackStateMachine::IdleChanged(bool idle) {
    Changes changes;
    // Nothing loaded and nothing on the way: whatever was open is over, even
    // if its end was never reported (an open dropped by a close).
    if (idle && state_ != kReady && loadsInFlight_ == 0 && (closing_ || latestEntry_ <= currentEntry_))
        Finish(&changes);
    return changes;
}

}  // namespace lumo::engine
