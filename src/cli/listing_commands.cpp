// search, film and list: the result rows of the library view's sources.
#include <QObject>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/report.h"
#include "cli/service_check.h"
#include "cli/session.h"
#include "flow/list_model.h"
#include "resolve/ui_names.h"
#include "sources/resource_pages.h"
#include "sources/source_names.h"
#include "sources/sources.h"

namespace lumo::cli {
namespace {

// Each source fetches one page; HttpRequest gives up on a silent server
// within its own timeouts, well inside this.
constexpr std::chrono::minutes kListingTime{3};

// A page number: digits only, 1 to 100000.
std::optional<int> PageArgument(const std::string& text) {
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    const int page = std::stoi(text);
    if (page < 1 || page > 100000) return std::nullopt;
    return page;
}

bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c) != 0; });
}

// Copies the rows' cells at `columns` and empties the list, which also
// stops the availability checks the source started for it.
Table TakeRows(flow::ListModel& list, std::vector<std::string> fields, const std::vector<int>& columns) {
    Table table{std::move(fields), {}, 0};
    for (int row = 0; row < list.RowCount(); ++row) {
        std::vector<std::string> cells;
        for (int column : columns) cells.push_back(list.Cell(row, column));
        table.rows.push_back(std::move(cells));
    }
    list.Clear();
    return table;
}

// After a source came back empty: was there nothing, or no service?
int NothingListed(const std::string& serviceAddress, const std::string& what) {
    if (!ServiceAnswers(serviceAddress)) return Fail(kServiceFailed, "the " + what + " did not answer");
    return Fail(kNothingFound, "the " + what + " found nothing");
}

}  // namespace

int RunSearch(const CommandLine& line, Session& session) {
    const std::string& keyword = line.arguments[0];
    if (IsBlank(keyword) || keyword == sources::kSearchHint) return Fail(kBadInput, "give a keyword to search for");
    const std::optional<int> page = line.arguments.size() > 1 ? PageArgument(line.arguments[1]) : 1;
    if (!page) return Fail(kBadInput, "'" + line.arguments[1] + "' is not a page number");

    TerminalUi& ui = session.Ui();
    sources::SearchController& search = session.Sources().Search();
    ui.SetText(sources::kEngineChoice, line.engine == 2 ? sources::kTorrentSiteItem : sources::kJsonEngineItem);
    ui.SetText(sources::kSearchBox, keyword);
    bool listed = false;
    QObject::connect(&search, &sources::SearchController::SearchListed, [&listed](int) { listed = true; });
    search.StartSearch(*page);
    if (!Session::WaitFor([&] { return listed; }, kListingTime))
        return Fail(kServiceFailed, "the search did not come back");

    Table table = TakeRows(*ui.List(resolve::kSearchList), {"number", "title", "size", "hash"}, {1, 2, 3, 4});
    const std::string host = line.engine == 2 ? session.Hosts().SearchSiteHost() : session.Hosts().JsonSearchHost();
    if (table.rows.empty())
        return NothingListed("http://" + host + "/", line.engine == 2 ? "torrent search site" : "search interface");
    PrintTable(table, line.json, std::cout);
    return kDone;
}

int RunFilm(const CommandLine& line, Session& session) {
    const std::string& keyword = line.arguments[0];
    if (IsBlank(keyword)) return Fail(kBadInput, "give a film name to search for");

    TerminalUi& ui = session.Ui();
    sources::FilmSite& films = session.Sources().Films();
    ui.SetText(sources::kFilmSearchBox, keyword);
    bool listed = false;
    QObject::connect(&films, &sources::FilmSite::FilmsListed, [&listed](int) { listed = true; });
    films.SearchFilms();
    if (!Session::WaitFor([&] { return listed; }, kListingTime))
        return Fail(kServiceFailed, "the film site did not come back");

    Table table = TakeRows(*ui.List(sources::kFilmSearchList), {"number", "title", "address"}, {1, 2, 3});
    if (table.rows.empty()) return NothingListed("http://" + session.Hosts().FilmSiteHost() + "/", "film site");
    PrintTable(table, line.json, std::cout);
    return kDone;
}

int RunList(const CommandLine& line, Session& session) {
    const std::optional<int> page = line.arguments.empty() ? 1 : PageArgument(line.arguments[0]);
    if (!page) return Fail(kBadInput, "'" + line.arguments[0] + "' is not a page number");
    if (!session.ReadAddressList())
        return Fail(kServiceFailed,
                    "the operators' address list could not be read from " + session.Hosts().WebsiteAddress());

    // The terminal goes straight to the page, as the window's "跳到" does.
    sources::ResourceLists& resources = session.Sources().Resources();
    bool listed = false;
    QObject::connect(&resources, &sources::ResourceLists::SharedPageListed, [&listed](bool) { listed = true; });
    resources.LoadSharedResourcePage(std::to_string(*page));
    if (!Session::WaitFor([&] { return listed; }, kListingTime))
        return Fail(kServiceFailed, "the resource list did not come back");

    Table table = TakeRows(*session.Ui().List(resolve::kResourceList), {"number", "name", "hash"}, {1, 2, 3});
    if (table.rows.empty()) {
        const std::string address =
            sources::SharedResourceAddress(session.State().RemoteAddress("zhuludizi"), std::to_string(*page));
        return NothingListed(address, "resource list");
    }
    PrintTable(table, line.json, std::cout);
    return kDone;
}

}  // namespace lumo::cli
