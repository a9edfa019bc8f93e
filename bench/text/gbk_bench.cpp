// Decodes a generated 1 MB GBK result page to UTF-8 with GbkToUtf8 and, as
// the peer in the same run, with one plain iconv call per page into a reused
// buffer (no recovery from bad bytes, which the page has none of); then the same for the way
// back, Utf8ToGbk against plain iconv. Prints throughputs and ratios, and the
// one-time cost of building the tables.
//
// Usage: bench_gbk [megabytes]   (default 1)
#include <iconv.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include "text/charset.h"
#include "text/gbk_decoder.h"
#include "text/gbk_encoder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const char* const kWords[] = {"流浪", "地球", "霸王", "别姬", "无间道", "功夫", "英雄", "卧虎藏龙",
                              "大话西游", "阳光灿烂的日子", "让子弹飞", "疯狂的石头", "1080p",
                              "BluRay", "国语中字", "x264", "AAC", "高清", "合集", "第一季",
                              "€", "－", "《", "》", "【", "】"};

// A page in the shape pages without a declared charset come in: ASCII
// markup around Chinese titles, file names and labels.
std::string MakeUtf8Page(size_t targetBytes) {
    std::mt19937 rng(936);
    const auto word = [&] { return std::string(kWords[rng() % (sizeof kWords / sizeof *kWords)]); };
    std::string page =
        "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>搜索结果 - 磁力搜索</title>\r\n"
        "<link rel=\"stylesheet\" href=\"/static/css/main.css?v=20190101\">\r\n</head>\r\n<body>\r\n"
        "<div class=\"top-bar\"><a href=\"/\">首页</a> | <a href=\"/new.html\">最新</a></div>\r\n";
    while (page.size() < targetBytes) {
        std::string title;
        for (int w = 0, words = 2 + static_cast<int>(rng() % 5); w < words; ++w)
            title += (w ? "." : "") + word();
        page += "<div class=\"search-item\">\r\n  <h3><a href=\"/torrent/" + std::to_string(rng()) +
                ".html\" target=\"_blank\">" + title + ".mkv</a></h3>\r\n  <ul>\r\n";
        for (int f = 0, files = 1 + static_cast<int>(rng() % 4); f < files; ++f)
            page += "    <li>" + word() + "_" + std::to_string(f) + ".mkv <span>" +
                    std::to_string(rng() % 999) + " MB</span></li>\r\n";
        page += "  </ul>\r\n  <span>创建时间：<b>2019-0" + std::to_string(1 + rng() % 9) +
                "-1" + std::to_string(rng() % 10) + "</b></span> <span>文件大小：<b>" +
                std::to_string(rng() % 100) + " GB</b></span> <span>下载热度：<b>" +
                std::to_string(rng() % 5000) + "</b></span>\r\n</div>\r\n";
    }
    return page + "</body>\r\n</html>\r\n";
}

// The peer: one iconv call over the whole page into a buffer allocated once
// and reused, the least a caller of iconv can do. GbkToUtf8 returns a new
// string each time, so the peer is spared the allocation GbkToUtf8 pays for.
class PlainIconv {
public:
    PlainIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~PlainIconv() { iconv_close(cd_); }
    std::string_view Convert(const std::string& input) {
        if (buffer_.size() < input.size() * 2 + 16) buffer_.assign(input.size() * 2 + 16, '\0');
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char* out = buffer_.data();
        size_t outLeft = buffer_.size();
        if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) return {};
        return std::string_view(buffer_.data(), buffer_.size() - outLeft);
    }

private:
    iconv_t cd_;
    std::string buffer_;
};

template <typename F>
double SecondsPerRun(F&& run, double minSeconds, int& runs) {
    runs = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        run();
        ++runs;
        elapsed = Since(start);
    } while (elapsed < minSeconds);
    return elapsed / runs;
}

void Report(const char* ours, const char* peer, double pageMb, double oursSeconds, int oursRuns,
            double peerSeconds, int peerRuns, bool same) {
    std::printf("  %-16s %8.3f ms per page (%5d runs), %8.1f MB/s\n", ours, oursSeconds * 1e3,
                oursRuns, pageMb / oursSeconds);
    std::printf("  %-16s %8.3f ms per page (%5d runs), %8.1f MB/s\n", peer, peerSeconds * 1e3,
                peerRuns, pageMb / peerSeconds);
    std::printf("  ratio: %s is %.1fx as fast as %s; outputs %s\n", ours, peerSeconds / oursSeconds,
                peer, same ? "the same" : "DIFFERENT");
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 1.0;
    const size_t target = static_cast<size_t>(megabytes * 1024 * 1024);

    auto start = Clock::now();
    const bool decoderBuilt = lumo::text::GbkDecoder::Get() != nullptr;
    const double decoderBuild = Since(start);
    start = Clock::now();
    const bool encoderBuilt = lumo::text::GbkEncoder::Get() != nullptr;
    const double encoderBuild = Since(start);
    std::printf("tables built on first use: decoder %.2f ms%s, encoder %.2f ms%s\n",
                decoderBuild * 1e3, decoderBuilt ? "" : " (UNAVAILABLE)", encoderBuild * 1e3,
                encoderBuilt ? "" : " (UNAVAILABLE)");

    const std::string utf8Page = MakeUtf8Page(target);
    std::string gbkPage = lumo::text::Utf8ToGbk(utf8Page);
    gbkPage.resize(target, ' ');
    const std::string utf8Exact = lumo::text::GbkToUtf8(gbkPage);
    size_t wide = 0;
    for (const char c : gbkPage) wide += static_cast<unsigned char>(c) >= 0x80;
    const double gbkMb = static_cast<double>(gbkPage.size()) / (1024.0 * 1024.0);
    const double utf8Mb = static_cast<double>(utf8Exact.size()) / (1024.0 * 1024.0);
    std::printf("GBK page: %.2f MB, %.0f%% of its bytes in two-byte characters\n", gbkMb,
                100.0 * static_cast<double>(wide) / static_cast<double>(gbkPage.size()));

    PlainIconv fromGbk("UTF-8", "CP936");
    PlainIconv toGbk("CP936", "UTF-8");
    std::string ours;
    std::string_view peer;
    int oursRuns = 0, peerRuns = 0;

    std::printf("GBK to UTF-8 (MB of GBK input):\n");
    double oursSeconds = SecondsPerRun([&] { ours = lumo::text::GbkToUtf8(gbkPage); }, 1.5, oursRuns);
    double peerSeconds = SecondsPerRun([&] { peer = fromGbk.Convert(gbkPage); }, 1.5, peerRuns);
    const bool decodeSame = ours == peer;
    Report("GbkToUtf8", "plain iconv", gbkMb, oursSeconds, oursRuns, peerSeconds, peerRuns, decodeSame);

    std::printf("UTF-8 to GBK (MB of UTF-8 input):\n");
    oursSeconds = SecondsPerRun([&] { ours = lumo::text::Utf8ToGbk(utf8Exact); }, 1.5, oursRuns);
    peerSeconds = SecondsPerRun([&] { peer = toGbk.Convert(utf8Exact); }, 1.5, peerRuns);
    const bool encodeSame = ours == peer && ours == gbkPage;
    Report("Utf8ToGbk", "plain iconv", utf8Mb, oursSeconds, oursRuns, peerSeconds, peerRuns, encodeSame);

    return decoderBuilt && encoderBuilt && decodeSame && encodeSame ? 0 : 1;
}
