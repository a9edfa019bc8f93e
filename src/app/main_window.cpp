#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QLabel>
#include <QMetaObject>
#include <QScreen>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <functional>

#include "app/flow_wiring.h"
#include "app/list_view.h"
#include "app/play_queue_window.h"
#include "app/skinned_button.h"
#include "app/win_color.h"
#include "app/widget_flow_ui.h"
#include "app/window_dragger.h"
#include "flow/app_state.h"
#include "flow/prompter.h"
#include "playback/codec_pack.h"
#include "player/engine_events.h"
#include "player/player_engine.h"
#include "remote/service_hosts.h"
#include "resolve/off_gui_thread.h"
#include "store/data_directory.h"
#include "store/default_config.h"
#include "store/favourites.h"
#include "store/history.h"
#include "store/ini_file.h"

namespace lumo::app {

namespace {

const char* const kExitQuestion = "播放器运行中,是否退出？";
const char* const kExitTitle = "Lumo提示：";

QString U(const char* text) { return QString::fromUtf8(text); }

// Ends Lumo and destroys MAIN; MAIN waits while some handler is still inside
// a nested wait, since the control it was started from must outlive it.
// Ending first also ends those waits in the running program.
void DestroyWhenUnwound(QPointer<MainWindow> self, std::function<void(int)> endProcess, bool ended) {
    if (resolve::OffGuiThreadWaits() > 0) {
        if (!ended) endProcess(0);
        QTimer::singleShot(20, qApp, [self, endProcess] { DestroyWhenUnwound(self, endProcess, true); });
        return;
    }
    delete self.data();
    if (!ended) endProcess(0);
}

}  // namespace

MainWindow::MainWindow(flow::AppState& state, MainWindowOptions options)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      state_(state),
      prompter_(options.prompter),
      engineLibraryPath_(std::move(options.engineLibraryPath)),
      endProcess_(std::move(options.endProcess)),
      loadRemoteAddresses_(options.loadRemoteAddresses) {
    Q_ASSERT(prompter_ != nullptr);
    if (!endProcess_) endProcess_ = [](int code) { QCoreApplication::exit(code); };
    if (engineLibraryPath_.empty()) engineLibraryPath_ = player::PlayerEngine::DefaultLibraryPath();

    setObjectName(QStringLiteral("MAIN"));
    setWindowTitle(U("Lumo云播"));
    setFixedSize(kWidth, kHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect free = screen->availableGeometry();
        move(free.x() + std::max(0, (free.width() - kWidth) / 2), free.y() + std::max(0, (free.height() - kHeight) / 2));
    }
    RegisterWindow(flow::WindowCode::MAIN, this);
    BuildControls();
    StartUpRoutine();
}

MainWindow::~MainWindow() {
    // An engine that has not started by now is not started for the way out.
    state_.player.StartOnFirstUse(nullptr);
    // The flows use the windows to the end, so they go while all still exist.
    flows_.reset();
    // MAGNETWIN and OPENMENU have no owner, so they would outlive MAIN on
    // their own. So does a modal CODECDL, whose download talks to the flows'
    // port, gone by now.
    delete LoadedWindow(flow::WindowCode::MAGNETWIN);
    delete LoadedWindow(flow::WindowCode::OPENMENU);
    delete LoadedWindow(flow::WindowCode::CODECDL);
    delete LoadedWindow(flow::WindowCode::LOGIN);
}

void MainWindow::RegisterWindow(flow::WindowCode code, QWidget* window) { windows_[code] = window; }

QWidget* MainWindow::LoadedWindow(flow::WindowCode code) const {
    auto it = windows_.find(code);
    return it == windows_.end() ? nullptr : it->second.data();
}

bool MainWindow::OwnedHere(const QObject* object) const {
    for (const QObject* up = object->parent(); up != nullptr; up = up->parent()) {
        const auto* widget = qobject_cast<const QWidget*>(up);
        if (widget != nullptr && widget->isWindow()) return widget == this;
    }
    return false;
}

PlayQueueWindow* MainWindow::PlayQueue() const {
    return static_cast<PlayQueueWindow*>(LoadedWindow(flow::WindowCode::PLAYQUEUE));
}

// ---- start-up ----------------------------------------------------------------

void MainWindow::StartUpRoutine() {
    // The codec folder check runs once, a few seconds after start.
    codecCheckTimer_->setInterval(3500);
    codecCheckTimer_->start();

    // The playback controller takes the engine's callbacks from here.
    engineEvents_ = new player::EngineEvents(this);
    engineEvents_->setObjectName(QStringLiteral("引擎事件"));
    state_.player.StartOnFirstUse([this] { StartEngine(); });
    SetListRowHeights();

    state_.savedWindowGeometry = {height(), width(), x(), y(), controlBar_->y()};

    auto* queue = new PlayQueueWindow(this);
    queue->setStyleSheet(DarkStyle());
    RegisterWindow(flow::WindowCode::PLAYQUEUE, queue);
    queue->hide();

    state_.resourcePage = 1;
    // The player page is selected first so the engine window and the player
    // controls take their final places before the library view comes up.
    ShowPlayerView();
    LoadStoredData();
    LoadRemoteAddresses();
    ShowLibraryView();
    navButtons_[1]->click();
}

// Made with MAIN, these native windows (with the video area's ancestors,
// nine) cost its first paint about 8 ms. They are made once the player page
// is about to be shown on the screen, or when the engine starts, which is
// right after that paint, whichever comes first: made while a window other
// than MAIN was being activated, they took the activation from it. The video
// area's window comes first, so the ones over it are stacked above it.
void MainWindow::MakeVideoWindows() {
    if (videoArea_->testAttribute(Qt::WA_NativeWindow)) return;
    videoArea_->setAttribute(Qt::WA_NativeWindow);
    for (QWidget* over : overVideo_) {
        over->setAttribute(Qt::WA_NativeWindow);
        over->raise();
    }
}

void MainWindow::StartEngine() {
    MakeVideoWindows();
    player::PlayerEngine& player = state_.player;
    player.LoadLibrary(engineLibraryPath_);
    player.Create(static_cast<uintptr_t>(videoArea_->winId()), 0, 0, videoArea_->width(), videoArea_->height(),
                  player::EngineEvents::Callbacks());
    state_.playerVideoWindow = player.GetWindow();
    player.SetConfigA(2207, "1");
    player.SetCustomLogo(-1);
    player.SetVolume(50);
    // The bar holds the saved volume by now; the engine gets it also when it
    // equals the start value.
    player.SetVolume(volumeBar_->value());
}

void MainWindow::SetListRowHeights() {
    const std::pair<const char*, int> heights[] = {
        {"超级列表框搜索", 30},    {"超级列表框资源", 30},    {"超级列表框高清影片", 30},
        {"超级列表框高清详细", 30}, {"超级列表框搜索电影", 30}, {"超级列表框VIP资源", 25},
        {"超级列表框收藏", 25},    {"超级列表框词库", 25},    {"超级列表框关键词库", 25},
    };
    for (const auto& [name, pixels] : heights) {
        if (auto* list = Control<ListView>(name)) list->SetRowHeight(pixels);
    }
}

void MainWindow::LoadStoredData() {
    const auto configPath = store::ConfigIniPath();
    // A write failure is not reported: the reads below then find nothing.
    store::EnsureDefaultConfig(configPath);

    store::IniFile history(store::HistoryIniPath());
    ListView* queue = PlayQueue()->List();
    for (const auto& row : store::LoadHistory(history)) {
        int r = queue->AppendRow();
        queue->SetCell(r, 3, QString::fromStdString(row.size));
        queue->SetCell(r, 4, QString::fromStdString(row.sha1));
        queue->SetCell(r, 2, QString::fromStdString(row.name));
        queue->SetCell(r, 5, QString::fromStdString(row.infoHash));
    }

    store::IniFile config(configPath);
    // The bar keeps the saved value within its range; the engine takes it
    // from the bar when it starts.
    volumeBar_->setValue(store::ReadVolume(config));

    for (const auto& favourite : store::LoadFavourites(config)) {
        int r = favourites_->AppendRow();
        favourites_->SetCell(r, 1, QString::number(favourites_->RowCount()));
        favourites_->SetCell(r, 2, QString::fromStdString(favourite.name));
        favourites_->SetCell(r, 3, QString::fromStdString(favourite.link));
    }
}

// The flows come after the stored data, so the lists they bind take in the
// rows read from the settings and the history.
void MainWindow::LoadRemoteAddresses() {
    std::string error;
    remote::ServiceHosts hosts = remote::ServiceHosts::FromEnvironment(&error);
    if (!error.empty()) qWarning("lumo: %s", error.c_str());
    flows_ = std::make_unique<FlowWiring>(*this, state_, std::move(hosts));
    if (!loadRemoteAddresses_) return;
    // The request goes out once MAIN is on the screen: its first use loads
    // libcurl, which beside the first paint made that paint a quarter
    // slower. A MAIN not shown by the first turn of the event loop asks at
    // once, and one that is never exposed asks after a second.
    addressListWaits_ = true;
    QPointer<MainWindow> self(this);
    QMetaObject::invokeMethod(
        this, [self] { if (self && !self->isVisible()) self->StartAddressList(); }, Qt::QueuedConnection);
    QTimer::singleShot(1000, this, &MainWindow::StartAddressList);
}

void MainWindow::StartAddressList() {
    if (!addressListWaits_) return;
    addressListWaits_ = false;
    flows_->StartAddressList();
}

// The first codec folder missing brings up the pack download, modeless and
// owned by MAIN.
void MainWindow::CheckCodecFolders() {
    if (flows_ == nullptr || !playback::FirstMissingCodecFolder(store::DataDirectory())) return;
    flows_->Ui().ShowCodecWindow(false);
}

// ---- views -------------------------------------------------------------------

void MainWindow::ShowPlayerView() {
    if (isVisible()) MakeVideoWindows();
    viewTabs_->setCurrentIndex(kPlayerPage);
    playerButton_->SetColors(colors::kViewSelectedText, colors::kViewSelectedBack);
    libraryButton_->SetColors(colors::kViewOtherText, colors::kViewOtherBack);
    activateWindow();
    // The video area takes the player's keys (once MAIN is on the screen:
    // focus set before that would stay with a hidden page).
    if (isVisible()) videoArea_->setFocus();
}

void MainWindow::SetPinned(bool pinned) {
    dragger_->SetEnabled(!pinned);
    // Set on the platform window itself: changing the widget's flags would
    // make a new native window under the engine's video.
    if (QWindow* window = windowHandle()) window->setFlag(Qt::WindowStaysOnTopHint, pinned);
    if (pinned) raise();
}

void MainWindow::ShowLibraryView() {
    viewTabs_->setCurrentIndex(kLibraryPage);
    if (PlayQueueWindow* queue = PlayQueue()) queue->hide();
    playerButton_->SetColors(colors::kViewOtherText, colors::kViewOtherBack);
    libraryButton_->SetColors(colors::kViewSelectedText, colors::kViewSelectedBack);
}

void MainWindow::HighlightNavButton(SkinnedButton* button) {
    for (SkinnedButton* nav : navButtons_) {
        if (nav == button) {
            nav->SetColors(colors::kNavHighlightText, colors::kNavHighlightBack);
        } else {
            nav->SetColors(colors::kNavNormalText, colors::kNavNormalBack);
        }
    }
}

// ---- window events and exit ----------------------------------------------------

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    DockPlayQueue();
}

