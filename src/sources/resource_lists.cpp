#include "sources/resource_lists.h"

#include <utility>

#include "flow/worker_threads.h"
#include "net/http_request.h"
#include "resolve/checked_list.h"
#include "resolve/ui_names.h"
#include "sources/source_names.h"

namespace lumo::sources {
namespace {

// The operators' site, as the remote address list publishes it.
constexpr const char* kSiteKey = "zhuludizi";

// Appends the entries with their row numbers; true when the list then has a
// fourth row with a name.
bool AppendEntries(flow::ListModel& list, std::vector<ResourceEntry>& entries) {
    for (ResourceEntry& entry : entries) {
        list.AppendRow({"", std::to_string(list.RowCount() + 1), std::move(entry.name), std::move(entry.link)});
    }
    return !list.Cell(kCompleteListRows - 1, 2).empty();
}

}  // namespace

ResourceLists::ResourceLists(flow::AppState& state, flow::FlowUi& ui, resolve::AvailabilityChecker& checker,
                             remote::ServiceHosts hosts, QObject* parent)
    : QObject(parent),
      state_(state),
      ui_(ui),
      checker_(checker),
      hosts_(std::move(hosts)),
      channel_(flow::GuiChannel::Open(this)) {}

ResourceLists::~ResourceLists() { channel_->Close(); }

void ResourceLists::LoadSharedResourcePage(const std::string& page) {
    const uint64_t serial = ++sharedSerial_;
    ui_.SetText(resolve::kTopStatus, "正在获取共享资源...");
    // Clearing the list also cancels the availability checks of its rows.
    if (flow::ListModel* list = ui_.List(resolve::kResourceList)) list->Clear();

    const std::string address = SharedResourceAddress(state_.RemoteAddress(kSiteKey), page);
    const std::shared_ptr<flow::GuiChannel> channel = channel_;
    const bool started = flow::WorkerThreads::Start([this, serial, address, channel] {
        std::vector<ResourceEntry> entries = ParseSharedResourcePage(net::HttpRequest(address));
        channel->Post([this, serial, entries = std::move(entries)]() mutable {
            ListSharedPage(serial, std::move(entries));
        });
    });
    if (!started) ListSharedPage(serial, {});
}

void ResourceLists::ListSharedPage(uint64_t serial, std::vector<ResourceEntry> entries) {
    if (serial != sharedSerial_) return;
    flow::ListModel* list = ui_.List(resolve::kResourceList);
    if (entries.empty() || list == nullptr) {
        ui_.SetText(resolve::kTopStatus, "获取失败,请从新获取！");
        emit SharedPageListed(false);
        return;
    }
    const bool complete = AppendEntries(*list, entries);
    if (complete) {
        ui_.SetText(resolve::kTopStatus, "获取完毕");
        ui_.SetVisible(resolve::kListLoading, false);
        checker_.StartAvailabilityChecks(*list, resolve::CheckedList::Resource);
    } else {
        ui_.SetText(resolve::kTopStatus, "获取失败");
        ui_.SetVisible(resolve::kListLoading, false);
    }
    emit SharedPageListed(complete);
}

void ResourceLists::NextResourcePage() {
    const int page = PageNumber(ui_.Text(kResourcePageBox)) + 1;
    ui_.SetText(kResourcePageBox, std::to_string(page));
    state_.resourcePage = page;
    if (state_.loggedIn == 0 && page >= 2) {
        state_.resourcePage = 1;
        ui_.SetText(kResourcePageBox, "1");
        ui_.SetVisible(kLoginNotice, true);
        return;
    }
    LoadSharedResourcePage(std::to_string(page));
}

void ResourceLists::PreviousResourcePage() {
    if (state_.resourcePage < 2) {
        ui_.Inform("已经是第一页了", kResourceNoticeTitle);
        return;
    }
    --state_.resourcePage;
    ui_.SetText(kResourcePageBox, std::to_string(state_.resourcePage));
    LoadSharedResourcePage(std::to_string(state_.resourcePage));
}

void ResourceLists::JumpToResourcePage() {
    state_.resourcePage = PageNumber(ui_.Text(kResourcePageBox));
    LoadSharedResourcePage(std::to_string(state_.resourcePage));
}

void ResourceLists::LoadExtraResourceList() {
    const uint64_t serial = ++extraSerial_;
    if (flow::ListModel* list = ui_.List(resolve::kExtraResourceList)) list->Clear();
    ui_.SetText(resolve::kBottomStatus, "正在获取中请稍后...");

    const std::string address = ExtraResourceAddress(hosts_.ExtraListHost());
    const std::shared_ptr<flow::GuiChannel> channel = channel_;
    const bool started = flow::WorkerThreads::Start([this, serial, address, channel] {
        std::vector<ResourceEntry> entries = ParseExtraResourceList(net::HttpRequest(address));
        channel->Post(
            [this, serial, entries = std::move(entries)]() mutable { ListExtra(serial, std::move(entries)); });
    });
    if (!started) ListExtra(serial, {});
}

void ResourceLists::ListExtra(uint64_t serial, std::vector<ResourceEntry> entries) {
    if (serial != extraSerial_) return;
    flow::ListModel* list = ui_.List(resolve::kExtraResourceList);
    const bool complete = !entries.empty() && list != nullptr && AppendEntries(*list, entries);
    ui_.SetText(resolve::kBottomStatus, complete ? "已完成获取!" : "获取失败,请从新获取！");
    emit ExtraListListed(complete);
}

}  // namespace lumo::sources
