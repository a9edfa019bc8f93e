#include "sim/film_site.h"

#include <charconv>

#include "sim/catalogue.h"
#include "sim/html_escape.h"
#include "sim/page_text.h"
#include "sim/sim_context.h"

namespace lumo::sim {
namespace {

std::string Head(const std::string& title) {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
           " - 影视资料库</title>\n</head>\n<body>\n";
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The number between a prefix and a suffix of a path; 0 when there is none.
int NumberIn(const std::string& path, const std::string& prefix, const std::string& suffix) {
    if (path.rfind(prefix, 0) != 0 || !EndsWith(path, suffix) || path.size() <= prefix.size() + suffix.size()) return 0;
    const std::string digits = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc() && end == digits.data() + digits.size() ? value : 0;
}

std::string PersonLink(const std::string& name) {
    return "<a href=\"/celebrity/" + std::to_string(std::hash<std::string>()(name) % 900000 + 100000) + ".html\">" +
           HtmlEscape(name) + "</a>";
}

// One field block: the label, a line feed, "<div>", a line feed, the value
// and " </div>".
std::string Field(const std::string& label, const std::string& value) {
    return "<strong>" + label + "</strong>\n<div>\n" + value + " </div>\n";
}

}  // namespace

Reply FilmSite::Handle(const SiteRequest& request) const {
    const std::string& path = request.path;
    if (path == "/search") return SearchPage(KeywordText(FormDecode(request.RawParam("q"))));
    if (const int id = NumberIn(path, "/subject/", ".html")) {
        const Film* film = context_.catalogue().FilmById(id);
        return film ? DetailPage(*film) : Reply::Error(404);
    }
    if (const int id = NumberIn(path, "/poster/", ".png")) {
        const Film* film = context_.catalogue().FilmById(id);
        if (film == nullptr) return Reply::Error(404);
        Reply reply;
        reply.contentType = "image/png";
        reply.body = context_.catalogue().Poster(*film);
        return reply;
    }
    if (path.rfind("/bt/", 0) == 0 && EndsWith(path, ".html")) return TorrentPage(path.substr(4, path.size() - 9));
    if (path.rfind("/bt/", 0) == 0 && EndsWith(path, ".torrent")) return TorrentDownload(context_.catalogue(), path.substr(4, path.size() - 12));
    if (path == "/") return SearchPage("");
    return Reply::Error(404);
}

Reply FilmSite::SearchPage(const std::string& keyword) const {
    std::string html = Head(keyword.empty() ? "全部电影" : keyword + " 的搜索结果");
    html += "<form action=\"/search\"><input name=\"q\" value=\"" + HtmlEscape(keyword) +
            "\"><button>搜索</button></form>\n<ul class=\"search-list\">\n";
    for (const Film* film : context_.catalogue().SearchFilms(keyword)) {
        html += "<li><h5><a href=\"/subject/" + std::to_string(film->id) + ".html\"><em>" + film->chineseTitle +
                "</em> " + Highlight(film->englishTitle, keyword) + " (" + std::to_string(film->year) +
                ")</a></h5></li>\n";
    }
    html += "</ul>\n</body>\n</html>\n";
    return Reply::Utf8Html(html);
}

Reply FilmSite::DetailPage(const Film& film) const {
    const Catalogue& catalogue = context_.catalogue();
    std::string html = Head(film.DisplayTitle() + " (" + std::to_string(film.year) + ")");
    html += "<div class=\"movie\">\n";
    html += "<div class=\"poster\"><img src=\"//" + context_.HostPort(Service::Films) + "/poster/" +
            std::to_string(film.id) + ".png\" alt=\"\"></div>\n";
    html += "<div class=\"info\">\n<h1>" + film.DisplayTitle() + "<small>(" + std::to_string(film.year) +
            ")</small></h1>\n";
    html += "<p><a class=\"imdb\" href=\"/imdb/" + film.imdb + "\" title=\"imdb:" + film.imdb + "\">IMDb</a></p>\n";
    html += Field("导演:", PersonLink(film.director));
    html += Field("编剧:", PersonLink(film.writer));
    std::string cast;
    for (size_t i = 0; i < film.cast.size(); ++i) {
        if (i > 0) cast += " / ";
        cast += PersonLink(film.cast[i]);
    }
    html += Field("主演:", cast);
    html += Field("类型:", HtmlEscape(film.genre));
    html += Field("地区:", HtmlEscape(film.region));
    html += Field("上映:", std::to_string(film.year));
    html += "</div>\n</div>\n<p class=\"summary\">" + HtmlEscape(film.summary) + "</p>\n";
    html += "<h3>片源下载</h3>\n<table class=\"torrents\">\n";
    for (int index : film.entries) {
        const CatalogueEntry& entry = catalogue.entries()[index];
        html += "<tr>\n<td class=\"nobr\"><a href=\"/bt/" + entry.infoHash + ".html\" class=\"ico ico_bt\">" +
                entry.title + "</a></td>\n<td class=\"nobr center\">" + SizeText(entry.TotalSize()) +
                "</td>\n<td class=\"nobr date\">" + entry.day + "</td>\n</tr>\n";
    }
    html += "</table>\n</body>\n</html>\n";
    return Reply::Utf8Html(html);
}

Reply FilmSite::TorrentPage(const std::string& hash) const {
    const CatalogueEntry* entry = context_.catalogue().FindByInfoHash(hash);
    if (entry == nullptr) return Reply::Error(404);
    std::string html = Head(entry->title);
    html += "<h2>" + HtmlEscape(entry->title) + "</h2>\n";
    html += "<p class=\"magnet\"><a href=\"magnet:?xt=urn:btih:" + entry->infoHash + "&amp;dn=" +
            UrlComponent(entry->title) + "\">磁力链接</a></p>\n";
    if (!entry->torrent.empty()) html += "<p><a href=\"/bt/" + entry->infoHash + ".torrent\">下载种子文件</a></p>\n";
    html += "<ul class=\"files\">\n";
    for (const auto& file : entry->files) {
        html += "<li>" + HtmlEscape(file.name) + " (" + SizeText(file.size) + ")</li>\n";
    }
    html += "</ul>\n</body>\n</html>\n";
    return Reply::Utf8Html(html);
}


}  // namespace lumo::sim
