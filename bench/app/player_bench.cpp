// The player page on a private X server with the real engine and a 720p
// film: the longest GUI-thread event during 30 s of playback with the
// timers running, full-screen enter and leave latency, and the open of a
// local file through the window (open-file button to first frame) against
// the engine's own open of the same file in the same process.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/flow_wiring.h"
#include "app/main_window.h"
#include "app/player_wiring.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "playback/playback_controller.h"
#include "player/engine_events.h"
#include "player/player_engine.h"

namespace {

constexpr int kRuns = 10;

// Times every event the GUI thread handles; nested deliveries count in the
// outer one.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool done = QApplication::notify(receiver, event);
            --depth_;
            return done;
        }
        QElapsedTimer timer;
        timer.start();
        const bool done = QApplication::notify(receiver, event);
        --depth_;
        if (measuring) longest = std::max(longest, timer.nsecsElapsed());
        return done;
    }
    bool measuring = false;
    qint64 longest = 0;

private:
    int depth_ = 0;
};

class FilmPrompter : public lumo::flow::Prompter {
public:
    bool AskYesNo(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "unexpected question: %s\n", text.toUtf8().constData());
        return false;
    }
    void Inform(QWidget*, const QString&, const QString&) override {}
    QString ChooseOpenFile(QWidget*, const QString&, const QString&) override { return QStringLiteral(LUMO_BENCH_FILM); }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool WaitState(lumo::flow::AppState& state, int wanted) {
    return QTest::qWaitFor([&] { return state.player.GetState() == wanted; }, 20000);
}

}  // namespace

int main(int argc, char** argv) {
    XvfbServer server;
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "no X server: %s\n", error.c_str());
        return 1;
    }
    qputenv("DISPLAY", QByteArray::fromStdString(server.Display()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("LUMO_ENGINE_AO", "null");
    qputenv("LUMO_ENGINE_VO", "x11");
    QTemporaryDir home;
    qputenv("LUMO_HOME", home.path().toUtf8());
    TimingApplication app(argc, argv);

    lumo::flow::AppState state;
    FilmPrompter prompter;
    lumo::app::MainWindowOptions options;
    options.prompter = &prompter;
    options.endProcess = [](int) {};
    options.loadRemoteAddresses = false;
    QPointer<lumo::app::MainWindow> main = new lumo::app::MainWindow(state, options);
    main->move(20, 20);
    main->show();
    if (!QTest::qWaitForWindowExposed(main) || !state.player.HasLibrary()) {
        std::fprintf(stderr, "the window or the engine did not come up\n");
        return 1;
    }
    auto* openButton = main->Control<QAbstractButton>("打开文件按钮");
    lumo::playback::PlaybackController& controller = main->Flows()->Player().Controller();

    // Open to first frame, alternating the window's path and the engine's;
    // the clock stops when the engine's "playing" reaches the GUI thread.
    auto* events = main->findChild<lumo::player::EngineEvents*>(QStringLiteral("引擎事件"));
    std::vector<double> throughWindow, engineAlone;
    for (int run = 0; run < kRuns; ++run) {
        for (int path = 0; path < 2; ++path) {
            QEventLoop loop;
            QElapsedTimer timer;
            qint64 playingAt = -1;
            auto watch = QObject::connect(events, &lumo::player::EngineEvents::stateChanged, &loop,
                                          [&](int, int newState) {
                                              if (newState != lumo::player::kStatePlaying) return;
                                              playingAt = timer.nsecsElapsed();
                                              loop.quit();
                                          });
            QTimer::singleShot(20000, &loop, &QEventLoop::quit);
            timer.start();
            if (path == 0) {
                openButton->click();
            } else {
                state.player.OpenA(LUMO_BENCH_FILM);
            }
            if (playingAt < 0) loop.exec();
            QObject::disconnect(watch);
            if (playingAt < 0) {
                std::fprintf(stderr, "the film did not play\n");
                return 1;
            }
            (path == 0 ? throughWindow : engineAlone).push_back(playingAt / 1e6);
            state.player.Close();
            WaitState(state, lumo::player::kStateReady);
        }
    }

    // 30 s of playback with the progress timer and the on-screen texts.
    openButton->click();
    WaitState(state, lumo::player::kStatePlaying);
    QTest::qWait(500);
    app.longest = 0;
    app.measuring = true;
    QTest::qWait(30000);
    app.measuring = false;
    const double longestEvent = app.longest / 1e6;

    // Full screen in and out, until the layout stands.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget* video = main->Control("图片框1");
    std::vector<double> enter, leave;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        controller.ToggleFullscreen();
        QTest::qWaitFor([&] { return main->geometry() == screen && video->size() == screen.size(); }, 2000);
        enter.push_back(timer.nsecsElapsed() / 1e6);
        QTest::qWait(200);
        timer.restart();
        controller.ToggleFullscreen();
        QTest::qWaitFor([&] { return main->width() == lumo::app::MainWindow::kWidth && video->width() == 852; }, 2000);
        leave.push_back(timer.nsecsElapsed() / 1e6);
        QTest::qWait(200);
    }
    state.player.Close();
    WaitState(state, lumo::player::kStateReady);

    std::printf("open to first frame, median of %d: window %.1f ms, engine alone %.1f ms, ratio %.2f (goal <= 1.1)\n",
                kRuns, Median(throughWindow), Median(engineAlone), Median(throughWindow) / Median(engineAlone));
    std::printf("longest GUI-thread event in 30 s of playback: %.2f ms (goal <= 5)\n", longestEvent);
    std::printf("full screen enter: median %.1f ms, max %.1f ms; leave: median %.1f ms, max %.1f ms (goal <= 100)\n",
                Median(enter), *std::max_element(enter.begin(), enter.end()), Median(leave),
                *std::max_element(leave.begin(), leave.end()));

    state.player.Destroy();
    delete main.data();
    return 0;
}
