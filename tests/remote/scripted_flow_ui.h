#pragma once

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "flow/flow_ui.h"
#include "flow/list_model.h"

namespace lumo::testing {

// The one QCoreApplication of a test program, created on first use.
inline QCoreApplication& CoreApp() {
    static int argc = 1;
    static char name[] = "lumo_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

// Runs the GUI thread's events until `done` holds; false on timeout.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    CoreApp();
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

// Runs the GUI thread's events for a while, so that anything late shows up.
inline void RunEventsFor(std::chrono::milliseconds span) {
    WaitFor([] { return false; }, span);
}

// A FlowUi that records every call in order and answers questions from a
// script; windows count as loaded from ShowWindow until CloseWindow.
class ScriptedFlowUi : public flow::FlowUi {
public:
    struct Message {
        std::string text;
        std::string title;
        bool ownedByMain = true;
        bool question = false;
    };

    // Every call as one line, e.g. "text 透明标签提示=登录中...", "window+ NOTICE".
    std::vector<std::string> log;
    std::map<std::string, std::string> texts;
    std::map<std::string, bool> visible;
    std::map<std::string, bool> enabled;
    std::set<std::string> checked;
    std::vector<Message> messages;
    std::deque<bool> answers;  // for AskYesNo, front first; No when empty
    std::set<flow::WindowCode> loaded;
    std::vector<flow::WindowCode> shown;
    std::map<std::string, int> pages;
    std::vector<std::pair<std::string, std::string>> navigations;  // control, address
    std::vector<std::string> opened;  // addresses opened in the user's browser
    int endProgramCalls = 0;
    // Called inside each message box, as a modal box would let events run.
    std::function<void(const Message&)> onMessage;
    // The lists this window side has; List() knows no others.
    std::map<std::string, std::unique_ptr<flow::ListModel>> lists;

    flow::ListModel& AddList(const std::string& name, int columns) {
        auto& list = lists[name];
        list = std::make_unique<flow::ListModel>(name, columns);
        return *list;
    }

    static std::string WindowName(flow::WindowCode code) {
        static const char* names[] = {"MAIN",    "PLAYQUEUE", "OPENMENU", "URLINPUT", "SUBTITLE",
                                      "MAGNETWIN", "LOGIN",   "CODECDL",  "NOTICE"};
        return names[static_cast<int>(code)];
    }

    flow::ListModel* List(const std::string& name) override {
        const auto it = lists.find(name);
        return it == lists.end() ? nullptr : it->second.get();
    }
    std::string Text(const std::string& control) override {
        const auto it = texts.find(control);
        return it == texts.end() ? std::string() : it->second;
    }
    void SetText(const std::string& control, const std::string& text) override {
        texts[control] = text;
        log.push_back("text " + control + "=" + text);
    }
    void SetVisible(const std::string& control, bool show) override {
        visible[control] = show;
        log.push_back(std::string(show ? "show " : "hide ") + control);
    }
    bool IsChecked(const std::string& control) override { return checked.count(control) != 0; }
    void SetEnabled(const std::string& control, bool on) override {
        enabled[control] = on;
        log.push_back(std::string(on ? "enable " : "disable ") + control);
    }
    void NavigateBrowser(const std::string& control, const std::string& address) override {
        navigations.emplace_back(control, address);
        log.push_back("navigate " + control + " " + address);
    }
    void SetImage(const std::string& control, const std::string&) override { log.push_back("image " + control); }
    bool AskYesNo(const std::string& text, const std::string& title, bool ownedByMain) override {
        const Message message{text, title, ownedByMain, true};
        messages.push_back(message);
        log.push_back("ask " + text);
        if (onMessage) onMessage(message);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Inform(const std::string& text, const std::string& title, bool ownedByMain) override {
        const Message message{text, title, ownedByMain, false};
        messages.push_back(message);
        log.push_back("inform " + text);
        if (onMessage) onMessage(message);
    }
    void ShowWindow(flow::WindowCode window) override {
        loaded.insert(window);
        shown.push_back(window);
        log.push_back("window+ " + WindowName(window));
    }
    void CloseWindow(flow::WindowCode window) override {
        loaded.erase(window);
        log.push_back("window- " + WindowName(window));
    }
    bool IsWindowLoaded(flow::WindowCode window) override { return loaded.count(window) != 0; }
    int CurrentPage(const std::string& control) override {
        const auto it = pages.find(control);
        return it == pages.end() ? 0 : it->second;
    }
    void SetCurrentPage(const std::string& control, int page) override {
        pages[control] = page;
        log.push_back("page " + control + "=" + std::to_string(page));
    }
    void OpenInBrowser(const std::string& address) override {
        opened.push_back(address);
        log.push_back("open " + address);
    }
    void SetClipboardText(const std::string& text) override { log.push_back("clipboard " + text); }
    void EndProgram() override {
        ++endProgramCalls;
        log.push_back("end");
    }

    int Shown(flow::WindowCode window) const {
        int count = 0;
        for (const auto code : shown) count += code == window ? 1 : 0;
        return count;
    }
};

}  // namespace lumo::testing
