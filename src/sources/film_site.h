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
#include "sources/film_pages.h"

namespace lumo::sources {

// The film page: the film search into 超级列表框搜索电影, and the details of
// the film clicked in either film list (labels, poster, the subtitle search
// term, and the torrents in 超级列表框高清详细 with their availability
// checks). Runs on the GUI thread; pages are fetched on workers.
//
// The film clicked last owns the details view, and the search started last
// owns the film list: the results of earlier, still running workers are
// dropped when they arrive.
class FilmSite : public QObject {
    Q_OBJECT
public:
    // `state`, `ui` and `checker` must outlive this object.
    FilmSite(flow::AppState& state, flow::FlowUi& ui, resolve::AvailabilityChecker& checker,
             remote::ServiceHosts hosts, QObject* parent = nullptr);
    ~FilmSite() override;

    // Enter in the film search box.
    void SearchFilms();
    // A left or right click on a row of a film list (by catalogue name): shows
    // the details of the selected row's film; nothing without one.
    void FilmRowClicked(const std::string& listName);
    // Shows the film whose detail page is at `detailAddress`.
    void ShowFilmDetails(const std::string& detailAddress);

signals:
    // The latest film search has listed its films.
    void FilmsListed(int rows);
    // The latest detail view is filled: labels, poster and `torrents` rows.
    void FilmDetailsShown(int torrents);

private:
    struct Shown {
        FilmDetails details;
        std::string poster;  // the poster's bytes; empty when there are none
    };

    void ListFilms(uint64_t serial, std::vector<FilmListing> films);
    void ShowDetails(uint64_t serial, Shown shown);

    flow::AppState& state_;
    flow::FlowUi& ui_;
    resolve::AvailabilityChecker& checker_;
    const remote::ServiceHosts hosts_;
    std::shared_ptr<flow::GuiChannel> channel_;
    uint64_t searchSerial_ = 0;
    uint64_t detailSerial_ = 0;
};

}  // namespace lumo::sources
