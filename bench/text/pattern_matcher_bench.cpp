// Extracts titles, keys and sizes from a generated 2 MB torrent search result
// page with PatternMatcher and, as the peer in the same run, with std::regex,
// and prints the throughput of both and their ratio.
//
// Usage: bench_pattern_matcher [megabytes]   (default 2)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "text/pattern_matcher.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kWords[] = {"流浪", "地球", "霸王", "别姬", "无间道", "功夫", "英雄", "卧虎藏龙",
                              "大话西游", "阳光灿烂的日子", "让子弹飞", "疯狂的石头", "1080p",
                              "BluRay", "国语中字", "x264", "AAC", "高清", "合集", "第一季"};
const char* const kUnits[] = {"MB", "GB"};

std::string HexKey(std::mt19937& rng) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string key;
    for (int i = 0; i < 40; ++i) key.push_back(kHex[rng() % 16]);
    return key;
}

std::string Title(std::mt19937& rng) {
    std::string title;
    const int words = 2 + static_cast<int>(rng() % 5);
    const int marked = static_cast<int>(rng() % static_cast<unsigned>(words));
    for (int w = 0; w < words; ++w) {
        const std::string word = kWords[rng() % (sizeof kWords / sizeof *kWords)];
        if (w) title += rng() % 2 ? "." : " ";
        title += w == marked ? "<em>" + word + "</em>" : word;
    }
    return title + (rng() % 2 ? ".mkv" : ".mp4");
}

// A result page in the shape of the torrent search site: a head with styles
// and scripts, then items with a title link, a file list, and a bar with
// dates, size and heat, separated by CR LF lines.
std::string MakePage(size_t targetBytes, int& items) {
    std::mt19937 rng(20240611);
    std::string page =
        "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
        "<title>搜索结果 - 磁力搜索</title>\r\n"
        "<link rel=\"stylesheet\" href=\"/static/css/main.css?v=20190101\">\r\n"
        "<script type=\"text/javascript\">var _hmt = _hmt || []; (function() { var hm = "
        "document.createElement(\"script\"); hm.src = \"/static/js/a.js\"; })();</script>\r\n"
        "</head>\r\n<body>\r\n<div class=\"top-bar\"><a href=\"/\">首页</a> | "
        "<a href=\"/new.html\">最新</a> | <a href=\"/hot.html\">热门</a></div>\r\n"
        "<div class=\"search-statu\"><span>大约 1,234 条结果</span></div>\r\n"
        "<div class=\"search-content\">\r\n";
    items = 0;
    while (page.size() < targetBytes) {
        ++items;
        const std::string key = HexKey(rng);
        page += "<div class=\"search-item\">\r\n  <div class=\"item-title\">\r\n    <h3>"
                "<a href=\"/torrent/" + key + ".html\" target=\"_blank\">" + Title(rng) +
                "</a></h3>\r\n  </div>\r\n  <div class=\"item-list\">\r\n    <ul>\r\n";
        const int files = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < files; ++f) {
            page += "      <li>" + std::string(kWords[rng() % 20]) + "_" + std::to_string(f) +
                    ".mkv <span class=\"lightColor\">" + std::to_string(rng() % 999) + "." +
                    std::to_string(rng() % 10) + " MB</span></li>\r\n";
        }
        page += "    </ul>\r\n  </div>\r\n  <div class=\"item-bar\">\r\n"
                "    <span class=\"cpill fileType1\">视频</span>\r\n"
                "    <span>创建时间：<b>2019-0" + std::to_string(1 + rng() % 9) + "-1" +
                std::to_string(rng() % 10) + "</b></span>\r\n"
                "    <span>文件大小：<b class=\"cpill yellow-pill\">" +
                std::to_string(rng() % 100) + "." + std::to_string(rng() % 100) + " " +
                kUnits[rng() % 2] + "</b></span>\r\n"
                "    <span>下载热度：<b>" + std::to_string(rng() % 5000) + "</b></span>\r\n"
                "    <a class=\"download\" href=\"magnet:?xt=urn:btih:" + key +
                "\">磁力链接</a>\r\n  </div>\r\n</div>\r\n";
    }
    page += "</div>\r\n<div class=\"bottom-pager\"><a href=\"/q/x_rel_2.html\">下一页</a>"
            "</div>\r\n</body>\r\n</html>\r\n";
    return page;
}

