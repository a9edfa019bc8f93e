#include "engine/engine.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "engine/cache_session.h"
#include "engine/option_values.h"

namespace lumo::engine {
namespace {

constexpr uint64_t kLoadReply = 1;
constexpr uint32_t kCacheBlockSize = 1u << 20;
constexpr int kCacheFetchers = 2;

int32_t ToMilliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return 0;
    return static_cast<int32_t>(std::min(seconds * 1000.0 + 0.5, 2147483647.0));
}

std::string Seconds(int32_t milliseconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", milliseconds / 1000.0);
    return buffer;
}

std::string Number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

// The player's log levels from the most severe; the codec watcher needs
// warnings at least.
const char* LogLevel(const char* wanted) {
    static const char* levels[] = {"fatal", "error", "warn", "info", "v", "debug", "trace"};
    if (!wanted || !*wanted) return "warn";
    for (int i = 3; i < 7; ++i)
        if (std::strcmp(wanted, levels[i]) == 0) return levels[i];
    return "warn";
}

int64_t EntryIdOf(const mpv_node& result) {
    if (result.format != MPV_FORMAT_NODE_MAP || !result.u.list) return 0;
    for (int i = 0; i < result.u.list->num; ++i)
        if (std::strcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
            result.u.list->values[i].format == MPV_FORMAT_INT64)
            return result.u.list->values[i].u.int64;
    return 0;
}

// Each film allocates and frees buffers of hundreds of kB on threads that
// come and go with it. glibc raises its mmap threshold after the first such
// buffer is freed, so the later ones are carved from per-thread arenas that
// keep the memory once they are freed: a long session grew by megabytes a
// film. A fixed threshold keeps large buffers mapped, and unmapped at free.
void KeepLargeBuffersMapped() {
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_MMAP_THRESHOLD, 128 * 1024); });
#endif
}

}  // namespace

