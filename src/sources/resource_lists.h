#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/gui_channel.h"
#include "remote/service_hosts.h"
#include "resolve/availability_checker.h"
#include "sources/resource_pages.h"

namespace lumo::sources {

// The operators' two resource lists: the shared list 超级列表框资源, read
// page by page from the operators' site (paging past page 1 needs a login),
// and the second list 超级列表框VIP资源, read in one piece from its own
// server. Runs on the GUI thread; pages are fetched on workers.
//
// For each list the load started last owns it: an earlier load still
// running is dropped when it arrives, so quick paging never mixes pages.
class ResourceLists : public QObject {
    Q_OBJECT
public:
    // `state`, `ui` and `checker` must outlive this object.
    ResourceLists(flow::AppState& state, flow::FlowUi& ui, resolve::AvailabilityChecker& checker,
                  remote::ServiceHosts hosts, QObject* parent = nullptr);
    ~ResourceLists() override;

    // Loads page `page` (decimal text) of the shared list.
    void LoadSharedResourcePage(const std::string& page);
    // "下一页": the number in the page box plus one; past page 1 only when
    // logged in, otherwise the login notice.
    void NextResourcePage();
    // "上一页": from resourcePage; refused below page 2.
    void PreviousResourcePage();
    // "跳到": the number typed in the page box, unchecked.
    void JumpToResourcePage();

    // "获取VIP资源": loads the second list.
    void LoadExtraResourceList();

signals:
    // The latest shared-list load has ended; `complete` when it had four rows.
    void SharedPageListed(bool complete);
    // The latest load of the second list has ended.
    void ExtraListListed(bool complete);

private:
    void ListSharedPage(uint64_t serial, std::vector<ResourceEntry> entries);
    void ListExtra(uint64_t serial, std::vector<ResourceEntry> entries);

    flow::AppState& state_;
    flow::FlowUi& ui_;
    resolve::AvailabilityChecker& checker_;
    const remote::ServiceHosts hosts_;
    std::shared_ptr<flow::GuiChannel> channel_;
    uint64_t sharedSerial_ = 0;
    uint64_t extraSerial_ = 0;
};

}  // namespace lumo::sources