struct Extracted {
    std::vector<std::string> keys, titles, sizes;
};

Extracted WithPatternMatcher(const std::string& page) {
    Extracted out;
    lumo::text::PatternMatcher links;
    lumo::text::PatternMatcher sizes;
    links.Search("href=#引号/torrent/(.*?).html#引号 target=#引号_blank#引号>(.*?)</a>", page,
                 false, true, true, true);
    sizes.Search("文件大小：<b .*?>(.*?)</b>", page, false, true, true, true);
    for (int i = 1; i <= links.MatchCount(); ++i) {
        out.keys.push_back(links.SubMatchText(i, 1));
        out.titles.push_back(links.SubMatchText(i, 2));
    }
    for (int i = 1; i <= sizes.MatchCount(); ++i) out.sizes.push_back(sizes.SubMatchText(i, 1));
    return out;
}

Extracted WithStdRegex(const std::string& page) {
    // std::regex has no "dot excludes CR" mode, so the dots are spelled out.
    static const std::regex links(
        "href=\"/torrent/([^\\r\\n]*?)[^\\r\\n]html\" target=\"_blank\">([^\\r\\n]*?)</a>",
        std::regex::ECMAScript | std::regex::icase);
    static const std::regex sizes("文件大小：<b [^\\r\\n]*?>([^\\r\\n]*?)</b>",
                                  std::regex::ECMAScript | std::regex::icase);
    Extracted out;
    for (std::sregex_iterator it(page.begin(), page.end(), links), end; it != end; ++it) {
        out.keys.push_back((*it)[1].str());
        out.titles.push_back((*it)[2].str());
    }
    for (std::sregex_iterator it(page.begin(), page.end(), sizes), end; it != end; ++it)
        out.sizes.push_back((*it)[1].str());
    return out;
}

template <typename F>
double SecondsPerRun(F&& run, double minSeconds, int& runs) {
    runs = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        run();
        ++runs;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < minSeconds);
    return elapsed / runs;
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 2.0;
    int items = 0;
    const std::string page = MakePage(static_cast<size_t>(megabytes * 1024 * 1024), items);
    const double pageMb = static_cast<double>(page.size()) / (1024.0 * 1024.0);
    std::printf("page: %.2f MB, %d items\n", pageMb, items);

    Extracted fast, slow;
    int fastRuns = 0, slowRuns = 0;
    const double fastSeconds = SecondsPerRun([&] { fast = WithPatternMatcher(page); }, 2.0, fastRuns);
    const double slowSeconds = SecondsPerRun([&] { slow = WithStdRegex(page); }, 2.0, slowRuns);

    std::printf("PatternMatcher: %8.2f ms per page (%d runs), %9.1f MB/s, %zu links, %zu sizes\n",
                fastSeconds * 1e3, fastRuns, pageMb / fastSeconds, fast.titles.size(),
                fast.sizes.size());
    std::printf("std::regex:     %8.2f ms per page (%d runs), %9.1f MB/s, %zu links, %zu sizes\n",
                slowSeconds * 1e3, slowRuns, pageMb / slowSeconds, slow.titles.size(),
                slow.sizes.size());
    std::printf("ratio: PatternMatcher is %.1fx faster than std::regex (goal: at least 20x)\n",
                slowSeconds / fastSeconds);

    const bool sameCounts = fast.titles.size() == slow.titles.size() &&
                            fast.sizes.size() == slow.sizes.size() &&
                            fast.titles.size() == static_cast<size_t>(items) &&
                            fast.sizes.size() == static_cast<size_t>(items);
    const bool sameTexts =
        fast.keys == slow.keys && fast.titles == slow.titles && fast.sizes == slow.sizes;
    std::printf("matches: %s counts, %s texts\n", sameCounts ? "same" : "DIFFERENT",
                sameTexts ? "same" : "DIFFERENT");
    return sameCounts && sameTexts ? 0 : 1;
}
