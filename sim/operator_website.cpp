#include "sim/operator_website.h"

#include <algorithm>

#include "sim/html_escape.h"
#include "sim/sim_context.h"

namespace lumo::sim {
namespace {

const char* kGbkHead =
    "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\r\n";

std::string Utf8Head(const std::string& title) {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
           "</title>\n<style>body{font-family:sans-serif;background:#1e2430;color:#ddd}"
           "a{color:#9cf}.card{display:inline-block;width:150px;margin:6px;vertical-align:top}"
           "</style>\n</head>\n<body>\n";
}

}  // namespace

std::string OperatorWebsite::Announcement() {
    return "欢迎使用Lumo云播1.6！\r\n双击列表中的影片即可在线播放，左侧出现×的片源暂时无法播放。\r\n"
           "遇到问题请到论坛反馈，我们会尽快处理。";
}

std::vector<OperatorWebsite::AddressValue> OperatorWebsite::AddressList(const SimContext& context) {
    const std::string forum = context.BaseAddress(Service::Forum);
    const std::string website = context.BaseAddress(Service::Website);
    const std::string words = context.BaseAddress(Service::Words);
    auto same = [](std::string key, std::string value) {
        return AddressValue{key, "]~" + key, key + "~[", std::move(value)};
    };
    return {
        {"zhuludizi", "]~zhuludizi", "zhudizi~[", context.HostPort(Service::Forum)},
        same("zhucedizi", forum + "/member.php?mod=register"),
        same("kaitongVIPdizi", forum + "/vip.php"),
        same("genxindiz", website + "/download.htm"),
        same("ziyuanVIP", forum + "/vip.php?tab=resources"),
        same("gjzdizi", words + "/gjz.htm"),
        {"fanhaodizi", "]~fanhaodizi", "fanhaodiz~[", words + "/fanhao.htm"},
        same("jkdz2", context.BaseAddress(Service::FileList) + "/filelist.php?hash="),
        same("dydz", website + "/dy.htm"),
        same("DSJDZ", website + "/dsj.htm"),
        same("TJDZ", website + "/tj.htm"),
        same("QTDZ", website + "/qt.htm"),
        same("yfhydz", forum + "/vip.php?plan=month"),
        same("nfhydz", forum + "/vip.php?plan=year"),
        same("yjhydz", forum + "/vip.php?plan=forever"),
        same("gonggdz", Announcement()),
    };
}

Reply OperatorWebsite::Handle(const SiteRequest& request) const {
    const std::string& path = request.path;
    if (path == "/dizihuoqu.htm") return AddressListPage();
    if (path == "/" || path == "/index.htm" || path == "/index.html") return HomePage();
    if (path == "/download.htm") return DownloadPage();
    if (path == "/tj.htm" || path == "/dy.htm" || path == "/dsj.htm" || path == "/qt.htm") {
        return ChannelPage(path.substr(1, path.size() - 5));
    }
    return Reply::Error(404);
}

Reply OperatorWebsite::AddressListPage() const {
    std::string page = kGbkHead;
    page += "<title>Lumo云播 地址获取</title>\r\n</head>\r\n<body>\r\n";
    for (const auto& item : AddressList(context_)) {
        page += item.beginMarker + item.value + item.endMarker + "<br />\r\n";
    }
    page += "</body>\r\n</html>\r\n";
    return Reply::GbkHtml(page, false);
}

Reply OperatorWebsite::HomePage() const {
    std::string page = Utf8Head("Lumo云播官网");
    page += "<h1>Lumo云播</h1>\n<p>边下边播，秒开磁力链接。当前版本 1.6。</p>\n";
    page += "<p><a href=\"/download.htm\">下载最新版</a> | <a href=\"" + context_.BaseAddress(Service::Forum) +
            "/forum.php\">论坛</a></p>\n</body>\n</html>\n";
    return Reply::Utf8Html(page);
}

Reply OperatorWebsite::DownloadPage() const {
    std::string page = Utf8Head("Lumo云播下载");
    page += "<h1>下载 Lumo云播</h1>\n<ul>\n<li>Lumo云播 1.7（推荐）</li>\n<li>Lumo云播 1.6</li>\n</ul>\n";
    page += "<p>安装包正在整理中，请稍后再来。</p>\n</body>\n</html>\n";
    return Reply::Utf8Html(page);
}

Reply OperatorWebsite::ChannelPage(const std::string& channel) const {
    const Catalogue& catalogue = context_.catalogue();
    const std::string films = context_.BaseAddress(Service::Films);
    const std::string search = context_.BaseAddress(Service::Search);
    std::string heading;
    std::string body;
    auto filmCard = [&](const Film& film) {
        body += "<div class=\"card\"><a href=\"" + films + "/subject/" + std::to_string(film.id) +
                ".html\"><img src=\"" + films + "/poster/" + std::to_string(film.id) +
                ".png\" width=\"138\" height=\"180\" alt=\"\"><br>" + HtmlEscape(film.DisplayTitle()) +
                "</a><br>" + std::to_string(film.year) + " · " + HtmlEscape(film.region) + "</div>\n";
    };
    auto entryLine = [&](const CatalogueEntry& entry) {
        body += "<li><a href=\"" + search + "/torrent/" + entry.infoHash + ".html\">" + HtmlEscape(entry.title) +
                "</a> " + SizeText(entry.TotalSize()) + " <a class=\"magnet\" href=\"magnet:?xt=urn:btih:" +
                entry.infoHash + "\">磁力链接</a></li>\n";
    };
    if (channel == "tj" || channel == "dy") {
        heading = channel == "tj" ? "最新大片" : "电影";
        std::vector<const Film*> list;
        for (const auto& film : catalogue.films()) list.push_back(&film);
        if (channel == "tj") {
            std::stable_sort(list.begin(), list.end(), [](const Film* a, const Film* b) { return a->year > b->year; });
            list.resize(std::min<size_t>(list.size(), 12));
        }
        for (const Film* film : list) filmCard(*film);
    } else {
        heading = channel == "dsj" ? "电视剧" : "其他";
        body += "<ul>\n";
        for (const auto& entry : catalogue.entries()) {
            if (entry.film >= 0) continue;
            const bool series = entry.title.find("集") != std::string::npos;
            if (series == (channel == "dsj")) entryLine(entry);
        }
        body += "</ul>\n";
    }
    return Reply::Utf8Html(Utf8Head(heading + " - Lumo云播") + "<h2>" + heading + "</h2>\n" + body +
                           "</body>\n</html>\n");
}

}  // namespace lumo::sim