std::unique_ptr<Engine> Engine::Create(uintptr_t parentWindow, const EngineCallbacks& callbacks, std::string* error) {
    // libmpv refuses to start under a locale that writes numbers differently.
    std::setlocale(LC_NUMERIC, "C");
    KeepLargeBuffersMapped();
    std::unique_ptr<Engine> engine(new Engine());
    engine->callbacks_ = callbacks;
    engine->window_ = parentWindow;
    mpv_handle* mpv = mpv_create();
    if (!mpv) {
        if (error) *error = "libmpv could not be created";
        return nullptr;
    }
    engine->mpv_ = mpv;
    auto option = [mpv](const char* name, const std::string& value) {
        mpv_set_option_string(mpv, name, value.c_str());
    };
    // The program owns the keyboard, the mouse and the look of the video
    // area: the player adds no controls, no key bindings and no files.
    option("config", "no");
    option("terminal", "no");
    option("load-scripts", "no");
    option("osc", "no");
    option("ytdl", "no");
    // The scripts built into libmpv stay off too: each would start a thread
    // of its own with every player, for nothing Lumo shows.
    option("load-stats-overlay", "no");
    option("load-osd-console", "no");
    option("load-auto-profiles", "no");
    option("input-default-bindings", "no");
    option("input-vo-keyboard", "no");
    option("input-cursor", "no");
    option("cursor-autohide", "no");
    option("idle", "yes");
    option("keep-open", "no");
    option("force-window", "no");
    option("resume-playback", "no");
    option("save-position-on-quit", "no");
    option("hwdec", "no");
    option("user-agent", "Lumo/1.6");
    option("network-timeout", "30");
    option("audio-client-name", "Lumo");
    // Only the program's own on-screen text is drawn.
    option("osd-level", "1");
    option("osd-on-seek", "no");
    option("osd-bar", "no");
    option("osd-font-size", Number(ScaleToPlayer(20)));
    option("osd-margin-x", std::to_string(static_cast<int>(ScaleToPlayer(10))));
    option("osd-margin-y", std::to_string(static_cast<int>(ScaleToPlayer(10))));
    option("osd-border-size", Number(ScaleToPlayer(2)));
    if (parentWindow != 0) {
        int64_t wid = static_cast<int64_t>(parentWindow);
        mpv_set_option(mpv, "wid", MPV_FORMAT_INT64, &wid);
    }
    const char* vo = std::getenv("LUMO_ENGINE_VO");
    if (vo && *vo)
        option("vo", vo);
    else if (parentWindow == 0)
        option("vo", "null");
    else
        option("vo", "gpu,xv,x11");  // outputs that draw into the given window
    // A machine without graphics acceleration still gets a scaled picture.
    option("gpu-sw", "yes");
    const char* ao = std::getenv("LUMO_ENGINE_AO");
    option("ao", ao && *ao ? ao : "pulse,alsa,null");
    option("audio-fallback-to-null", "yes");
    const char* log = std::getenv("LUMO_ENGINE_LOG");
    engine->logToStderr_ = log && *log;
    if (mpv_initialize(mpv) < 0) {
        if (error) *error = "libmpv could not be initialised";
        return nullptr;
    }
    mpv_request_log_messages(mpv, LogLevel(log));
    mpv_observe_property(mpv, 0, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv, 0, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv, 0, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv, 0, "paused-for-cache", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv, 0, "cache-buffering-state", MPV_FORMAT_INT64);
    mpv_observe_property(mpv, 0, "idle-active", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv, 0, "track-list", MPV_FORMAT_NODE);
    mpv_observe_property(mpv, 0, "hwdec", MPV_FORMAT_STRING);
    mpv_observe_property(mpv, 0, "sub-visibility", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv, 0, "sub-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv, 0, "sub-delay", MPV_FORMAT_DOUBLE);
    mpv_set_wakeup_callback(mpv, &Engine::OnWakeup, engine.get());
    engine->eventThread_ = std::thread([e = engine.get()] { e->EventLoop(); });
    return engine;
}

Engine::~Engine() {
    if (eventThread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            stop_ = true;
        }
        queueChanged_.notify_all();
        eventThread_.join();
    }
    RunAfterFirstFrame(false);
    std::shared_ptr<CacheSession> session;
    {
        std::lock_guard<std::mutex> lock(observedMutex_);
        session = std::move(session_);
    }
    if (session) session->Stop();
    if (mpv_) mpv_terminate_destroy(mpv_);
}

void Engine::OnWakeup(void* self) {
    auto* engine = static_cast<Engine*>(self);
    {
        std::lock_guard<std::mutex> lock(engine->queueMutex_);
        engine->wakeup_ = true;
    }
    engine->queueChanged_.notify_one();
}

void Engine::Post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        tasks_.push_back(std::move(task));
    }
    queueChanged_.notify_one();
}

void Engine::EventLoop() {
    for (;;) {
        std::deque<std::function<void()>> tasks;
        {
            std::unique_lock<std::mutex> lock(queueMutex_);
            queueChanged_.wait(lock, [this] { return wakeup_ || !tasks_.empty() || stop_; });
            if (stop_) return;
            wakeup_ = false;
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) task();
        // Drain to empty: libmpv wakes us once for any number of events.
        for (;;) {
            mpv_event* event = mpv_wait_event(mpv_, 0);
            if (event->event_id == MPV_EVENT_NONE) break;
            HandleEvent(event);
        }
    }
}

void Engine::Apply(const PlaybackStateMachine::Changes& changes) {
    for (auto [from, to] : changes) {
        state_.store(to);
        if (to == ENGINE_STATE_READY) {
            positionMs_.store(0);
            durationMs_.store(0);
        }
        if (callbacks_.state) callbacks_.state(from, to);
    }
}

