#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace lumo::engine {

// The engine states 0..6 (ready, opening, pausing, paused, starting,
// playing, closing), derived from what the program asks for and what the
// player reports. Every method returns the state changes it causes, in
// order, as (old, new) pairs; the engine passes each one to the program.
//
// The player names each loaded file by its playlist entry id. A file that
// ends because a newer open replaces it does not pass through "ready", and
// an open that the player drops before starting it leaves no trace.
class PlaybackStateMachine {
public:
    using Changes = std::vector<std::pair<int32_t, int32_t>>;

    int32_t state() const { return state_; }
    // True from the first picture of a media until it ends.
    bool started() const { return started_; }
    // True from an open request until the player starts that media: while
    // the player has not answered, and after it took the media but before
    // the media's start is reported.
    bool openInFlight() const { return loadsInFlight_ > 0 || latestEntry_ > startedEntry_; }

    // Requests of the program.
    Changes OpenRequested();
    Changes LoadAnswered(bool accepted, int64_t entry);
    Changes CloseRequested();
    Changes PauseRequested();
    Changes PlayRequested();

    // Reports of the player.
    Changes StartFile(int64_t entry);
    Changes FileLoaded();
    Changes PlaybackRestart();
    Changes PauseChanged(bool paused);
    Changes EndFile(int64_t entry);
    Changes IdleChanged(bool idle);

private:
    void MoveTo(int32_t next, Changes* changes);
    void Finish(Changes* changes);

    int32_t state_ = 0;
    int loadsInFlight_ = 0;
    int64_t latestEntry_ = 0;
    int64_t currentEntry_ = 0;
    int64_t startedEntry_ = 0;  // the newest entry the player has started
    bool started_ = false;
    bool paused_ = false;
    bool closing_ = false;
};

}  // namespace lumo::engine
