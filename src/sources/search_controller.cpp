#include "sources/search_controller.h"

#include <utility>

#include "flow/worker_threads.h"
#include "resolve/checked_list.h"
#include "resolve/ui_names.h"
#include "sources/json_search_answer.h"
#include "sources/source_names.h"
#include "sources/torrent_site_page.h"

namespace lumo::sources {

SearchController::SearchController(flow::FlowUi& ui, resolve::AvailabilityChecker& checker,
                                   remote::ServiceHosts hosts, QObject* parent)
    : QObject(parent),
      ui_(ui),
      checker_(checker),
      hosts_(std::move(hosts)),
      channel_(flow::GuiChannel::Open(this)) {}

SearchController::~SearchController() { channel_->Close(); }

SearchController::Engine SearchController::SelectedEngine() const {
    const std::string item = ui_.Text(kEngineChoice);
    if (item == kJsonEngineItem) return Engine::JsonApi;
    if (item == kTorrentSiteItem) return Engine::TorrentSite;
    return Engine::None;
}

void SearchController::StartSearch(int page) {
    if (ui_.Text(kSearchBox) == kSearchHint) {
        ui_.Inform("请先输入你需要搜索的关键字！", resolve::kNoticeTitle);
        return;
    }
    const Engine engine = SelectedEngine();
    if (engine == Engine::None) return;
    searchPage_ = page < 1 ? 1 : page;
    RunEngine(engine);
    ui_.SetText(kSearchPageBox, std::to_string(searchPage_));
}

void SearchController::NextSearchPage() {
    ++searchPage_;
    RunEngine(SelectedEngine());
    ui_.SetText(kSearchPageBox, std::to_string(searchPage_));
}

void SearchController::PreviousSearchPage() {
    if (searchPage_ <= 1) {
        searchPage_ = 1;
        ui_.Inform("已经是第一页了", resolve::kDefaultTitle);
        return;
    }
    --searchPage_;
    RunEngine(SelectedEngine());
    ui_.SetText(kSearchPageBox, std::to_string(searchPage_));
}

void SearchController::RunEngine(Engine engine) {
    if (engine == Engine::None) return;
    const uint64_t serial = ++serial_;
    // Clearing the list also cancels the availability checks of its rows.
    if (flow::ListModel* list = ui_.List(resolve::kSearchList)) list->Clear();
    ui_.SetText(resolve::kTopStatus, engine == Engine::TorrentSite ? "搜索中..." : "正在搜索中...");
    ui_.SetVisible(resolve::kListLoading, true);

    const std::string keyword = ui_.Text(kSearchBox);
    const int page = searchPage_;
    const std::string host = engine == Engine::TorrentSite ? hosts_.SearchSiteHost() : hosts_.JsonSearchHost();
    const std::string timestamp = engine == Engine::JsonApi ? SearchTimestamp() : std::string();
    const std::shared_ptr<flow::GuiChannel> channel = channel_;
    const bool started = flow::WorkerThreads::Start([this, serial, engine, keyword, page, host, timestamp, channel] {
        SearchOutcome outcome = engine == Engine::TorrentSite ? SearchTorrentSite(host, keyword, page)
                                                              : SearchJsonApi(host, keyword, page, timestamp);
        channel->Post([this, serial, engine, keyword, outcome = std::move(outcome)]() mutable {
            List(serial, engine, keyword, std::move(outcome));
        });
    });
    if (!started) List(serial, engine, keyword, {});
}

void SearchController::List(uint64_t serial, Engine engine, const std::string& keyword, SearchOutcome outcome) {
    if (serial != serial_) return;
    flow::ListModel* list = ui_.List(resolve::kSearchList);
    if (list != nullptr) {
        for (SearchResult& row : outcome.rows) {
            list->AppendRow({"", std::to_string(list->RowCount() + 1), std::move(row.title), std::move(row.size),
                             std::move(row.key)});
        }
    }
    const int rows = list != nullptr ? list->RowCount() : 0;
    if (engine == Engine::TorrentSite && !outcome.matched) {
        ui_.SetText(resolve::kTopStatus, "找不到关于 " + keyword + " 的内容");
    } else if (rows > 0) {
        checker_.StartAvailabilityChecks(*list, resolve::CheckedList::Search);
        ui_.SetText(resolve::kTopStatus, "搜索完毕");
    } else {
        ui_.SetText(resolve::kTopStatus, engine == Engine::TorrentSite ? "搜索失败或搜不到你要搜的内容！"
                                                                         : "搜索失败或搜不到你想搜索的内容");
    }
    ui_.SetVisible(resolve::kListLoading, false);
    emit SearchListed(rows);
}

}  // namespace lumo::sources