void Engine::HandleEvent(mpv_event* event) {
    switch (event->event_id) {
        case MPV_EVENT_LOG_MESSAGE: {
            auto* message = static_cast<mpv_event_log_message*>(event->data);
            if (logToStderr_) std::fprintf(stderr, "[engine] %s: %s", message->prefix, message->text);
            std::string_view text(message->text);
            while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
            if (auto value = codecs_.OnLog(message->prefix, text); value && callbacks_.codec)
                callbacks_.codec(*value);
            break;
        }
        case MPV_EVENT_COMMAND_REPLY:
            if (event->reply_userdata == kLoadReply) {
                auto* reply = static_cast<mpv_event_command*>(event->data);
                Apply(machine_.LoadAnswered(event->error >= 0, EntryIdOf(reply->result)));
            }
            break;
        case MPV_EVENT_START_FILE: {
            auto* start = static_cast<mpv_event_start_file*>(event->data);
            codecs_.Reset();
            pausedForCache_ = false;
            bufferingPercent_ = -1;
            positionMs_.store(0);
            durationMs_.store(0);
            Apply(machine_.StartFile(start->playlist_entry_id));
            break;
        }
        case MPV_EVENT_FILE_LOADED:
            Apply(machine_.FileLoaded());
            break;
        case MPV_EVENT_PLAYBACK_RESTART:
            Apply(machine_.PlaybackRestart());
            RunAfterFirstFrame(true);
            break;
        case MPV_EVENT_END_FILE: {
            auto* end = static_cast<mpv_event_end_file*>(event->data);
            Apply(machine_.EndFile(end->playlist_entry_id));
            break;
        }
        case MPV_EVENT_PROPERTY_CHANGE:
            HandleProperty(static_cast<mpv_event_property*>(event->data));
            break;
        default:
            break;
    }
}

void Engine::HandleProperty(const mpv_event_property* property) {
    std::string_view name(property->name);
    auto asDouble = [property]() -> std::optional<double> {
        if (property->format != MPV_FORMAT_DOUBLE) return std::nullopt;
        return *static_cast<double*>(property->data);
    };
    auto asFlag = [property]() -> std::optional<bool> {
        if (property->format != MPV_FORMAT_FLAG) return std::nullopt;
        return *static_cast<int*>(property->data) != 0;
    };
    if (name == "time-pos") {
        positionMs_.store(ToMilliseconds(asDouble().value_or(0)));
    } else if (name == "duration") {
        durationMs_.store(ToMilliseconds(asDouble().value_or(0)));
    } else if (name == "pause") {
        if (auto paused = asFlag()) Apply(machine_.PauseChanged(*paused));
    } else if (name == "idle-active") {
        if (auto idle = asFlag()) Apply(machine_.IdleChanged(*idle));
    } else if (name == "paused-for-cache") {
        bool waiting = asFlag().value_or(false);
        bool was = pausedForCache_;
        pausedForCache_ = waiting;
        if (!callbacks_.buffer || !machine_.started()) return;
        // The fill level may still read full from before the wait began.
        if (waiting && !was)
            callbacks_.buffer(bufferingPercent_ >= 0 && bufferingPercent_ < 100 ? static_cast<int32_t>(bufferingPercent_) : 0);
        else if (!waiting && was)
            callbacks_.buffer(100);
    } else if (name == "cache-buffering-state") {
        int64_t percent = property->format == MPV_FORMAT_INT64 ? *static_cast<int64_t*>(property->data) : -1;
        bool changed = percent != bufferingPercent_;
        bufferingPercent_ = percent;
        if (changed && pausedForCache_ && percent >= 0 && callbacks_.buffer && machine_.started())
            callbacks_.buffer(static_cast<int32_t>(std::clamp<int64_t>(percent, 0, 99)));
    } else if (name == "track-list") {
        TrackList tracks;
        if (property->format == MPV_FORMAT_NODE) tracks = TrackList::FromNode(*static_cast<mpv_node*>(property->data));
        std::lock_guard<std::mutex> lock(observedMutex_);
        observed_.tracks = std::move(tracks);
        if (observed_.tracks.AudioCount() == 0 ||
            observed_.tracks.SelectedAudioIndex() == observed_.requestedAudio) {
            observed_.requestedAudio.reset();
        }
    } else if (name == "hwdec") {
        std::lock_guard<std::mutex> lock(observedMutex_);
        observed_.hwdec = property->format == MPV_FORMAT_STRING ? *static_cast<char**>(property->data) : "";
    } else if (name == "sub-visibility") {
        std::lock_guard<std::mutex> lock(observedMutex_);
        observed_.subVisible = asFlag().value_or(true);
    } else if (name == "sub-pos") {
        std::lock_guard<std::mutex> lock(observedMutex_);
        observed_.subPos = asDouble().value_or(100);
    } else if (name == "sub-delay") {
        std::lock_guard<std::mutex> lock(observedMutex_);
        observed_.subDelay = asDouble().value_or(0);
    }
}

