#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/gui_channel.h"
#include "sources/search_controller.h"

namespace lumo::sources {

// The two word libraries of the search page's side panel, the 番号库
// (超级列表框词库) and the 关键词库 (超级列表框关键词库), read from the
// addresses the remote address list publishes. A double-clicked entry
// becomes the search box text and starts a search. Runs on the GUI thread;
// pages are fetched on workers.
//
// However often a library is loaded (the start-up load and impatient clicks
// on its button may overlap), it lists its page's entries once: a finished
// load replaces the list with what it found, a load that found nothing
// leaves the list alone, and a load that ends after a later one has already
// been listed is dropped.
class KeywordLibraries : public QObject {
    Q_OBJECT
public:
    enum class Library { Code, Keyword };
    Q_ENUM(Library)

    // `state`, `ui` and `search` must outlive this object.
    KeywordLibraries(flow::AppState& state, flow::FlowUi& ui, SearchController& search, QObject* parent = nullptr);
    ~KeywordLibraries() override;

    // Loads both libraries; called once the remote address list has arrived.
    void StartKeywordLibraries();

    // Reads the 番号库 at the address published under fanhaodizi.
    void LoadCodeLibrary();
    // Shows the keyword list and reads the 关键词库 at the address published
    // under gjzdizi.
    void LoadKeywordLibrary();

    // "番号库": shows the panel with the code list, loading it while empty.
    void ShowCodeLibrary();
    // "关键词库": shows the panel with the keyword list, loading it while empty.
    void ShowKeywordLibrary();

    // Double-click on a library list (by catalogue name): its selected entry
    // (empty text when none is selected) goes into the search box and a
    // search starts.
    void OpenLibraryEntry(const std::string& listName);

signals:
    // A load of `library` has ended; `listed` when its entries are now the
    // list's rows.
    void LibraryLoadEnded(lumo::sources::KeywordLibraries::Library library, bool listed);

private:
    struct Loads {
        uint64_t started = 0;
        uint64_t listed = 0;  // the latest load whose entries are in the list
    };

    void Load(Library library);
    void List(Library library, uint64_t serial, std::vector<std::string> entries);
    Loads& LoadsOf(Library library) { return library == Library::Code ? code_ : keyword_; }

    flow::AppState& state_;
    flow::FlowUi& ui_;
    SearchController& search_;
    std::shared_ptr<flow::GuiChannel> channel_;
    Loads code_;
    Loads keyword_;
};

}  // namespace lumo::sources
