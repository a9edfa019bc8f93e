// Prints the resident memory of Lumo: a bare Qt program as the peer, Lumo
// idle after start-up, and Lumo playing a 720p film with the real engine on
// a private X server, against the `mpv` command line playing the same film
// on the same server with the same video output.
//
//   app_memory_bench [seconds of playback, default 8] [film]
#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/main_window.h"
#include "app/start_up.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "player/player_engine.h"

namespace {

long ResidentKb(const std::string& process = "self") {
    std::ifstream status("/proc/" + process + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// The bench answers no questions: any would mean something went wrong.
class NoPrompter : public lumo::flow::Prompter {
public:
    bool AskYesNo(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "unexpected question: %s\n", text.toUtf8().constData());
        return false;
    }
    void Inform(QWidget*, const QString&, const QString&) override {}
    QString ChooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
};

// Plays `film` with the mpv program for `seconds` and returns its resident
// memory at the end (and its peak in *peakKb); -1 when it cannot run.
long MpvResidentKb(const std::string& film, int seconds, long* peakKb) {
    const std::string fileArg = film;
    const char* argv[] = {"mpv", "--no-config", "--vo=x11", "--ao=null", "--really-quiet", "--loop-file=inf",
                          fileArg.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, "mpv", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return -1;
    const std::string process = std::to_string(pid);
    *peakKb = 0;
    // Its start-up first, then the same time of playback as Lumo's.
    QTest::qWait(1000);
    for (int i = 0; i < seconds * 4; ++i) {
        QTest::qWait(250);
        *peakKb = std::max(*peakKb, ResidentKb(process));
    }
    const long kb = ResidentKb(process);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return kb;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 8;
    const std::string film = argc > 2 ? argv[2] : LUMO_BENCH_FILM;

    XvfbServer server;
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "cannot measure: %s\n", error.c_str());
        return 1;
    }
    setenv("DISPLAY", server.Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("LUMO_ENGINE_AO", "null", 0);
    setenv("LUMO_ENGINE_VO", "x11", 0);
    QTemporaryDir home;
    setenv("LUMO_HOME", home.path().toUtf8().constData(), 1);

    // As the program makes its application.
    lumo::app::SetApplicationAttributes();
    QApplication application(argc, argv);
    // The peer: a bare Qt program with one shown window.
    long peerKb = 0;
    {
        QWidget window;
        window.resize(854, 608);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) std::fprintf(stderr, "the peer window was not shown\n");
        QTest::qWait(300);
        peerKb = ResidentKb();
    }

    lumo::flow::AppState state;
    NoPrompter prompter;
    lumo::app::MainWindowOptions options;
    options.prompter = &prompter;
    options.endProcess = [](int) {};
    QPointer<lumo::app::MainWindow> main = new lumo::app::MainWindow(state, options);
    main->show();
    if (!QTest::qWaitForWindowExposed(main)) std::fprintf(stderr, "the main window was not shown\n");
    QTest::qWait(500);
    const long idleKb = ResidentKb();
    if (!state.player.HasLibrary()) {
        std::fprintf(stderr, "cannot measure playback: liblumo-engine.so is not beside the program\n");
        return 1;
    }

    state.player.OpenA(film);
    if (!QTest::qWaitFor([&] { return state.player.GetState() == lumo::player::kStatePlaying; }, 20000)) {
        std::fprintf(stderr, "the film did not start (state %d)\n", state.player.GetState());
        return 1;
    }
    long peakKb = 0;
    for (int i = 0; i < seconds * 4; ++i) {
        QTest::qWait(250);
        peakKb = std::max(peakKb, ResidentKb());
    }
    const long playingKb = ResidentKb();
    const int position = state.player.GetPosition();

    state.player.Close();
    long mpvPeakKb = 0;
    const long mpvKb = MpvResidentKb(film, seconds, &mpvPeakKb);

    std::printf("peer (bare Qt window)     rss %8ld KB\n", peerKb);
    std::printf("lumo idle                 rss %8ld KB   %.2fx peer\n", idleKb, double(idleKb) / peerKb);
    std::printf("lumo playing 720p film    rss %8ld KB   %.2fx peer   %.2fx idle   (peak %ld KB, %d s played)\n",
                playingKb, double(playingKb) / peerKb, double(playingKb) / idleKb, peakKb, position / 1000);

    if (mpvKb > 0) {
        std::printf("mpv command line, same film rss %8ld KB   (peak %ld KB)\n", mpvKb, mpvPeakKb);
        const double more = (playingKb - mpvKb) / 1024.0;
        std::printf("lumo playing - mpv:       %+8.1f MB   %.2fx mpv   (goal <= +80 MB: %s)\n", more,
                    double(playingKb) / mpvKb, more <= 80 ? "met" : "not met");
    } else {
        std::printf("mpv command line: could not be run (is the mpv package installed?)\n");
    }

    state.player.Destroy();
    delete main.data();
    return mpvKb > 0 ? 0 : 1;
}