void Engine::SetAsync(const char* name, const std::string& value) {
    const char* text = value.c_str();
    mpv_set_property_async(mpv_, 0, name, MPV_FORMAT_STRING, &text);
}

void Engine::SetAsync(const char* name, double value) {
    mpv_set_property_async(mpv_, 0, name, MPV_FORMAT_DOUBLE, &value);
}

void Engine::CommandAsync(std::initializer_list<const char*> args, uint64_t tag) {
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    mpv_command_async(mpv_, tag, argv.data());
}

void Engine::ApplyVideoFilters() {
    bool enhance, hwdec;
    {
        std::lock_guard<std::mutex> lock(settingsMutex_);
        enhance = settings_.enhance;
        hwdec = settings_.hwdec;
    }
    std::string vf = VideoFilters(enhance, activeStereo3d_);
    // Filters run on the processor, so hardware-decoded pictures are copied back for them.
    std::string mode = !hwdec ? "no" : vf.empty() ? "auto-safe" : "auto-copy-safe";
    if (vf != appliedVf_) {
        appliedVf_ = vf;
        SetAsync("vf", vf);
    }
    if (mode != appliedHwdec_) {
        appliedHwdec_ = mode;
        SetAsync("hwdec", mode);
    }
}

void Engine::DoOpen(const std::string& address, const std::string& cookie, const std::string& cachePath,
                    bool stereo3d) {
    Apply(machine_.OpenRequested());
    RunAfterFirstFrame(false);
    std::shared_ptr<CacheSession> previous;
    {
        std::lock_guard<std::mutex> lock(observedMutex_);
        previous = std::move(session_);
    }
    // Released once the new film is up: a copy moved aside while still open
    // keeps its file until then.
    if (previous) previous->Stop();

    std::string url = address;
    bool http = IsHttpAddress(address);
    if (http && !cachePath.empty()) {
        // The copy an earlier open of this film left is moved out of the way
        // instead of being emptied in it, and deleted once the film is up.
        oldCopies_.MoveAside(cachePath);
        CacheSession::Options options;
        options.url = address;
        options.cookie = cookie;
        options.path = cachePath;
        options.blockSize = kCacheBlockSize;
        options.fetchers = kCacheFetchers;
        // Only the fetcher that learns the length starts with the session:
        // the others would compete with the player's first bytes.
        options.startFetching = false;
        std::string error;
        std::shared_ptr<CacheSession> session = CacheSession::Start(options, &error);
        if (session) {
            url = session->LocalUrl();
            afterFirstFrame_.fetchers = session;
            std::lock_guard<std::mutex> lock(observedMutex_);
            session_ = std::move(session);
        } else if (logToStderr_) {
            std::fprintf(stderr, "[engine] no local copy: %s\n", error.c_str());
        }
    }
    // The cookie goes only to the media's own address; through the cache
    // the fetchers send it instead.
    std::string header = http && url == address && !cookie.empty() ? "Cookie: " + cookie : std::string();
    mpv_node item{};
    item.format = MPV_FORMAT_STRING;
    item.u.string = const_cast<char*>(header.c_str());
    mpv_node_list list{};
    list.num = header.empty() ? 0 : 1;
    list.values = &item;
    mpv_node headers{};
    headers.format = MPV_FORMAT_NODE_ARRAY;
    headers.u.list = &list;
    mpv_set_property_async(mpv_, 0, "http-header-fields", MPV_FORMAT_NODE, &headers);

    activeStereo3d_ = stereo3d;
    ApplyVideoFilters();
    SetAsync("pause", std::string("no"));
    CommandAsync({"loadfile", url.c_str(), "replace"}, kLoadReply);
    afterFirstFrame_.released = std::move(previous);
    afterFirstFrame_.deleteOldCopies = true;
}

