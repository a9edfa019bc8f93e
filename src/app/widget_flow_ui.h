#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "flow/flow_ui.h"

class QAction;

namespace lumo::flow {
class ListModel;
}  // namespace lumo::flow

namespace lumo::app {

class ListBinder;
class MainWindow;

// FlowUi on the real windows: controls are found by their objectName in
// MAIN and the windows it has loaded, lists are row models bound to the list
// views of those names, and message boxes go through MAIN's Prompter.
//
// A list's model is made the first time it is asked for and lives as long
// as this object, so flows may keep pointers to it. When the window of a
// list is destroyed and loaded again, the model is bound to the new view.
class WidgetFlowUi : public QObject, public flow::FlowUi {
    Q_OBJECT
public:
    explicit WidgetFlowUi(MainWindow& main, QObject* parent = nullptr);
    ~WidgetFlowUi() override;

    // The text NOTICE shows when it is loaded.
    void SetNoticeText(std::function<std::string()> text) { noticeText_ = std::move(text); }

    // The widget a catalogue name ("标签_顶部状态", "MAGNETWIN.超级列表框1")
    // stands for; nullptr when no loaded window has it.
    QWidget* Find(const std::string& name) const;
    // A menu item of MAIN by its first caption ("全屏", "音轨1"), or of a
    // window's menu with the window's code in front; a submenu by its
    // caption stands for the item that opens it.
    QAction* FindAction(const std::string& name) const;
    // A window by its code ("MAIN", "PLAYQUEUE"), when loaded.
    QWidget* FindWindow(const std::string& code) const;

    flow::ListModel* List(const std::string& name) override;
    std::string Text(const std::string& control) override;
    void SetText(const std::string& control, const std::string& text) override;
    void SetVisible(const std::string& control, bool visible) override;
    bool IsChecked(const std::string& control) override;
    void SetColours(const std::string& control, uint32_t text, uint32_t background) override;
    void SetEnabled(const std::string& control, bool enabled) override;
    void NavigateBrowser(const std::string& control, const std::string& address) override;
    void SetImage(const std::string& control, const std::string& bytes) override;
    bool IsVisible(const std::string& control) override;
    void SetChecked(const std::string& control, bool checked) override;
    int Value(const std::string& control) override;
    void SetValue(const std::string& control, int value) override;
    int Maximum(const std::string& control) override;
    void SetMaximum(const std::string& control, int maximum) override;
    flow::Rect Geometry(const std::string& control) override;
    void SetGeometry(const std::string& control, const flow::Rect& rect) override;
    void SetMainPinned(bool pinned) override;
    flow::Rect ScreenSize() override;
    int CursorScreenY() override;
    void PopupMenu(const std::string& menu) override;
    std::string AskOpenFile(const std::string& title, const std::string& filter) override;
    void ShowPlayerView() override;
    bool AskYesNo(const std::string& text, const std::string& title, bool ownedByMain = true) override;
    void Inform(const std::string& text, const std::string& title, bool ownedByMain = true) override;
    void ShowWindow(flow::WindowCode window) override;
    // CODECDL: modal without owner (the missing-decoder question, which is
    // ShowWindow) or modeless owned by MAIN (the start-up check).
    void ShowCodecWindow(bool modal);
    void CloseWindow(flow::WindowCode window) override;
    bool IsWindowLoaded(flow::WindowCode window) override;
    int CurrentPage(const std::string& control) override;
    void SetCurrentPage(const std::string& control, int page) override;
    void OpenInBrowser(const std::string& address) override;
    void SetClipboardText(const std::string& text) override;
    void EndProgram() override;

signals:
    // A row of a bound list was clicked or double-clicked by the user; the
    // model's selection already names it.
    void RowClicked(const std::string& list, int row);
    void RowDoubleClicked(const std::string& list, int row);
    // An auxiliary window has just been loaded.
    void WindowLoaded(lumo::flow::WindowCode window, QWidget* widget);

private:
    struct BoundList {
        std::unique_ptr<flow::ListModel> model;
        ListBinder* binder = nullptr;
    };
    void Bind(const std::string& name, BoundList& list);
    // Loads the window with `make` unless it is loaded, then shows, raises
    // and activates it.
    void LoadAndActivate(flow::WindowCode window, const std::function<QWidget*()>& make);

    MainWindow& main_;
    std::map<std::string, BoundList> lists_;
    std::function<std::string()> noticeText_;
};

}  // namespace lumo::app
