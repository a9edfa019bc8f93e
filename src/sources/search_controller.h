#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>

#include "flow/flow_ui.h"
#include "flow/gui_channel.h"
#include "remote/service_hosts.h"
#include "resolve/availability_checker.h"
#include "sources/search_result.h"

namespace lumo::sources {

// The torrent search of the search page: the keyword check, the engine the
// drop-down names, the page number and the result list 超级列表框搜索 with
// its availability checks. Runs on the GUI thread; each search fetches and
// parses on a worker of its own and lists its rows back on the GUI thread.
//
// The search started last owns the list: an earlier search that is still
// running is not stopped, but whatever it brings back is dropped, so its
// rows, status text and loading frame never mix with the later one's.
class SearchController : public QObject {
    Q_OBJECT
public:
    enum class Engine {
        None,         // no item selected: nothing is started
        JsonApi,      // "<全网引擎1>"
        TorrentSite,  // "<全网引擎2>"
    };

    // `ui` and `checker` must outlive the controller.
    SearchController(flow::FlowUi& ui, resolve::AvailabilityChecker& checker, remote::ServiceHosts hosts,
                     QObject* parent = nullptr);
    ~SearchController() override;

    // "搜索" or Enter in the search box, and a keyword library entry; a
    // caller that already knows the page it wants (the terminal) names it,
    // so only that page is fetched.
    void StartSearch(int page = 1);
    // "下一页": no upper limit.
    void NextSearchPage();
    // "上一页": refused on page 1.
    void PreviousSearchPage();

    // The page of the current search, at least 1.
    int searchPage() const { return searchPage_; }
    Engine SelectedEngine() const;

signals:
    // The latest search has listed its rows (`rows`, 0 when it found none)
    // and set its status text. Never sent for a search that was overtaken.
    void SearchListed(int rows);

private:
    void RunEngine(Engine engine);
    void List(uint64_t serial, Engine engine, const std::string& keyword, SearchOutcome outcome);

    flow::FlowUi& ui_;
    resolve::AvailabilityChecker& checker_;
    const remote::ServiceHosts hosts_;
    std::shared_ptr<flow::GuiChannel> channel_;
    int searchPage_ = 1;
    uint64_t serial_ = 0;
};

}  // namespace lumo::sources
