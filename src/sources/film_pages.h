#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo::sources {

// A film found by the film search.
struct FilmListing {
    std::string title;          // without em tags
    std::string detailAddress;  // absolute

    bool operator==(const FilmListing&) const = default;
};

// A torrent a film's detail page offers.
struct FilmTorrent {
    std::string title;
    std::string size;     // the size cell followed by "B"; just "B" when the page has no size for it
    std::string address;  // absolute address of the torrent's page

    bool operator==(const FilmTorrent&) const = default;
};

// Everything the detail view takes from one detail page.
struct FilmDetails {
    std::string posterAddress;  // "http://" + the address the page gives without scheme; empty when it gives none
    std::string titleText;      // the new text of the title label: "片名: " + the title
    std::string imdb;           // the IMDb text, the subtitle search term
    // New texts of the detail labels, by control, in page order; a label the
    // page does not name is not here and keeps its text.
    std::vector<std::pair<std::string, std::string>> labels;
    std::vector<FilmTorrent> torrents;
};

// "http://" + host + "/search?q=" + keyword.
std::string FilmSearchAddress(std::string_view host, std::string_view keyword);

// The films of a search page, in page order; relative addresses are completed
// with "http://" and the host.
std::vector<FilmListing> ParseFilmSearchPage(std::string_view page, std::string_view host);

// Reads a detail page. Field blocks are recognised only as
// "<strong>label</strong>", LF, "<div>", LF, "value </div>", with the labels
// "地区:", "类型:", "主演:", "导演:" and "编剧:" (half-width colon); the cast
// of every "主演:" block is collected into one text.
FilmDetails ParseFilmDetails(std::string_view page, std::string_view host);

}  // namespace lumo::sources
