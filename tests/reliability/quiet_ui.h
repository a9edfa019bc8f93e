#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "flow/flow_ui.h"
#include "flow/list_model.h"
#include "resolve/ui_names.h"

namespace lumo::reliability {

// The windows as the flows see them, for long runs: the lists and the
// latest texts, check boxes and pages, and a count of the messages. It keeps
// no history, so whatever grows during a run is Lumo's, not the harness's.
class QuietUi : public flow::FlowUi {
public:
    QuietUi() {
        Add(resolve::kSearchList, resolve::kSearchColumns);
        Add(resolve::kResourceList, resolve::kResourceColumns);
        Add(resolve::kFilmSourceList, resolve::kFilmSourceColumns);
        Add(resolve::kFavouriteList, resolve::kFavouriteColumns);
        Add(resolve::kExtraResourceList, resolve::kExtraResourceColumns);
        Add(resolve::kMagnetFileList, resolve::kMagnetFileColumns);
        Add(resolve::kPlayQueueList, resolve::kPlayQueueColumns);
    }

    flow::ListModel& Rows(const std::string& name) { return *lists_.at(name); }

    flow::ListModel* List(const std::string& name) override {
        const auto it = lists_.find(name);
        return it == lists_.end() ? nullptr : it->second.get();
    }
    std::string Text(const std::string& control) override {
        const auto it = texts.find(control);
        return it == texts.end() ? std::string() : it->second;
    }
    void SetText(const std::string& control, const std::string& text) override { texts[control] = text; }
    void SetVisible(const std::string&, bool) override {}
    bool IsChecked(const std::string& control) override { return checked.count(control) != 0; }
    void SetChecked(const std::string& control, bool on) override {
        if (on) {
            checked.insert(control);
        } else {
            checked.erase(control);
        }
    }
    void SetImage(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&, bool) override {
        ++messages;
        return false;
    }
    void Inform(const std::string& text, const std::string&, bool) override {
        ++messages;
        lastMessage = text;
    }
    void ShowWindow(flow::WindowCode window) override { loaded.insert(window); }
    void CloseWindow(flow::WindowCode window) override { loaded.erase(window); }
    bool IsWindowLoaded(flow::WindowCode window) override { return loaded.count(window) != 0; }
    int CurrentPage(const std::string& control) override {
        const auto it = pages.find(control);
        return it == pages.end() ? 0 : it->second;
    }
    void SetCurrentPage(const std::string& control, int page) override { pages[control] = page; }
    void OpenInBrowser(const std::string&) override {}
    void SetClipboardText(const std::string&) override {}
    void EndProgram() override {}

    std::map<std::string, std::string> texts;
    std::set<std::string> checked;
    std::map<std::string, int> pages;
    std::set<flow::WindowCode> loaded;
    int messages = 0;
    std::string lastMessage;

private:
    void Add(const std::string& name, int columns) {
        lists_[name] = std::make_unique<flow::ListModel>(name, columns);
    }

    std::map<std::string, std::unique_ptr<flow::ListModel>> lists_;
};

}  // namespace lumo::reliability
