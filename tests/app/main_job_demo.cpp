// A short demonstration of Lumo's main job for a machine without a display,
// and a test of it: on a private X server, with the service simulator
// in-process and the real engine, a magnet link from the catalogue is pasted
// into MAGNETWIN and parsed, its files come up with their availability
// icons, the playable file is double-clicked, and the film plays, pauses and
// fills the screen. Each step leaves a grab of the screen and one line of
// what happened in the output folder, whose path is printed first.
//
//   lumo_main_job_demo [--out DIR]      exit 0 when every step did what it says
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "app/flow_wiring.h"
#include "app/list_view.h"
#include "app/magnet_window.h"
#include "app/main_window.h"
#include "app/screen_probe.h"
#include "app/sim_session.h"
#include "app/skinned_button.h"
#include "app/x_session.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "flow/worker_threads.h"
#include "player/player_engine.h"
#include "resolve/resolve_endpoints.h"
#include "sim/catalogue.h"

using namespace lumo::app;
namespace flow = lumo::flow;
namespace player = lumo::player;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// The demonstration has no one to answer a message box: a question means
// something went wrong, and is answered No and written down.
class DemoPrompter : public flow::Prompter {
public:
    bool AskYesNo(QWidget*, const QString& text, const QString&) override {
        asked += text + U(" ");
        return false;
    }
    void Inform(QWidget*, const QString& text, const QString&) override { asked += text + U(" "); }
    QString ChooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
    QString asked;
};

// The numbered steps: a grab of the screen and a line with the wall-clock
// time, the time since the start and what happened, in steps.txt and on
// standard output.
class StepLog {
public:
    explicit StepLog(QString dir) : dir_(std::move(dir)), log_(dir_ + "/steps.txt") {
        clock_.start();
        log_.open(QIODevice::WriteOnly | QIODevice::Text);
    }

    // Returns `ok`, so a failed step can end the run.
    bool Step(const char* name, bool ok, const QString& what) {
        ++number_;
        const QString file = QString::asprintf("%02d_%s.png", number_, name);
        // What the step changed is painted before the grab.
        QTest::qWait(250);
        const bool saved = GrabScreen().save(dir_ + "/" + file);
        const QString line = QString::asprintf("%s  +%6.2f s  %s  ", qPrintable(QDateTime::currentDateTimeUtc().toString(
                                                                         QStringLiteral("HH:mm:ss.zzz"))),
                                               clock_.elapsed() / 1000.0, ok ? "ok  " : "FAIL") +
                             what + U("  [") + (saved ? file : U("no screenshot")) + U("]\n");
        log_.write(line.toUtf8());
        log_.flush();
        std::fputs(line.toUtf8().constData(), stdout);
        std::fflush(stdout);
        failed_ = failed_ || !ok || !saved;
        return ok;
    }
    bool Failed() const { return failed_; }

private:
    QString dir_;
    QFile log_;
    QElapsedTimer clock_;
    int number_ = 0;
    bool failed_ = false;
};

bool WaitFor(const std::function<bool()>& done, int ms) { return QTest::qWaitFor(done, ms); }