void Engine::RunAfterFirstFrame(bool startFetchers) {
    AfterFirstFrame pending = std::exchange(afterFirstFrame_, AfterFirstFrame{});
    if (startFetchers && pending.fetchers) pending.fetchers->StartFetching();
    if (pending.deleteOldCopies) oldCopies_.DeleteMoved();
}

int32_t Engine::Open(const std::string& address) {
    if (address.empty()) return -1;
    std::string cookie, cachePath;
    bool stereo3d;
    {
        std::lock_guard<std::mutex> lock(settingsMutex_);
        cookie = std::exchange(settings_.cookie, std::string());
        cachePath = std::exchange(settings_.cachePath, std::string());
        stereo3d = settings_.stereo3d;
    }
    Post([this, address, cookie, cachePath, stereo3d] { DoOpen(address, cookie, cachePath, stereo3d); });
    return 0;
}

int32_t Engine::Close() {
    Post([this] {
        Apply(machine_.CloseRequested());
        RunAfterFirstFrame(false);
        CommandAsync({"stop"});
        std::shared_ptr<CacheSession> session;
        {
            std::lock_guard<std::mutex> lock(observedMutex_);
            session = session_;
        }
        // The copy keeps what it has; its block map stays readable.
        if (session) session->Stop();
    });
    return 0;
}

int32_t Engine::Play() {
    Post([this] {
        Apply(machine_.PlayRequested());
        SetAsync("pause", std::string("no"));
    });
    return 0;
}

int32_t Engine::Pause() {
    Post([this] {
        int32_t s = machine_.state();
        if ((s == ENGINE_STATE_READY && !machine_.openInFlight()) || s == ENGINE_STATE_CLOSING) return;
        Apply(machine_.PauseRequested());
        SetAsync("pause", std::string("yes"));
    });
    return 0;
}

int32_t Engine::Position() const { return state_.load() == ENGINE_STATE_READY ? 0 : positionMs_.load(); }

int32_t Engine::Duration() const { return state_.load() == ENGINE_STATE_READY ? 0 : durationMs_.load(); }

int32_t Engine::Seek(int32_t milliseconds) {
    milliseconds = std::max(milliseconds, 0);
    Post([this, milliseconds] {
        int32_t s = machine_.state();
        if (s == ENGINE_STATE_READY || s == ENGINE_STATE_OPENING || s == ENGINE_STATE_CLOSING) return;
        positionMs_.store(milliseconds);
        std::string target = Seconds(milliseconds);
        CommandAsync({"seek", target.c_str(), "absolute"});
    });
    return 0;
}

int32_t Engine::SetVolume(int32_t volume) {
    double level = std::clamp(volume, 0, 100);
    Post([this, level] { SetAsync("volume", level); });
    return 0;
}

int32_t Engine::SetCustomLogo(int32_t /*logo*/) {
    // The idle video area stays empty; the program draws its own pictures there.
    return 0;
}

