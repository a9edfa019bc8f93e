#pragma once

#include <QObject>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "remote/service_hosts.h"
#include "resolve/availability_checker.h"
#include "sources/film_site.h"
#include "sources/keyword_libraries.h"
#include "sources/resource_lists.h"
#include "sources/search_controller.h"

namespace lumo::sources {

// Everything that fills the lists of the library view, put together for the
// GUI (or a test) that owns it: the torrent search, the film page, the
// operators' resource lists and the word libraries. Lives on the GUI thread;
// `state`, `ui` and `checker` must outlive it. Destroying it leaves running
// workers to end on their own; they change nothing any more.
class Sources : public QObject {
    Q_OBJECT
public:
    Sources(flow::AppState& state, flow::FlowUi& ui, resolve::AvailabilityChecker& checker,
            const remote::ServiceHosts& hosts = remote::ServiceHosts::FromEnvironment(), QObject* parent = nullptr);

    SearchController& Search() { return search_; }
    FilmSite& Films() { return films_; }
    ResourceLists& Resources() { return resources_; }
    KeywordLibraries& Libraries() { return libraries_; }

    // What the remote address list starts once it has been read: the loads
    // of both word libraries.
    void StartKeywordLibraries() { libraries_.StartKeywordLibraries(); }

private:
    SearchController search_;
    FilmSite films_;
    ResourceLists resources_;
    KeywordLibraries libraries_;
};

}  // namespace lumo::sources