QString OutputDir(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--out") return QString::fromLocal8Bit(argv[i + 1]);
    return QDir::tempPath() + "/lumo-demo-" + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

class Demo {
public:
    Demo(StepLog& log, lumo::sim::Simulator& sim) : log_(log), sim_(sim) {}
    ~Demo() {
        if (main_) {
            state_.player.Destroy();
            delete main_.data();
        }
        flow::WorkerThreads::WaitIdle(std::chrono::seconds(30));
    }

    bool Run() { return Start() && Paste() && Parse() && Play() && Pause() && FullScreen() && Leave(); }

private:
    bool Start() {
        MainWindowOptions options;
        options.prompter = &prompter_;
        options.endProcess = [](int) {};
        main_ = new MainWindow(state_, options);
        main_->move(20, 20);
        main_->show();
        const bool shown = QTest::qWaitForWindowExposed(main_);
        const bool read = WaitFor(
            [&] { return !state_.RemoteAddress(lumo::resolve::ResolveEndpoints::kFileListKey).empty(); }, 20000);
        const bool notice = WaitFor([&] { return main_->LoadedWindow(flow::WindowCode::NOTICE) != nullptr; }, 20000);
        if (notice) {
            main_->LoadedWindow(flow::WindowCode::NOTICE)->findChild<QAbstractButton*>(U("超级按钮结束"))->click();
            WaitFor([&] { return main_->LoadedWindow(flow::WindowCode::NOTICE) == nullptr; }, 5000);
        }
        QTest::qWait(300);
        const bool ok = shown && read && notice && state_.player.HasLibrary();
        return log_.Step("start", ok,
                         ok ? U("Lumo is up: the address list was read from the simulator, the announcement was closed")
                            : QString::asprintf("Lumo did not come up (window %d, address list %d, announcement %d, "
                                                "engine %d)",
                                                shown, read, notice, state_.player.HasLibrary()));
    }

    bool Paste() {
        main_->Control<QAbstractButton>("左边磁力解析")->click();
        magnet_ = qobject_cast<MagnetWindow*>(main_->LoadedWindow(flow::WindowCode::MAGNETWIN));
        if (!magnet_ || !QTest::qWaitForWindowExposed(magnet_))
            return log_.Step("paste", false, U("MAGNETWIN did not come up"));
        magnet_->move(main_->x() + main_->width() - 120, main_->y() + 60);
        magnet_->activateWindow();
        (void)QTest::qWaitForWindowActive(magnet_, 3000);
        link_ = U("magnet:?xt=urn:btih:") + QString::fromStdString(Series().infoHash) +
                U("&dn=") + QString::fromStdString(Series().title);
        QGuiApplication::clipboard()->setText(link_);
        // A click in the box clears the hint; the link comes from the clipboard.
        QTest::mouseClick(magnet_->Input(), Qt::LeftButton);
        WaitFor([&] { return magnet_->Input()->hasFocus(); }, 2000);
        QTest::keyClick(magnet_->Input(), Qt::Key_V, Qt::ControlModifier);
        QTest::qWait(200);
        const bool ok = magnet_->Input()->text() == link_;
        return log_.Step("paste", ok,
                         U("the magnet link of \"") + QString::fromStdString(Series().title) +
                             U("\" was pasted (Ctrl+V) into MAGNETWIN: ") + magnet_->Input()->text());
    }

    bool Parse() {
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(magnet_->ParseButton(), Qt::LeftButton);
        ListView* files = magnet_->List();
        const int expected = static_cast<int>(Series().files.size());
        const bool listed = WaitFor(
            [&] {
                if (files->RowCount() != expected) return false;
                for (int row = 0; row < files->RowCount(); ++row)
                    if (files->StateValue(row) < 0 || files->StateValue(row) == 3) return false;
                return true;
            },
            20000);
        QString rows;
        for (int row = 0; row < files->RowCount(); ++row) {
            rows += QString::asprintf("%s%s %s (%s)", row ? "; " : "", qPrintable(files->Cell(row, 1)),
                                      qPrintable(files->Cell(row, 2)),
                                      files->StateValue(row) == 0 ? "playable" : "not playable");
            if (playable_ < 0 && files->StateValue(row) == 0) playable_ = row;
        }
        const bool ok = listed && playable_ >= 0 && prompter_.asked.isEmpty();
        return log_.Step("file_list", ok,
                         QString::asprintf("parse: %d of %d files listed and checked in %.2f s: ", files->RowCount(),
                                           expected, timer.elapsed() / 1000.0) +
                             rows + (prompter_.asked.isEmpty() ? U("") : U(" message: ") + prompter_.asked));
    }

    bool Play() {
        ListView* files = magnet_->List();
        QTreeWidgetItem* item = files->topLevelItem(playable_);
        files->scrollToItem(item);
        const QPoint centre = files->visualItemRect(item).center();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, centre);
        const bool playing = WaitFor([&] { return state_.player.GetState() == player::kStatePlaying; }, 30000);
        const double playingAt = timer.elapsed() / 1000.0;
        // The film is really on the screen once the video area has many colours.
        const bool picture = playing && WaitFor([&] { return DistinctColours(GrabArea(Video())) > 40; }, 15000);
        // MAGNETWIN stays where it is; the user looks at the main window.
        main_->raise();
        main_->activateWindow();
        QTest::qWait(500);
        const bool ok = picture && main_->Control<QTabWidget>("选择夹1")->currentIndex() == MainWindow::kPlayerPage;
        return log_.Step("playing", ok,
                         QString::asprintf("double-click on row %d \"%s\": playing after %.2f s, picture with %d "
                                           "colours, at %.1f s of %.1f s",
                                           playable_ + 1, state_.currentTitle.c_str(), playingAt,
                                           DistinctColours(GrabArea(Video())), state_.player.GetPosition() / 1000.0,
                                           state_.player.GetDuration() / 1000.0));
    }

    bool Pause() {
        Video()->setFocus();
        QTest::keyClick(Video(), Qt::Key_Space);
        const bool paused = WaitFor([&] { return state_.player.GetState() == player::kStatePaused; }, 5000);
        QTest::qWait(400);
        const QImage still = GrabArea(Video());
        QTest::qWait(800);
        const int moved = ChangedPixels(still, GrabArea(Video()));
        const bool ok = paused && moved == 0 && Text("标签底部状态") == U("已暂停");
        return log_.Step("paused", ok,
                         QString::asprintf("Space: state %d, status \"%s\", %d pixels moved in 0.8 s, position %.1f s",
                                           state_.player.GetState(), qPrintable(Text("标签底部状态")), moved,
                                           state_.player.GetPosition() / 1000.0));
    }

    bool FullScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseDClick(Video(), Qt::LeftButton, {}, QPoint(200, 200));
        const bool full = WaitFor([&] { return main_->geometry() == screen && Video()->size() == screen.size(); }, 3000);
        const double at = timer.elapsed() / 1000.0;
        // Played on in full screen, the picture moves again.
        QTest::keyClick(Video(), Qt::Key_Space);
        const bool playing = WaitFor([&] { return state_.player.GetState() == player::kStatePlaying; }, 5000);
        QTest::qWait(300);
        const QImage before = GrabArea(Video());
        QTest::qWait(700);
        const QImage after = GrabArea(Video());
        const bool ok = full && state_.isFullscreen == 1 && playing && ChangedPixels(before, after) > 0 &&
                        DistinctColours(after) > 40;
        return log_.Step("full_screen", ok,
                         QString::asprintf("double-click on the video: full screen %dx%d after %.2f s; Space plays "
                                           "on (state %d), %d colours, %d pixels moved in 0.7 s",
                                           main_->width(), main_->height(), at, state_.player.GetState(),
                                           DistinctColours(after), ChangedPixels(before, after)));
    }

    bool Leave() {
        QTest::keyClick(Video(), Qt::Key_Escape);
        const bool back = WaitFor([&] { return state_.isFullscreen == 0 && main_->width() == MainWindow::kWidth; }, 3000);
        QTest::qWait(500);
        const int now = state_.player.GetState();
        return log_.Step("window", back,
                         QString::asprintf("Esc: back in the window at its start-up place %d,%d %dx%d; the film %s",
                                           main_->x(), main_->y(), main_->width(), main_->height(),
                                           now == player::kStatePlaying  ? "plays on"
                                           : now == player::kStateReady ? "has ended (the idle view is back)"
                                                                        : "is paused"));
    }

    const lumo::sim::CatalogueEntry& Series() const { return *sim_.catalogue().EntryById(2); }
    QWidget* Video() const { return main_->Control("图片框1"); }
    QString Text(const char* name) const { return main_->Control<QLabel>(name)->text(); }

    StepLog& log_;
    lumo::sim::Simulator& sim_;
    flow::AppState state_;
    DemoPrompter prompter_;
    QPointer<MainWindow> main_;
    QPointer<MagnetWindow> magnet_;
    QString link_;
    int playable_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    const QString out = OutputDir(argc, argv);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot make the folder %s\n", qPrintable(out));
        return 1;
    }
    std::printf("screenshots and steps: %s\n", qPrintable(QDir(out).absolutePath()));
    std::fflush(stdout);

    XvfbServer server;
    QTemporaryDir home;
    std::string error;
    if (!StartXSession(server, home, &error)) {
        std::fprintf(stderr, "no X server: %s\n", error.c_str());
        return 77;
    }
    std::unique_ptr<lumo::sim::Simulator> sim = StartSimulatorFor(home.path(), &error);
    if (!sim) {
        std::fprintf(stderr, "the simulator did not start: %s\n", error.c_str());
        return 1;
    }
    StepLog log(out);
    bool done = false;
    {
        Demo demo(log, *sim);
        done = demo.Run();
    }
    sim.reset();
    std::printf("%s: %s/steps.txt\n", done && !log.Failed() ? "every step done" : "a step failed",
                qPrintable(QDir(out).absolutePath()));
    return done && !log.Failed() ? 0 : 1;
}