void MainWindow::DockPlayQueue() {
    PlayQueueWindow* queue = PlayQueue();
    if (queue == nullptr || !queue->isVisible()) return;
    queue->move(x() + width() - queue->width() - 1, y() + 123);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if ((engineWaitsForScreen_ || addressListWaits_) && windowHandle() != nullptr) {
        windowHandle()->installEventFilter(this);
    }
}

// The engine and the address list start right after MAIN's first paint: the
// window is on the screen before the player's libraries and libcurl are
// loaded.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        QPointer<MainWindow> self(this);
        if (addressListWaits_) {
            QMetaObject::invokeMethod(this, [self] { if (self) self->StartAddressList(); }, Qt::QueuedConnection);
        }
        if (engineWaitsForScreen_) {
            engineWaitsForScreen_ = false;
            QMetaObject::invokeMethod(
                this, [self] { if (self) self->state_.player.StartNow(); }, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ending_ || ConfirmExit(ExitForm::SystemClose)) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool MainWindow::ConfirmExit(ExitForm form) {
    QWidget* owner = form == ExitForm::CloseButton ? this : nullptr;
    if (!prompter_->AskYesNo(owner, U(kExitQuestion), U(kExitTitle))) return false;
    ending_ = true;
    if (form == ExitForm::CloseButton) {
        EndByCloseButton();
    } else {
        // The engine is left running; the exit clean-up deals with it.
        endProcess_(0);
    }
    return true;
}

void MainWindow::EndProgram() {
    ending_ = true;
    endProcess_(0);
}

void MainWindow::EndByCloseButton() {
    // Nothing a flow finishes from here on may reach the engine or the windows.
    flows_.reset();
    state_.player.Close();
    // The engine lets go of the video window before any window is destroyed:
    // its video output would otherwise work on a window that is already gone.
    state_.player.Destroy();
    using flow::WindowCode;
    // CODECDL too: its download talks to the flows' port, which is gone now.
    for (WindowCode code : {WindowCode::MAGNETWIN, WindowCode::LOGIN, WindowCode::URLINPUT, WindowCode::OPENMENU,
                            WindowCode::SUBTITLE, WindowCode::PLAYQUEUE, WindowCode::CODECDL}) {
        delete LoadedWindow(code);
    }
    hide();
    // MAIN goes last, once the click that got us here has returned, and
    // once no flow waits for the network in a nested event loop (a
    // favourite's file list, say) with one of MAIN's controls under it.
    QPointer<MainWindow> self(this);
    auto endProcess = endProcess_;
    QMetaObject::invokeMethod(
        qApp, [self, endProcess] { DestroyWhenUnwound(self, endProcess, false); }, Qt::QueuedConnection);
}

}  // namespace lumo::app
