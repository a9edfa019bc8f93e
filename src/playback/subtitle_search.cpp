#include "playback/subtitle_search.h"

#include <cctype>
#include <fstream>
#include <system_error>
#include <utility>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/gui_channel.h"
#include "flow/list_model.h"
#include "flow/worker_threads.h"
#include "net/http_request.h"
#include "playback/subtitle_controller.h"

namespace lumo::playback {

namespace {

// Every byte outside the unreserved set as %XX: a title may hold spaces
// and CJK text.
std::string QueryEncode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string HtmlUnescape(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : entities) {
        for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
            text.replace(at, std::char_traits<char>::length(entity), plain);
        }
    }
    return text;
}

bool StatusOk(const net::HttpResult& result) { return result.failure == 0 && result.status.rfind("200", 0) == 0; }

}  // namespace

SubtitleSearch::SubtitleSearch(flow::AppState& state, flow::FlowUi& ui, SubtitleController& subtitles,
                               std::string site, std::filesystem::path dataDirectory, QObject* parent)
    : QObject(parent),
      state_(state),
      ui_(ui),
      subtitles_(subtitles),
      site_(std::move(site)),
      dataDirectory_(std::move(dataDirectory)),
      channel_(flow::GuiChannel::Open(this)) {}

SubtitleSearch::~SubtitleSearch() { channel_->Close(); }

std::vector<SubtitleHit> SubtitleSearch::ParsePage(const std::string& html, const std::string& site) {
    std::vector<SubtitleHit> hits;
    size_t at = 0;
    while ((at = html.find("<li><a href=\"", at)) != std::string::npos) {
        at += 13;
        const size_t hrefEnd = html.find('"', at);
        const size_t nameStart = hrefEnd == std::string::npos ? hrefEnd : html.find('>', hrefEnd);
        const size_t nameEnd = nameStart == std::string::npos ? nameStart : html.find("</a>", nameStart);
        if (nameEnd == std::string::npos) break;
        SubtitleHit hit;
        std::string href = HtmlUnescape(html.substr(at, hrefEnd - at));
        hit.address = href.rfind("http", 0) == 0 ? href : site + (href.rfind('/', 0) == 0 ? "" : "/") + href;
        hit.name = HtmlUnescape(html.substr(nameStart + 1, nameEnd - nameStart - 1));
        const size_t tagStart = html.find('[', nameEnd);
        const size_t lineEnd = html.find("</li>", nameEnd);
        const size_t tagEnd = tagStart == std::string::npos ? tagStart : html.find(']', tagStart);
        if (tagEnd != std::string::npos && tagEnd < lineEnd) hit.tag = html.substr(tagStart + 1, tagEnd - tagStart - 1);
        hits.push_back(std::move(hit));
        at = nameEnd;
    }
    return hits;
}

bool SubtitleSearch::LooksLikeSubtitle(const std::string& bytes) {
    if (bytes.empty() || bytes.find('\0') != std::string::npos) return false;
    const std::string head = bytes.substr(0, 4096);
    if (head.find("<html") != std::string::npos || head.find("<!DOCTYPE") != std::string::npos) return false;
    return head.find("-->") != std::string::npos || head.find("[Script Info]") != std::string::npos ||
           head.find("Dialogue:") != std::string::npos || head.find("<SAMI>") != std::string::npos ||
           head.rfind("{", 0) == 0 || head.find("WEBVTT") != std::string::npos;
}

std::string SubtitleSearch::SafeFileName(const std::string& name) {
    std::string safe;
    for (char c : name) safe += (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 32) ? '_' : c;
    while (!safe.empty() && safe.front() == '.') safe.erase(safe.begin());
    if (safe.size() > 160) safe = safe.substr(safe.size() - 160);
    return safe.empty() ? "subtitle.srt" : safe;
}

void SubtitleSearch::Search() {
    flow::ListModel* list = ui_.List(kList);
    if (list == nullptr) return;
    list->Clear();
    hits_.clear();
    const uint64_t generation = list->Generation();
    const std::string term = !state_.subtitleSearchTerm.empty() ? state_.subtitleSearchTerm : state_.currentTitle;
    ui_.SetText(kStatus, "正在搜索字幕…");
    const std::string address = site_ + "/search?ad=1&q=" + QueryEncode(term);
    const std::string site = site_;
    auto channel = channel_;
    // The worker only hands `this` back through the channel, which runs the
    // call while this object lives and drops it after.
    const bool started = flow::WorkerThreads::Start([this, channel, address, site, generation] {
        net::HttpRequestArgs args;
        args.url = address;
        args.timeoutSeconds = 15;
        const net::HttpResult result = net::HttpRequest(args);
        const bool reached = StatusOk(result);
        std::vector<SubtitleHit> hits = reached ? ParsePage(result.pageText, site) : std::vector<SubtitleHit>{};
        channel->Post([this, generation, reached, hits = std::move(hits)]() mutable {
            ShowHits(generation, reached, std::move(hits));
        });
    });
    if (!started) ui_.SetText(kStatus, "字幕网站无法访问");
}

void SubtitleSearch::ShowHits(uint64_t generation, bool reached, std::vector<SubtitleHit> hits) {
    flow::ListModel* list = ui_.List(kList);
    if (list == nullptr || list->Generation() != generation) return;
    if (!reached) {
        ui_.SetText(kStatus, "字幕网站无法访问");
    } else if (hits.empty()) {
        ui_.SetText(kStatus, "没有找到字幕");
    } else {
        for (const SubtitleHit& hit : hits) list->AppendRow({hit.name, hit.tag});
        ui_.SetText(kStatus, "找到" + std::to_string(hits.size()) + "个字幕，双击载入");
    }
    hits_ = std::move(hits);
    emit Done();
}

void SubtitleSearch::Download(int row) {
    if (row < 0 || row >= static_cast<int>(hits_.size())) return;
    const SubtitleHit hit = hits_[static_cast<size_t>(row)];
    ui_.SetText(kStatus, "正在下载字幕…");
    const std::filesystem::path folder = dataDirectory_ / "subtitles";
    auto channel = channel_;
    const bool started = flow::WorkerThreads::Start([this, channel, hit, folder] {
        net::HttpRequestArgs args;
        args.url = hit.address;
        args.timeoutSeconds = 15;
        const net::HttpResult result = net::HttpRequest(args);
        std::string failure;
        std::string path;
        if (!StatusOk(result)) {
            failure = "字幕网站无法访问";
        } else if (!LooksLikeSubtitle(result.body)) {
            failure = "下载的文件不是字幕文件";
        } else {
            std::error_code error;
            std::filesystem::create_directories(folder, error);
            path = (folder / SafeFileName(hit.name)).string();
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(result.body.data(), static_cast<std::streamsize>(result.body.size()));
            if (!out.flush()) failure = "字幕无法保存";
        }
        channel->Post([this, path, name = hit.name, failure] { Loaded(path, name, failure); });
    });
    if (!started) ui_.SetText(kStatus, "字幕网站无法访问");
}

void SubtitleSearch::Loaded(const std::string& path, const std::string& name, const std::string& failure) {
    if (!failure.empty()) {
        ui_.SetText(kStatus, failure);
    } else {
        subtitles_.LoadFile(path);
        ui_.SetText(kStatus, "已载入字幕：" + name);
    }
    emit Done();
}

}  // namespace lumo::playback