int32_t Engine::SetConfig(int32_t number, const std::string& value) {
    switch (number) {
        case 209:
        case 305: {
            auto on = ParseSwitch(value);
            if (!on) return -1;
            {
                std::lock_guard<std::mutex> lock(settingsMutex_);
                (number == 209 ? settings_.hwdec : settings_.enhance) = *on;
            }
            Post([this] { ApplyVideoFilters(); });
            return 0;
        }
        case 308: {
            auto on = ParseSwitch(value);
            if (!on) return -1;
            std::lock_guard<std::mutex> lock(settingsMutex_);
            settings_.stereo3d = *on;
            return 0;
        }
        case 403: {
            auto index = ParseInteger(value);
            if (!index || *index < 0 || *index > 1000) return -1;
            {
                std::lock_guard<std::mutex> lock(observedMutex_);
                // An index with no track behind it changes nothing.
                if (!observed_.tracks.AudioIdAt(static_cast<int>(*index))) return 0;
                observed_.requestedAudio = static_cast<int>(*index);
            }
            Post([this, i = static_cast<int>(*index)] {
                std::optional<int64_t> id;
                {
                    std::lock_guard<std::mutex> lock(observedMutex_);
                    id = observed_.tracks.AudioIdAt(i);
                }
                if (!id) return;
                int64_t aid = *id;
                mpv_set_property_async(mpv_, 0, "aid", MPV_FORMAT_INT64, &aid);
            });
            return 0;
        }
        case 404: {
            auto channel = ParseChannel(value);
            if (!channel) return -1;
            {
                std::lock_guard<std::mutex> lock(settingsMutex_);
                settings_.channel = *channel;
            }
            Post([this, filter = ChannelFilter(*channel)] { SetAsync("af", filter); });
            return 0;
        }
        case 409:
        case 503: {
            if (value.empty()) return -1;
            {
                std::lock_guard<std::mutex> lock(settingsMutex_);
                (number == 409 ? settings_.audioFile : settings_.subtitleFile) = value;
            }
            Post([this, value, number] {
                CommandAsync({number == 409 ? "audio-add" : "sub-add", value.c_str(), "select"});
            });
            return 0;
        }
        case 504: {
            auto on = ParseSwitch(value);
            if (!on) return -1;
            Post([this, on = *on] { SetAsync("sub-visibility", std::string(on ? "yes" : "no")); });
            return 0;
        }
        case 507: {
            auto position = ParseSubtitlePosition(value);
            if (!position) return -1;
            Post([this, p = *position] { SetAsync("sub-pos", std::to_string(p)); });
            return 0;
        }
        case 509: {
            auto delay = ParseSubtitleDelayMs(value);
            if (!delay) return -1;
            Post([this, seconds = *delay / 1000.0] { SetAsync("sub-delay", seconds); });
            return 0;
        }
        case 602:
        case 621: {
            auto on = ParseSwitch(value);
            if (!on) return -1;
            {
                std::lock_guard<std::mutex> lock(settingsMutex_);
                (number == 602 ? settings_.osdEnabled : settings_.outline) = *on ? "1" : "0";
            }
            if (number == 602)
                Post([this, on = *on] { SetAsync("osd-level", std::string(on ? "1" : "0")); });
            else
                Post([this, on = *on] { SetAsync("osd-border-size", on ? ScaleToPlayer(2) : 0.0); });
            return 0;
        }
        case 606:
        case 607: {
            auto pixels = ParseInteger(value);
            if (!pixels || *pixels < (number == 606 ? 1 : 0) || *pixels > 200) return -1;
            {
                std::lock_guard<std::mutex> lock(settingsMutex_);
                (number == 606 ? settings_.fontSize : settings_.margin) = std::to_string(*pixels);
            }
            double scaled = ScaleToPlayer(static_cast<double>(*pixels));
            if (number == 606) {
                Post([this, scaled] { SetAsync("osd-font-size", scaled); });
            } else {
                Post([this, margin = std::to_string(static_cast<int>(scaled))] {
                    SetAsync("osd-margin-x", margin);
                    SetAsync("osd-margin-y", margin);
                });
            }
            return 0;
        }
        case 612: {
            {
                std::lock_guard<std::mutex> lock(settingsMutex_);
                settings_.overlay = value;
            }
            Post([this, message = OverlayMessage(value)] { SetAsync("osd-msg1", message); });
            return 0;
        }
        case 1105: {
            auto cookie = ParseCookie(value);
            if (!cookie) return -1;
            std::lock_guard<std::mutex> lock(settingsMutex_);
            settings_.cookie = *cookie;
            return 0;
        }
        case 2201: {
            std::lock_guard<std::mutex> lock(settingsMutex_);
            settings_.cachePath = value;
            return 0;
        }
        case 2207: {
            std::lock_guard<std::mutex> lock(settingsMutex_);
            settings_.option2207 = value;
            return 0;
        }
        default:
            return -1;
    }
}

