#include "cli/terminal_ui.h"

#include <utility>

#include "resolve/ui_names.h"
#include "sources/source_names.h"

namespace lumo::cli {
namespace {

// The lists the flows write, with the column counts of their windows.
const std::map<std::string, int>& KnownLists() {
    static const std::map<std::string, int> lists = {
        {resolve::kSearchList, resolve::kSearchColumns},
        {resolve::kResourceList, resolve::kResourceColumns},
        {resolve::kFilmSourceList, resolve::kFilmSourceColumns},
        {resolve::kFavouriteList, resolve::kFavouriteColumns},
        {resolve::kExtraResourceList, resolve::kExtraResourceColumns},
        {resolve::kMagnetFileList, resolve::kMagnetFileColumns},
        {resolve::kPlayQueueList, resolve::kPlayQueueColumns},
        {sources::kFilmSearchList, sources::kFilmListColumns},
        {sources::kNewestFilmList, sources::kFilmListColumns},
        {sources::kCodeLibraryList, sources::kLibraryColumns},
        {sources::kKeywordLibraryList, sources::kLibraryColumns},
    };
    return lists;
}

}  // namespace

TerminalUi::TerminalUi() = default;
TerminalUi::~TerminalUi() = default;

flow::ListModel* TerminalUi::List(const std::string& name) {
    if (auto it = lists_.find(name); it != lists_.end()) return it->second.get();
    const auto known = KnownLists().find(name);
    if (known == KnownLists().end()) return nullptr;
    auto list = std::make_unique<flow::ListModel>(name, known->second);
    flow::ListModel* made = list.get();
    lists_.emplace(name, std::move(list));
    return made;
}

std::string TerminalUi::Text(const std::string& control) {
    const auto it = texts_.find(control);
    return it == texts_.end() ? std::string() : it->second;
}

void TerminalUi::SetText(const std::string& control, const std::string& text) { texts_[control] = text; }

void TerminalUi::SetVisible(const std::string& control, bool visible) { visible_[control] = visible; }

bool TerminalUi::IsVisible(const std::string& control) {
    const auto it = visible_.find(control);
    return it != visible_.end() && it->second;
}

bool TerminalUi::IsChecked(const std::string& control) { return checked_.count(control) != 0; }

void TerminalUi::SetChecked(const std::string& control, bool checked) {
    if (checked)
        checked_.insert(control);
    else
        checked_.erase(control);
}

void TerminalUi::SetImage(const std::string&, const std::string&) {}

bool TerminalUi::AskYesNo(const std::string& text, const std::string&, bool) {
    messages_.push_back(text);
    return asker_ ? asker_(text) : false;
}

void TerminalUi::Inform(const std::string& text, const std::string&, bool) { messages_.push_back(text); }

void TerminalUi::ShowWindow(flow::WindowCode window) { windows_.insert(window); }

void TerminalUi::CloseWindow(flow::WindowCode window) { windows_.erase(window); }

bool TerminalUi::IsWindowLoaded(flow::WindowCode window) { return windows_.count(window) != 0; }

int TerminalUi::CurrentPage(const std::string& control) {
    const auto it = pages_.find(control);
    return it == pages_.end() ? 0 : it->second;
}

void TerminalUi::SetCurrentPage(const std::string& control, int page) { pages_[control] = page; }

void TerminalUi::OpenInBrowser(const std::string&) {}

void TerminalUi::SetClipboardText(const std::string&) {}

void TerminalUi::EndProgram() { endRequested_ = true; }

}  // namespace lumo::cli
