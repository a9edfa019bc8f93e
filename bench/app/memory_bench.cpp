// Prints the resident memory of Lumo: a bare Qt program as the peer, Lumo
// idle after start-up, and Lumo playing a 720p film with the real engine on
// a private X server.
//
//   app_memory_bench [seconds of playback, default 8] [film]
#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/main_window.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "player/player_engine.h"

namespace {

long ResidentKb() {
    std::ifstream status("/proc/self/status");
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

    std::printf("peer (bare Qt window)     rss %8ld KB\n", peerKb);
    std::printf("lumo idle                 rss %8ld KB   %.2fx peer\n", idleKb, double(idleKb) / peerKb);
    std::printf("lumo playing 720p film    rss %8ld KB   %.2fx peer   %.2fx idle   (peak %ld KB, %d s played)\n",
                playingKb, double(playingKb) / peerKb, double(playingKb) / idleKb, peakKb, position / 1000);

    state.player.Destroy();
    delete main.data();
    return 0;
}