std::string Engine::GetConfig(int32_t number) const {
    auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    switch (number) {
        case 209: {
            std::lock_guard<std::mutex> lock(observedMutex_);
            return flag(!observed_.hwdec.empty() && observed_.hwdec != "no");
        }
        case 305: {
            std::lock_guard<std::mutex> lock(settingsMutex_);
            return flag(settings_.enhance);
        }
        case 308: {
            std::lock_guard<std::mutex> lock(settingsMutex_);
            return flag(settings_.stereo3d);
        }
        case 401: {
            int32_t s = state_.load();
            bool open = s >= ENGINE_STATE_PAUSING && s <= ENGINE_STATE_PLAYING;
            std::lock_guard<std::mutex> lock(observedMutex_);
            return flag(open && observed_.tracks.AudioCount() > 0);
        }
        case 402: {
            std::lock_guard<std::mutex> lock(observedMutex_);
            return observed_.tracks.AudioNames();
        }
        case 403: {
            std::lock_guard<std::mutex> lock(observedMutex_);
            if (observed_.tracks.AudioCount() == 0) return std::string();
            if (observed_.requestedAudio) return std::to_string(*observed_.requestedAudio);
            return std::to_string(observed_.tracks.SelectedAudioIndex().value_or(-1));
        }
        case 404: {
            std::lock_guard<std::mutex> lock(settingsMutex_);
            return std::to_string(settings_.channel);
        }
        case 409:
        case 503: {
            std::lock_guard<std::mutex> lock(settingsMutex_);
            return number == 409 ? settings_.audioFile : settings_.subtitleFile;
        }
        case 504: {
            std::lock_guard<std::mutex> lock(observedMutex_);
            return flag(observed_.subVisible);
        }
        case 507: {
            std::lock_guard<std::mutex> lock(observedMutex_);
            return FormatSubtitlePosition(static_cast<int>(std::lround(observed_.subPos)));
        }
        case 509: {
            std::lock_guard<std::mutex> lock(observedMutex_);
            return FormatSubtitleDelay(observed_.subDelay);
        }
        case 602:
        case 606:
        case 607:
        case 612:
        case 621:
        case 1105:
        case 2201:
        case 2207: {
            std::lock_guard<std::mutex> lock(settingsMutex_);
            switch (number) {
                case 602: return settings_.osdEnabled;
                case 606: return settings_.fontSize;
                case 607: return settings_.margin;
                case 612: return settings_.overlay;
                case 621: return settings_.outline;
                case 1105: return settings_.cookie;
                case 2201: return settings_.cachePath;
                default: return settings_.option2207;
            }
        }
        case 2203: {
            std::shared_ptr<CacheSession> session;
            {
                std::lock_guard<std::mutex> lock(observedMutex_);
                session = session_;
            }
            return session ? session->BlockMap() : std::string();
        }
        default:
            return std::string();
    }
}

std::string Engine::DebugProperty(const std::string& name) const {
    char* value = mpv_get_property_string(mpv_, name.c_str());
    if (!value) return std::string();
    std::string copy(value);
    mpv_free(value);
    return copy;
}

}  // namespace lumo::engine
