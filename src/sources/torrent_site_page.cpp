#include "sources/torrent_site_page.h"

#include "net/http_request.h"
#include "sources/keyword_address.h"
#include "text/pattern_matcher.h"

namespace lumo::sources {
namespace {

void RemoveAll(std::string& text, std::string_view tag) {
    for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at)) text.erase(at, tag.size());
}

}  // namespace

std::string RemoveEmTags(std::string_view title) {
    std::string text(title);
    RemoveAll(text, "<em>");
    RemoveAll(text, "</em>");
    return text;
}

std::string TorrentSiteAddress(std::string_view host, std::string_view keyword, int page) {
    return "http://" + std::string(host) + "/q/" + KeywordInPath(keyword) + "_rel_" + std::to_string(page) + ".html";
}

SearchOutcome ParseTorrentSitePage(std::string_view page) {
    text::PatternMatcher titles;
    text::PatternMatcher sizes;
    titles.Search(R"p(href="/torrent/(.*?).html" target="_blank">(.*?)</a>)p", page, false, true, true, true);
    sizes.Search(R"p(文件大小：<b .*?>(.*?)</b>)p", page, false, true, true, true);

    SearchOutcome outcome;
    const int count = titles.MatchCount();
    outcome.matched = count > 0;
    outcome.rows.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) {
        // SubMatchText is empty past the last size, as wanted.
        outcome.rows.push_back({RemoveEmTags(titles.SubMatchText(i, 2)), sizes.SubMatchText(i, 1),
                                titles.SubMatchText(i, 1)});
    }
    return outcome;
}

SearchOutcome SearchTorrentSite(std::string_view host, std::string_view keyword, int page) {
    return ParseTorrentSitePage(net::HttpRequest(TorrentSiteAddress(host, keyword, page)));
}

}  // namespace lumo::sources
