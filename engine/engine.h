#pragma once

#include <mpv/client.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/codec_watcher.h"
#include "engine/engine_api.h"
#include "engine/file_remover.h"
#include "engine/playback_state_machine.h"
#include "engine/track_list.h"

namespace lumo::engine {

class CacheSession;

struct EngineCallbacks {
    EngineStateCallback state = nullptr;
    EngineBufferCallback buffer = nullptr;
    EngineCodecCallback codec = nullptr;
};

// One player: a libmpv instance drawing into the program's window, its
// event thread, the values the program reads, and the cache of the media
// being watched.
//
// Threads: the program calls in on its GUI thread. Nothing it calls waits on
// the player or the network: reads answer from values the event thread keeps
// up to date, and every request becomes a task that the event thread runs in
// order, using only libmpv's asynchronous calls. The event thread also
// drains libmpv's events and calls the program's callbacks.
class Engine {
public:
    // parentWindow 0 makes an engine without video output. The environment
    // may choose the outputs (LUMO_ENGINE_VO, LUMO_ENGINE_AO; tests use
    // "null") and copy the player's log to stderr (LUMO_ENGINE_LOG=v, debug...).
    static std::unique_ptr<Engine> Create(uintptr_t parentWindow, const EngineCallbacks& callbacks,
                                          std::string* error);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    int32_t Open(const std::string& address);
    int32_t Close();
    int32_t Play();
    int32_t Pause();
    int32_t State() const { return state_.load(); }
    int32_t Position() const;
    int32_t Duration() const;
    int32_t Seek(int32_t milliseconds);
    int32_t SetVolume(int32_t volume);
    int32_t SetCustomLogo(int32_t logo);
    // Configuration numbers, values as text. Returns 0 when taken, -1 when
    // the number is unknown or the value does not fit (nothing changes).
    //  209 hardware decoding "1"/"0"      305 picture enhancement "1"/"0"
    //  308 3D view "1"/"0", from the next open on (side by side as anaglyph)
    //  401 (read) "1" while a media with audio tracks is open, else "0"
    //  402 (read) audio track names joined by ";"
    //  403 current audio track from 0 (read and set)
    //  404 sound channel "0" stereo, "1" left, "2" right, "3" both mixed
    //  409 add an audio file and play it    503 add a subtitle file and show it
    //  504 subtitles shown "1"/"0"          507 "1;50;" + position 0 (top)..100 (bottom)
    //  509 subtitle delay: milliseconds + ";1000;1000"
    //  602 on-screen text on "1"/off "0"    606 its font size in pixels (1..200)
    //  607 its margin in pixels (0..200)    621 its outline on "1"/off "0"
    //  612 the on-screen text; "" clears it
    // 1105 cookie sent with the next media's requests only, e.g. "FTN5K=v"
    // 2201 local copy of the next media (http and https addresses only)
    // 2203 (read) block map of the copy: one "1"/"0" per MiB
    // 2207 kept and read back; no effect
    // Reads of any other number give "".
    int32_t SetConfig(int32_t number, const std::string& value);
    std::string GetConfig(int32_t number) const;
    uintptr_t Window() const { return window_; }

    // Reads any player property, waiting for the player: for tests only.
    std::string DebugProperty(const std::string& name) const;
    bool IsEventThread() const { return std::this_thread::get_id() == eventThread_.get_id(); }

private:
    struct Settings {
        bool hwdec = false;
        bool enhance = false;
        bool stereo3d = false;  // applies from the next open
        int channel = 0;
        std::string osdEnabled = "1";
        std::string fontSize = "20";
        std::string margin = "10";
        std::string outline = "1";
        std::string overlay;
        std::string cookie;     // for the next open only
        std::string cachePath;  // for the next open only
        std::string lastCachePath;
        std::string option2207;
        std::string audioFile;
        std::string subtitleFile;
    };
    struct Observed {
        TrackList tracks;
        // A track chosen through 403 that the track list does not show yet:
        // reads of 403 answer with it until the switch has happened.
        std::optional<int> requestedAudio;
        std::string hwdec;
        bool subVisible = true;
        double subPos = 100;
        double subDelay = 0;
    };

    Engine() = default;
    static void OnWakeup(void* self);
    void Post(std::function<void()> task);
    void EventLoop();
    void HandleEvent(mpv_event* event);
    void HandleProperty(const mpv_event_property* property);
    void Apply(const PlaybackStateMachine::Changes& changes);
    void DoOpen(const std::string& address, const std::string& cookie, const std::string& cachePath,
                bool stereo3d);
    // Does what an open put off; `startFetchers` false when its session is
    // being stopped anyway.
    void RunAfterFirstFrame(bool startFetchers);
    void ApplyVideoFilters();
    void SetAsync(const char* name, const std::string& value);
    void SetAsync(const char* name, double value);
    void CommandAsync(std::initializer_list<const char*> args, uint64_t tag = 0);

    mpv_handle* mpv_ = nullptr;
    uintptr_t window_ = 0;
    EngineCallbacks callbacks_;
    bool logToStderr_ = false;

    std::thread eventThread_;
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<std::function<void()>> tasks_;
    bool wakeup_ = false;
    // Local copies replaced by a new open of the same film.
    FileRemover oldCopies_;
    bool stop_ = false;

    mutable std::mutex settingsMutex_;
    Settings settings_;
    mutable std::mutex observedMutex_;
    Observed observed_;
    std::shared_ptr<CacheSession> session_;  // guarded by observedMutex_

    std::atomic<int32_t> state_{0};
    std::atomic<int32_t> positionMs_{0};
    std::atomic<int32_t> durationMs_{0};

    // Event-thread only.
    PlaybackStateMachine machine_;
    // What an open puts off until the film's first picture is up, so that it
    // does not compete with the opening: the other fetchers of the new copy,
    // deleting the old copy, releasing the last film's session. A next open,
    // a close or the end of the engine does it too.
    struct AfterFirstFrame {
        std::shared_ptr<CacheSession> fetchers;
        std::shared_ptr<CacheSession> released;
        bool deleteOldCopies = false;
    };
    AfterFirstFrame afterFirstFrame_;
    CodecWatcher codecs_;
    bool activeStereo3d_ = false;
    std::string appliedVf_;
    std::string appliedHwdec_ = "no";
    bool pausedForCache_ = false;
    int64_t bufferingPercent_ = -1;
};

}  // namespace lumo::engine
