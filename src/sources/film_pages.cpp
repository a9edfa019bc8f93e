#include "sources/film_pages.h"

#include "sources/keyword_address.h"
#include "sources/source_names.h"
#include "sources/torrent_site_page.h"
#include "text/pattern_matcher.h"
#include "text/text_between.h"

namespace lumo::sources {
namespace {

std::string Absolute(std::string_view host, std::string_view path) {
    return "http://" + std::string(host) + std::string(path);
}

// The cast of one "主演:" block: every link text, each followed by a blank.
void AppendCast(std::string& cast, std::string_view block) {
    text::PatternMatcher names;
    names.Search(R"p(">(.*?)</a>)p", block);
    for (int i = 1; i <= names.MatchCount(); ++i) cast += names.SubMatchText(i, 1) + " ";
}

}  // namespace

std::string FilmSearchAddress(std::string_view host, std::string_view keyword) {
    return Absolute(host, "/search?q=" + KeywordInQuery(keyword));
}

std::vector<FilmListing> ParseFilmSearchPage(std::string_view page, std::string_view host) {
    text::PatternMatcher films;
    films.Search(R"p(href="(.*?)"><em>(.*?)</a></h5></li>)p", page, false, true, true, true);
    std::vector<FilmListing> listings;
    listings.reserve(static_cast<size_t>(films.MatchCount()));
    for (int i = 1; i <= films.MatchCount(); ++i) {
        listings.push_back({RemoveEmTags(films.SubMatchText(i, 2)), Absolute(host, films.SubMatchText(i, 1))});
    }
    return listings;
}

FilmDetails ParseFilmDetails(std::string_view page, std::string_view host) {
    FilmDetails details;
    // The site writes the poster's address without its scheme.
    const std::string poster = text::TextBetween(page, "<img src=\"//", "\" alt=\"\">");
    if (!poster.empty()) details.posterAddress = "http://" + poster;
    details.titleText = "片名: " + text::TextBetween(page, "<h1>", "<small");
    details.imdb = text::TextBetween(page, "\"imdb:", "\"");

    text::PatternMatcher fields;
    fields.Search("<strong>(.*?)</strong>\n<div>\n(.*?) </div>", page, true, true, true, false);
    std::string cast;
    for (int i = 1; i <= fields.MatchCount(); ++i) {
        const std::string label = fields.SubMatchText(i, 1);
        const std::string value = fields.SubMatchText(i, 2);
        if (label == "地区:") {
            details.labels.emplace_back(kFilmRegionLabel, label + " " + value);
        } else if (label == "类型:") {
            details.labels.emplace_back(kFilmGenreLabel, label + " " + value);
        } else if (label == "主演:") {
            AppendCast(cast, value);
            details.labels.emplace_back(kFilmCastLabel, label + " " + cast);
        } else if (label == "导演:") {
            details.labels.emplace_back(kFilmDirectorLabel, label + " " + text::TextBetween(value, ">", "</a>"));
        } else if (label == "编剧:") {
            details.labels.emplace_back(kFilmWriterLabel, label + " " + text::TextBetween(value, ">", "</a>"));
        }
    }

    text::PatternMatcher torrents;
    text::PatternMatcher sizes;
    torrents.Search(R"p(<a href="(.*?)" class="ico ico_bt">(.*?)</a>)p", page, false, true, true, true);
    sizes.Search(R"p(<td class="nobr center">(.*?)B</td>)p", page, false, true, true, true);
    details.torrents.reserve(static_cast<size_t>(torrents.MatchCount()));
    for (int i = 1; i <= torrents.MatchCount(); ++i) {
        details.torrents.push_back({torrents.SubMatchText(i, 2), sizes.SubMatchText(i, 1) + "B",
                                    Absolute(host, torrents.SubMatchText(i, 1))});
    }
    return details;
}

}  // namespace lumo::sources
