#include "sim/subtitle_site.h"

#include <charconv>

#include "sim/catalogue.h"
#include "sim/html_escape.h"
#include "sim/page_text.h"
#include "sim/sim_context.h"

namespace lumo::sim {
namespace {

std::string Dotted(const std::string& text) {
    std::string out;
    for (char c : text) out += c == ' ' ? '.' : c;
    return out;
}

}  // namespace

Reply SubtitleSite::Handle(const SiteRequest& request) const {
    const Catalogue& catalogue = context_.catalogue();
    if (request.path == "/search" || request.path == "/") {
        const std::string term = KeywordText(FormDecode(request.RawParam("q")));
        std::vector<const Film*> films;
        for (const auto& film : catalogue.films()) {
            if (!term.empty() && film.imdb == term) films.push_back(&film);
        }
        if (films.empty() && !term.empty()) films = catalogue.SearchFilms(term);
        if (term.empty()) {
            for (size_t i = 0; i < catalogue.films().size() && i < 20; ++i) films.push_back(&catalogue.films()[i]);
        }
        std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                           HtmlEscape(term.empty() ? "热门字幕" : term + " 字幕搜索") +
                           "</title>\n</head>\n<body>\n<form action=\"/search\"><input type=\"hidden\" name=\"ad\" "
                           "value=\"1\"><input name=\"q\" value=\"" + HtmlEscape(term) +
                           "\"><button>搜索字幕</button></form>\n";
        if (films.empty()) html += "<p>没有找到字幕</p>\n";
        for (const Film* film : films) {
            html += "<h3>" + HtmlEscape(film->DisplayTitle()) + " (" + std::to_string(film->year) + ") " + film->imdb +
                    "</h3>\n<ul>\n";
            for (size_t s = 0; s < catalogue.subtitles().size(); ++s) {
                const SubtitleFile& file = catalogue.subtitles()[s];
                const std::string name = Dotted(film->englishTitle) + "." + std::to_string(film->year) + "." +
                                         file.name.substr(file.name.find('.') + 1);
                html += "<li><a href=\"/download/" + std::to_string(film->id) + "/" + std::to_string(s) + "/" + name +
                        "\">" + HtmlEscape(name) + "</a> [" + file.language + "/" + file.format + "]</li>\n";
            }
            html += "</ul>\n";
        }
        html += "</body>\n</html>\n";
        return Reply::Utf8Html(html);
    }
    if (request.path.rfind("/download/", 0) == 0) {
        // /download/<film>/<subtitle>/<name>
        const std::string rest = request.path.substr(10);
        const size_t slash1 = rest.find('/');
        const size_t slash2 = slash1 == std::string::npos ? slash1 : rest.find('/', slash1 + 1);
        if (slash2 == std::string::npos) return Reply::Error(404);
        size_t index = 0;
        const std::string number = rest.substr(slash1 + 1, slash2 - slash1 - 1);
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), index);
        if (ec != std::errc() || end != number.data() + number.size() || index >= catalogue.subtitles().size()) {
            return Reply::Error(404);
        }
        const SubtitleFile& file = catalogue.subtitles()[index];
        Reply reply = Reply::Shared(file.bytes, file.format == "ass" ? "text/x-ssa" : "application/x-subrip");
        reply.With("Content-Disposition", "attachment; filename=\"" + rest.substr(slash2 + 1) + "\"");
        return reply;
    }
    return Reply::Error(404);
}

}  // namespace lumo::sim
