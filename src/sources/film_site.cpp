#include "sources/film_site.h"

#include <utility>

#include "flow/worker_threads.h"
#include "net/http_request.h"
#include "net/inet_request.h"
#include "resolve/checked_list.h"
#include "resolve/ui_names.h"
#include "sources/source_names.h"

namespace lumo::sources {

FilmSite::FilmSite(flow::AppState& state, flow::FlowUi& ui, resolve::AvailabilityChecker& checker,
                   remote::ServiceHosts hosts, QObject* parent)
    : QObject(parent),
      state_(state),
      ui_(ui),
      checker_(checker),
      hosts_(std::move(hosts)),
      channel_(flow::GuiChannel::Open(this)) {}

FilmSite::~FilmSite() { channel_->Close(); }

void FilmSite::SearchFilms() {
    const uint64_t serial = ++searchSerial_;
    if (flow::ListModel* list = ui_.List(kFilmSearchList)) list->Clear();
    ui_.SetCurrentPage(kFilmTabs, 1);

    const std::string host = hosts_.FilmSiteHost();
    const std::string address = FilmSearchAddress(host, ui_.Text(kFilmSearchBox));
    const std::shared_ptr<flow::GuiChannel> channel = channel_;
    const bool started = flow::WorkerThreads::Start([this, serial, host, address, channel] {
        std::vector<FilmListing> films = ParseFilmSearchPage(net::HttpRequest(address), host);
        channel->Post([this, serial, films = std::move(films)]() mutable { ListFilms(serial, std::move(films)); });
    });
    if (!started) ListFilms(serial, {});
}

void FilmSite::ListFilms(uint64_t serial, std::vector<FilmListing> films) {
    if (serial != searchSerial_) return;
    flow::ListModel* list = ui_.List(kFilmSearchList);
    if (list != nullptr) {
        for (FilmListing& film : films) {
            list->AppendRow({"", std::to_string(list->RowCount() + 1), std::move(film.title),
                             std::move(film.detailAddress)});
        }
    }
    emit FilmsListed(list != nullptr ? list->RowCount() : 0);
}

void FilmSite::FilmRowClicked(const std::string& listName) {
    const flow::ListModel* list = ui_.List(listName);
    if (list == nullptr) return;
    const std::string address = list->SelectedCell(3);
    if (address.empty()) return;
    ShowFilmDetails(address);
}

void FilmSite::ShowFilmDetails(const std::string& detailAddress) {
    const uint64_t serial = ++detailSerial_;
    // Clearing the list also cancels the availability checks of its rows.
    if (flow::ListModel* list = ui_.List(resolve::kFilmSourceList)) list->Clear();

    const std::string host = hosts_.FilmSiteHost();
    const std::shared_ptr<flow::GuiChannel> channel = channel_;
    const bool started = flow::WorkerThreads::Start([this, serial, detailAddress, host, channel] {
        Shown shown;
        shown.details = ParseFilmDetails(net::HttpRequest(detailAddress), host);
        if (!shown.details.posterAddress.empty()) shown.poster = net::InetRequest(shown.details.posterAddress);
        channel->Post([this, serial, shown = std::move(shown)]() mutable { ShowDetails(serial, std::move(shown)); });
    });
    if (!started) ShowDetails(serial, {});
}

void FilmSite::ShowDetails(uint64_t serial, Shown shown) {
    if (serial != detailSerial_) return;
    FilmDetails& details = shown.details;
    ui_.SetText(kFilmTitleLabel, details.titleText.empty() ? "片名: " : details.titleText);
    state_.subtitleSearchTerm = details.imdb;
    for (const auto& [control, text] : details.labels) ui_.SetText(control, text);
    ui_.SetImage(kPosterBox, shown.poster);

    flow::ListModel* list = ui_.List(resolve::kFilmSourceList);
    if (list != nullptr) {
        for (FilmTorrent& torrent : details.torrents) {
            list->AppendRow({"", "", std::move(torrent.title), std::move(torrent.size), std::move(torrent.address),
                             details.imdb});
        }
        if (!list->Cell(0, 2).empty()) checker_.StartAvailabilityChecks(*list, resolve::CheckedList::FilmSources);
    }
    emit FilmDetailsShown(list != nullptr ? list->RowCount() : 0);
}

}  // namespace lumo::sources
