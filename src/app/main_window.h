#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "flow/window_code.h"

class QLabel;
class QSlider;
class QTabWidget;
class QTimer;

namespace lumo::player {
class EngineEvents;
}

namespace lumo::flow {
struct AppState;
class Prompter;
}  // namespace lumo::flow

namespace lumo::app {

class FlowWiring;
class ListView;
class PlayQueueWindow;
class SkinnedButton;
class WindowDragger;

struct MainWindowOptions {
    // The engine library; empty for liblumo-engine.so beside the program.
    std::string engineLibraryPath;
    // Answers every message box; must outlive the window.
    flow::Prompter* prompter = nullptr;
    // Ends the process with an exit code; by default it leaves the event loop.
    std::function<void(int)> endProcess;
    // Whether start-up reads the operators' address list (and so starts the
    // update check and the word libraries). The flows are wired either way.
    bool loadRemoteAddresses = true;
};

// MAIN: the main window, 854 × 608 and frameless, with the title strip, the
// library view and the player view. Creating it runs the start-up routine:
// the engine starts inside the video area, PLAYQUEUE is loaded hidden, the
// settings file is made sure of and read, and the library view comes first.
// The engine itself starts once MAIN is on the screen (or at its first use,
// if that comes sooner), so the window does not wait for the player's
// libraries.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 854;
    static constexpr int kHeight = 608;
    static constexpr int kPlayerPage = 5;
    static constexpr int kLibraryPage = 0;

    enum class ExitForm {
        SystemClose,  // title-bar close, Alt+F4, the task bar: no owner
        CloseButton,  // 超级按钮结束: owned by MAIN, closes the engine first
    };

    MainWindow(flow::AppState& state, MainWindowOptions options);
    ~MainWindow() override;

    // The dark style of MAIN's pages and of the play queue docked on them.
    static QString DarkStyle();

    flow::AppState& State() { return state_; }
    flow::Prompter& Ask() { return *prompter_; }

    // A control of MAIN by its name, nullptr when there is none.
    // Controls of the windows MAIN owns (PLAYQUEUE) are not its own, even
    // where their names repeat.
    template <typename T = QWidget>
    T* Control(const char* name) const {
        for (T* found : findChildren<T*>(QString::fromUtf8(name))) {
            if (OwnedHere(found)) return found;
        }
        return nullptr;
    }

    // Windows loaded on demand register here, so the exit path can destroy
    // them in their order. A destroyed window drops out by itself.
    void RegisterWindow(flow::WindowCode code, QWidget* window);
    QWidget* LoadedWindow(flow::WindowCode code) const;
    PlayQueueWindow* PlayQueue() const;

    // The two views of the title strip.
    void ShowPlayerView();
    void ShowLibraryView();
    // Full screen: not movable, not draggable by the body, always on top.
    void SetPinned(bool pinned);
    QWidget* VideoArea() const { return videoArea_; }

    // Gives `button`, one of the six navigation buttons, the highlight.
    void HighlightNavButton(SkinnedButton* button);

    // Asks whether to end Lumo; on Yes ends it the way `form` says. Returns
    // the answer.
    bool ConfirmExit(ExitForm form);
    // Ends Lumo without asking, as a flow that gave up does.
    void EndProgram();

    // The flows behind the windows; null until start-up has made them.
    FlowWiring* Flows() const { return flows_.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OwnedHere(const QObject* object) const;
    void BuildControls();
    QWidget* BuildTitleStrip(QWidget* back);
    QWidget* BuildLibraryView();
    QWidget* BuildPlayerView();
    void BuildOtherPages();
    void BuildMenus();
    void BuildTimers();

    void StartUpRoutine();
    // Loads the engine library and creates the engine in the video area;
    // run by the binding at its first use, or once MAIN is first on screen.
    void StartEngine();
    // Gives the video area and the controls over it their native windows.
    void MakeVideoWindows();
    void SetListRowHeights();
    void LoadStoredData();
    void LoadRemoteAddresses();
    // Reads the operators' address list, the first time it is called after
    // LoadRemoteAddresses.
    void StartAddressList();
    void CheckCodecFolders();

    void DockPlayQueue();
    void EndByCloseButton();

    flow::AppState& state_;
    flow::Prompter* prompter_;
    std::string engineLibraryPath_;
    std::function<void(int)> endProcess_;
    bool ending_ = false;
    bool engineWaitsForScreen_ = true;
    bool loadRemoteAddresses_ = true;
    bool addressListWaits_ = false;
    std::unique_ptr<FlowWiring> flows_;

    std::map<flow::WindowCode, QPointer<QWidget>> windows_;
    player::EngineEvents* engineEvents_ = nullptr;
    WindowDragger* dragger_ = nullptr;

    QTabWidget* viewTabs_ = nullptr;     // 选择夹1
    QTabWidget* libraryTabs_ = nullptr;  // 高级选择夹
    QWidget* videoArea_ = nullptr;       // 图片框1
    QWidget* controlBar_ = nullptr;      // 外形框_操作
    std::vector<QWidget*> overVideo_;    // what stands over the video
    QSlider* volumeBar_ = nullptr;       // 多功能条音量
    SkinnedButton* playerButton_ = nullptr;
    SkinnedButton* libraryButton_ = nullptr;
    static constexpr int kNavButtons = 8;
    SkinnedButton* navButtons_[kNavButtons] = {};
    ListView* favourites_ = nullptr;  // 超级列表框收藏
    QTimer* codecCheckTimer_ = nullptr;  // 时钟验证解码器
};

}  // namespace lumo::app
