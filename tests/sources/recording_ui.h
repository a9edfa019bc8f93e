#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "flow/flow_ui.h"
#include "flow/list_model.h"
#include "resolve/ui_names.h"
#include "sources/source_names.h"

namespace lumo::sources::testing {

// The windows as the flows see them, kept in maps: texts, visibility,
// images, pages and the lists of the library view. Message boxes and other
// requests are recorded in order.
class RecordingUi : public flow::FlowUi {
public:
    struct Box {
        std::string text;
        std::string title;
    };

    RecordingUi() {
        AddList(resolve::kSearchList, resolve::kSearchColumns);
        AddList(resolve::kResourceList, resolve::kResourceColumns);
        AddList(resolve::kFilmSourceList, resolve::kFilmSourceColumns);
        AddList(resolve::kExtraResourceList, resolve::kExtraResourceColumns);
        AddList(kFilmSearchList, kFilmListColumns);
        AddList(kNewestFilmList, kFilmListColumns);
        AddList(kCodeLibraryList, kLibraryColumns);
        AddList(kKeywordLibraryList, kLibraryColumns);
    }

    flow::ListModel* List(const std::string& name) override {
        const auto it = lists.find(name);
        return it == lists.end() ? nullptr : it->second.get();
    }
    flow::ListModel& Rows(const std::string& name) { return *lists.at(name); }

    std::string Text(const std::string& control) override {
        const auto it = texts.find(control);
        return it == texts.end() ? std::string() : it->second;
    }
    void SetText(const std::string& control, const std::string& text) override {
        texts[control] = text;
        textLog.emplace_back(control, text);
    }
    void SetVisible(const std::string& control, bool visible) override { shown[control] = visible; }
    bool Shown(const std::string& control) const {
        const auto it = shown.find(control);
        return it != shown.end() && it->second;
    }
    void SetImage(const std::string& control, const std::string& bytes) override {
        images[control] = bytes;
        ++imageCalls;
    }

    bool AskYesNo(const std::string& text, const std::string& title, bool) override {
        asked.push_back({text, title});
        return answerYes;
    }
    void Inform(const std::string& text, const std::string& title, bool) override {
        informed.push_back({text, title});
    }

    void ShowWindow(flow::WindowCode window) override { windowsShown.push_back(window); }
    void CloseWindow(flow::WindowCode window) override { windowsClosed.push_back(window); }
    bool IsWindowLoaded(flow::WindowCode) override { return false; }

    int CurrentPage(const std::string& control) override {
        const auto it = pages.find(control);
        return it == pages.end() ? 0 : it->second;
    }
    void SetCurrentPage(const std::string& control, int page) override { pages[control] = page; }

    void OpenInBrowser(const std::string& address) override { browsed.push_back(address); }
    void SetClipboardText(const std::string& text) override { clipboard = text; }
    void EndProgram() override { ++ended; }

    // The texts a control was given, in order.
    std::vector<std::string> TextsOf(const std::string& control) const {
        std::vector<std::string> found;
        for (const auto& [name, text] : textLog)
            if (name == control) found.push_back(text);
        return found;
    }

    std::map<std::string, std::unique_ptr<flow::ListModel>> lists;
    std::map<std::string, std::string> texts;
    std::vector<std::pair<std::string, std::string>> textLog;
    std::map<std::string, bool> shown;
    std::map<std::string, std::string> images;
    int imageCalls = 0;
    std::vector<Box> asked;
    std::vector<Box> informed;
    bool answerYes = true;
    std::vector<flow::WindowCode> windowsShown;
    std::vector<flow::WindowCode> windowsClosed;
    std::map<std::string, int> pages;
    std::vector<std::string> browsed;
    std::string clipboard;
    int ended = 0;

private:
    void AddList(const std::string& name, int columns) {
        lists[name] = std::make_unique<flow::ListModel>(name, columns);
    }
};

}  // namespace lumo::sources::testing
