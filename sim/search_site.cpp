#include "sim/search_site.h"

#include <charconv>

#include "sim/catalogue.h"
#include "sim/html_escape.h"
#include "sim/page_text.h"
#include "sim/sim_context.h"

namespace lumo::sim {
namespace {

std::string Head(const std::string& title) {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\n"
           "<title>" + HtmlEscape(title) + "</title>\n</head>\n<body>\n"
           "<div class=\"header\"><form action=\"/search\"><input name=\"q\"><button>搜索</button></form></div>\n";
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

Reply SearchSite::Handle(const SiteRequest& request) const {
    const std::string& path = request.path;
    if (path.rfind("/q/", 0) == 0 && EndsWith(path, ".html")) {
        const std::string rest = path.substr(3, path.size() - 8);
        const size_t rel = rest.rfind("_rel_");
        if (rel == std::string::npos) return Reply::Error(404);
        const std::string number = rest.substr(rel + 5);
        int page = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), page);
        if (ec != std::errc() || end != number.data() + number.size() || page < 1) return Reply::Error(404);
        return ResultPage(KeywordText(rest.substr(0, rel)), page);
    }
    if (path == "/search") {
        Reply reply = Reply::Utf8Html("<html><body>Moved</body></html>\n");
        reply.status = 302;
        reply.With("Location", "/q/" + UrlComponent(request.Param("q")) + "_rel_1.html");
        return reply;
    }
    if (path.rfind("/torrent/", 0) == 0 && EndsWith(path, ".html")) return DetailPage(path.substr(9, path.size() - 14));
    if (path.rfind("/down/", 0) == 0 && EndsWith(path, ".torrent")) return TorrentDownload(context_.catalogue(), path.substr(6, path.size() - 14));
    if (path == "/") return Reply::Utf8Html(Head("磁力搜索") + "<p>输入关键字搜索种子。</p>\n</body>\n</html>\n");
    return Reply::Error(404);
}

Reply SearchSite::ResultPage(const std::string& keyword, int page) const {
    const auto found = context_.catalogue().Search(keyword);
    std::string html = Head(keyword + " - 磁力搜索 - 第" + std::to_string(page) + "页");
    html += "<div class=\"search-tips\">找到约 " + std::to_string(found.size()) + " 条结果</div>\n";
    const size_t first = static_cast<size_t>(page - 1) * kPageSize;
    for (size_t i = first; i < found.size() && i < first + kPageSize; ++i) {
        const CatalogueEntry& entry = *found[i];
        html += "<div class=\"search-item\">\n";
        html += "<div class=\"item-title\"><h3><a href=\"/torrent/" + entry.infoHash + ".html\" target=\"_blank\">" +
                Highlight(entry.title, keyword) + "</a></h3></div>\n";
        html += "<div class=\"item-list\"><ul>\n";
        for (size_t f = 0; f < entry.files.size() && f < 3; ++f) {
            html += "<li>" + HtmlEscape(entry.files[f].name) + " <span>" + SizeText(entry.files[f].size) +
                    "</span></li>\n";
        }
        html += "</ul></div>\n";
        html += "<div class=\"item-bar\"><span>创建时间：<b>" + entry.day + "</b></span> <span>文件大小：<b class=\"cpill "
                "yellow-pill\">" + SizeText(entry.TotalSize()) + "</b></span> <span>下载热度：<b>" +
                std::to_string(entry.heat) + "</b></span> <a href=\"magnet:?xt=urn:btih:" + entry.infoHash +
                "\">磁力链接</a></div>\n</div>\n";
    }
    if (first >= found.size()) html += "<div class=\"search-empty\">没有找到相关的结果</div>\n";
    html += "<div class=\"bottom-pager\">";
    if (page > 1) {
        html += "<a href=\"/q/" + UrlComponent(keyword) + "_rel_" + std::to_string(page - 1) + ".html\">上一页</a> ";
    }
    if (first + kPageSize < found.size()) {
        html += "<a href=\"/q/" + UrlComponent(keyword) + "_rel_" + std::to_string(page + 1) + ".html\">下一页</a>";
    }
    html += "</div>\n</body>\n</html>\n";
    return Reply::Utf8Html(html);
}

Reply SearchSite::DetailPage(const std::string& hash) const {
    const CatalogueEntry* entry = context_.catalogue().FindByInfoHash(hash);
    if (entry == nullptr) return Reply::Error(404);
    std::string html = Head(entry->title + " - 磁力搜索");
    html += "<h2>" + HtmlEscape(entry->title) + "</h2>\n";
    html += "<p>种子哈希：" + entry->infoHash + "</p>\n<p>文件大小：" + SizeText(entry->TotalSize()) +
            "</p>\n<p>创建时间：" + entry->day + "</p>\n";
    html += "<p><a href=\"magnet:?xt=urn:btih:" + entry->infoHash + "&amp;dn=" + UrlComponent(entry->title) +
            "\">磁力链接</a>";
    if (!entry->torrent.empty()) html += " | <a href=\"/down/" + entry->infoHash + ".torrent\">下载种子</a>";
    html += "</p>\n<ul class=\"files\">\n";
    for (const auto& file : entry->files) {
        html += "<li>" + HtmlEscape(file.name) + " <span>" + SizeText(file.size) + "</span></li>\n";
    }
    html += "</ul>\n</body>\n</html>\n";
    return Reply::Utf8Html(html);
}


}  // namespace lumo::sim
