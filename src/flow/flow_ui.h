#pragma once

#include <cstdint>
#include <string>

#include "flow/window_code.h"

namespace lumo::flow {

class ListModel;

// A rectangle in pixels: a control's place in its parent, or a window's
// place on the screen.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// What the flows (resolve, searches, lists, login, remote configuration) ask
// of the windows. The GUI implements it on its widgets; tests implement it
// with a scripted recorder. Every call is made on the GUI thread. Controls are
// named by their catalogue names (the objectName of each widget), such as
// "标签_顶部状态" or "编辑框_解析"; texts are UTF-8. A name that more than one
// window uses carries the window's code and a dot in front:
// "MAGNETWIN.超级列表框1", "PLAYQUEUE.超级列表框1".
class FlowUi {
public:
    virtual ~FlowUi() = default;

    // The list with the given catalogue name, e.g. "超级列表框搜索"; nullptr
    // when there is no such list.
    virtual ListModel* List(const std::string& name) = 0;

    // The text of a label, edit box or button; SetText changes it.
    virtual std::string Text(const std::string& control) = 0;
    virtual void SetText(const std::string& control, const std::string& text) = 0;
    // Shows or hides a control.
    virtual void SetVisible(const std::string& control, bool visible) = 0;
    // Whether a check box is checked. The GUI must answer for its check
    // boxes; the default knows none.
    virtual bool IsChecked(const std::string& control) {
        (void)control;
        return false;
    }
    // The text and background colours (0x00BBGGRR) of a skinned button or
    // label. The GUI must apply them; the default ignores them.
    virtual void SetColours(const std::string& control, uint32_t text, uint32_t background) {
        (void)control;
        (void)text;
        (void)background;
    }
    // Enables or disables a button or edit box. The GUI must apply it; the
    // default ignores it.
    virtual void SetEnabled(const std::string& control, bool enabled) {
        (void)control;
        (void)enabled;
    }
    // Navigates an embedded web-browser control, such as "互联网浏览器个人中心".
    // The GUI must apply it; the default ignores it.
    virtual void NavigateBrowser(const std::string& control, const std::string& address) {
        (void)control;
        (void)address;
    }
    // Whether a control (or a window, by its code: "PLAYQUEUE") is shown.
    virtual bool IsVisible(const std::string& control) {
        (void)control;
        return false;
    }
    // Checks or unchecks a check box or a checkable menu item. The GUI must
    // apply it; the default ignores it.
    virtual void SetChecked(const std::string& control, bool checked) {
        (void)control;
        (void)checked;
    }
    // The position and maximum of a slider or bar. The GUI must answer; the
    // defaults know none.
    virtual int Value(const std::string& control) {
        (void)control;
        return 0;
    }
    virtual void SetValue(const std::string& control, int value) {
        (void)control;
        (void)value;
    }
    virtual int Maximum(const std::string& control) {
        (void)control;
        return 0;
    }
    virtual void SetMaximum(const std::string& control, int maximum) {
        (void)control;
        (void)maximum;
    }
    // A control's place in its parent, or a window's on the screen when the
    // name is a window code ("MAIN", "PLAYQUEUE"). The GUI must apply and
    // answer; the defaults know none.
    virtual Rect Geometry(const std::string& control) {
        (void)control;
        return {};
    }
    virtual void SetGeometry(const std::string& control, const Rect& rect) {
        (void)control;
        (void)rect;
    }
    // Full-screen mode of MAIN: pinned means not movable, not draggable by
    // its body and always on top.
    virtual void SetMainPinned(bool pinned) { (void)pinned; }
    // The screen MAIN is on (width and height in Rect), and the cursor's
    // vertical position on the screen.
    virtual Rect ScreenSize() { return {}; }
    virtual int CursorScreenY() { return 0; }
    // Pops up a menu (by its name, such as "播放器") at the cursor.
    virtual void PopupMenu(const std::string& menu) { (void)menu; }
    // The open-file dialog: the chosen path, or empty when the user cancels.
    // The filter is "caption|patterns|caption|patterns" with patterns joined
    // by ";".
    virtual std::string AskOpenFile(const std::string& title, const std::string& filter) {
        (void)title;
        (void)filter;
        return {};
    }
    // Selects the player page and brings MAIN to the front.
    virtual void ShowPlayerView() {}
    // Shows image bytes (PNG, JPEG, GIF, BMP) in a picture box; empty bytes
    // clear it.
    virtual void SetImage(const std::string& control, const std::string& bytes) = 0;

    // Message boxes: the owner is the window the box belongs to, or none.
    virtual bool AskYesNo(const std::string& text, const std::string& title,
                          bool ownedByMain = true) = 0;
    virtual void Inform(const std::string& text, const std::string& title,
                        bool ownedByMain = true) = 0;

    // Windows: load and show, or hide/destroy, an auxiliary window.
    virtual void ShowWindow(WindowCode window) = 0;
    virtual void CloseWindow(WindowCode window) = 0;
    virtual bool IsWindowLoaded(WindowCode window) = 0;

    // The page of a tab control or stacked view, by catalogue name.
    virtual int CurrentPage(const std::string& control) = 0;
    virtual void SetCurrentPage(const std::string& control, int page) = 0;

    // Opens an address in the user's default browser.
    virtual void OpenInBrowser(const std::string& address) = 0;
    // Puts a text on the clipboard.
    virtual void SetClipboardText(const std::string& text) = 0;
    // Ends the program (after the exit clean-up).
    virtual void EndProgram() = 0;
};

}  // namespace lumo::flow
