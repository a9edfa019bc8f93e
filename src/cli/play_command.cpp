// play: a torrent's file through the resolve, or a media file or address
// straight into the engine, with no window of Lumo's own.
#include <QObject>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>

#include "cli/commands.h"
#include "cli/play_target.h"
#include "cli/playback_watch.h"
#include "cli/raw_terminal.h"
#include "cli/report.h"
#include "cli/session.h"
#include "cli/torrent_files.h"
#include "flow/list_model.h"
#include "playback/playback_controller.h"
#include "playback/player_names.h"
#include "playback/player_options.h"
#include "player/engine_events.h"
#include "player/player_engine.h"
#include "resolve/resolution.h"
#include "store/data_directory.h"
#include "store/default_config.h"
#include "store/favourites.h"
#include "store/ini_file.h"

namespace lumo::cli {
namespace {

using namespace std::chrono_literals;

// A row's check and a resolve each end within the services' own timeouts.
constexpr auto kCheckTime = 70s;
constexpr auto kResolveTime = 20min;

// Where there is a display the engine shows the video in a window of its
// own; elsewhere, or when asked, it plays the sound alone.
void ChooseVideoOutput(bool audioOnly) {
    if (audioOnly) {
        setenv("LUMO_ENGINE_VO", "null", 1);
        return;
    }
    const char* chosen = std::getenv("LUMO_ENGINE_VO");
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((chosen == nullptr || *chosen == 0) && ((x11 && *x11) || (wayland && *wayland)))
        setenv("LUMO_ENGINE_VO", "gpu,x11", 1);
}

// The flows' yes/no questions (continue where the film stopped?) on the
// terminal: one key, y for yes. Without a terminal the answer is no.
bool AskOnTerminal(const std::string& question) {
    if (!isatty(STDIN_FILENO)) return false;
    std::cerr << "\r\033[K" << question << " [y/N] " << std::flush;
    char key = 0;
    const bool read = ::read(STDIN_FILENO, &key, 1) == 1;
    std::cerr << '\n';
    return read && (key == 'y' || key == 'Y');
}

// Lists the torrent's files, waits for the chosen file's check and plays it
// the way a double-click in the magnet window does. A q typed meanwhile
// ends the waiting: there is nothing to play any more.
int StartTorrent(const CommandLine& line, const PlayTarget& target, Session& session,
                 const std::function<bool()>& quit) {
    TorrentFiles files = ListTorrentFiles(session, target.text);
    if (files.code != kDone) return Fail(files.code, files.problem);
    flow::ListModel& list = *files.list;
    std::string problem;
    const std::optional<std::string> index =
        line.arguments.size() > 1 ? std::optional<std::string>(line.arguments[1]) : std::nullopt;
    const int row = ChooseFileRow(list, index, &problem);
    if (row < 0) return Fail(kBadInput, problem);
    const std::string name = list.Cell(row, kFileNameColumn);

    auto checked = [&] {
        const auto state = list.State(row);
        return state && *state != flow::AvailabilityState::Checking;
    };
    if (!Session::WaitFor([&] { return checked() || quit(); }, kCheckTime))
        return Fail(kServiceFailed, "the offline service did not answer");
    if (quit()) return kDone;
    if (list.State(row) != flow::AvailabilityState::Playable)
        return Fail(kNothingFound, "the offline service does not hold " + name);

    resolve::Resolution& resolution = session.Resolution();
    std::optional<resolve::ResolveEnd> end;
    QObject guard;
    QObject::connect(&resolution.Resolve(), &resolve::Resolver::ResolveEnded, &guard,
                     [&end](resolve::ResolveEnd reached) { end = reached; });
    std::cerr << "lumo-cli: asking the offline service for " << name << '\n';
    list.SetSelectedRow(row);
    resolution.Flows().PlayFile();
    if (!Session::WaitFor([&] { return end.has_value() || quit(); }, kResolveTime))
        return Fail(kServiceFailed, "the offline service did not answer");
    if (!end) return kDone;
    switch (*end) {
        case resolve::ResolveEnd::Found: return kDone;
        case resolve::ResolveEnd::Unplayable: return Fail(kNothingFound, "the offline service does not hold " + name);
        default: return Fail(kServiceFailed, "no download host serves " + name);
    }
}

}  // namespace

int RunPlay(const CommandLine& line, Session& session) {
    const PlayTarget target = ClassifyPlayTarget(line.arguments[0]);
    if (target.code != kDone) return Fail(target.code, target.problem);
    if (!target.torrent && line.arguments.size() > 1)
        return Fail(kBadInput, "a file index goes only with a magnet link, an info-hash or a .torrent file");

    ChooseVideoOutput(line.audioOnly);
    flow::AppState& state = session.State();
    player::PlayerEngine& engine = state.player;
    const std::string library = player::PlayerEngine::DefaultLibraryPath();
    if (!engine.LoadLibrary(library)) return Fail(kServiceFailed, "the player engine could not be loaded from " + library);
    player::EngineEvents events;
    engine.Create(0, 0, 0, 0, 0, player::EngineEvents::Callbacks());
    if (engine.Handle() == 0) return Fail(kServiceFailed, "the player engine did not start");
    // The volume the window keeps, from the same settings file.
    store::EnsureDefaultConfig(store::ConfigIniPath());
    engine.SetVolume(store::ReadVolume(store::IniFile(store::ConfigIniPath())));

    TerminalUi& ui = session.Ui();
    // Caching is the resolve's: a local file or an address is never copied.
    const bool caching = line.cache && target.torrent;
    if (caching) ui.SetChecked(playback::kCacheBox, true);
    session.LoadPlayQueue();

    int code = kDone;
    {
        playback::PlayerOptions options(state, ui);
        playback::PlaybackController controller(state, ui, options);
        PlaybackWatch watch(state, controller, caching);
        QObject::connect(&events, &player::EngineEvents::stateChanged, &watch, [&](int, int newState) {
            controller.OnStateChanged(newState);
            watch.OnState(newState);
        });
        QObject::connect(&events, &player::EngineEvents::buffer, &watch, [&](int percent) {
            controller.OnBuffer(percent);
            watch.OnBuffer(percent);
        });
        QObject::connect(&events, &player::EngineEvents::needsCodec, &watch,
                         [&](int value) { controller.OnNeedsCodec(value); });

        RawTerminal terminal;
        ui.SetAsker(AskOnTerminal);
        if (target.torrent)
            code = StartTorrent(line, target, session, [&watch] { return watch.QuitAsked(); });
        else
            controller.OpenMedia(target.text);
        if (code == kDone && !watch.Run()) {
            code = target.torrent || target.text.find("://") != std::string::npos
                       ? Fail(kServiceFailed, "the player could not open " + target.text)
                       : Fail(kBadInput, "the player could not open " + target.text + ": is it a media file?");
        }
        ui.SetAsker(nullptr);
    }
    engine.Destroy();
    return code;
}

}  // namespace lumo::cli
