#include "resolve/resolver.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "flow/list_model.h"
#include "flow/worker_threads.h"
#include "resolve/cache_path.h"
#include "resolve/ui_names.h"
#include "store/data_directory.h"
#include "store/history.h"
#include "store/ini_file.h"

namespace lumo::resolve {
namespace {

constexpr int kEngineCookieConfig = 1105;
constexpr int kEngineCacheConfig = 2201;

// Play-queue columns.
constexpr int kQueueMark = 1;
constexpr int kQueueTitle = 2;
constexpr int kQueueSize = 3;
constexpr int kQueueSha1 = 4;
constexpr int kQueueHash = 5;

std::string TrimSpaces(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

Resolver::Resolver(flow::AppState& state, flow::FlowUi& ui, const ResolveEndpoints& endpoints, QObject* parent)
    : QObject(parent), state_(state), ui_(ui), endpoints_(endpoints), channel_(flow::GuiChannel::Open(this)) {}

Resolver::~Resolver() {
    channel_->Close();
    if (cancelled_) cancelled_->store(true);
}

void Resolver::StartResolve() {
    if (cancelled_) cancelled_->store(true);
    const uint64_t serial = ++serial_;
    cancelled_ = std::make_shared<std::atomic<bool>>(false);
    resolving_ = true;

    const PlayRequest request{state_.currentSha1, state_.currentSize, state_.currentTitle, state_.currentInfoHash};
    ResolveJob job;
    job.sha1 = request.sha1;
    job.size = request.size;
    job.offlineHost = endpoints_.OfflineHost();
    for (int line = 1; line <= kHostLinesTried; ++line) job.hostLines.push_back(endpoints_.HostLine(line));

    ui_.SetVisible(kPlayLoading, true);
    ui_.SetText(kTopStatus, "正在获取播放地址...");

    const std::shared_ptr<std::atomic<bool>> cancelled = cancelled_;
    const std::shared_ptr<flow::GuiChannel> channel = channel_;
    QThread* worker = flow::WorkerThreads::StartQThread([this, serial, request, job, cancelled, channel] {
        const ResolveOutcome outcome = FindPlayAddress(job, [cancelled] { return cancelled->load(); });
        if (outcome.end == ResolveEnd::Cancelled) return;
        channel->Post([this, serial, request, outcome] { Finish(serial, request, outcome); });
    });
    state_.resolveWorker = worker;
    if (worker == nullptr) {
        // No thread to run it on: end the way an unreachable service does.
        ResolveOutcome outcome;
        outcome.end = ResolveEnd::NoHost;
        Finish(serial, request, outcome);
    }
}

void Resolver::Finish(uint64_t serial, const PlayRequest& request, const ResolveOutcome& outcome) {
    if (serial != serial_ || cancelled_->load()) return;
    resolving_ = false;
    switch (outcome.end) {
        // Nothing will be opened, so no engine state would ever take the
        // play-area loading panel away: it goes on both failure ends.
        case ResolveEnd::Unplayable:
            ui_.SetVisible(kPlayLoading, false);
            ui_.SetText(kTopStatus, "暂时无法播放此内容...");
            ui_.Inform("暂时无法播放", kDefaultTitle);
            break;
        case ResolveEnd::NoHost:
            playUrl_ = outcome.playUrl;
            ui_.SetVisible(kPlayLoading, false);
            ui_.SetText(kTopStatus, "获取云播地址失败..");
            ui_.SetVisible(kListLoading, false);
            ui_.Inform("获取云播放地址失败,请换一个啦！", kNoticeTitle);
            break;
        case ResolveEnd::Found:
            Open(request, outcome);
            break;
        case ResolveEnd::Cancelled:
            return;
    }
    // A message box may have let a newer resolve start meanwhile.
    if (serial == serial_) emit ResolveEnded(outcome.end);
}

void Resolver::Open(const PlayRequest& request, const ResolveOutcome& outcome) {
    ui_.SetText(kTopStatus, "");
    playUrl_ = outcome.playUrl;
    downloadHost_ = endpoints_.HostLine(outcome.line);

    player::PlayerEngine& engine = state_.player;
    engine.SetConfigA(kEngineCookieConfig, EngineCookieText(outcome.cookie));
    if (ui_.IsChecked(kCacheCheckBox)) {
        std::error_code ignored;
        std::filesystem::create_directories(store::CacheDirectory(), ignored);
        state_.cacheProgressText = "0";
        engine.SetConfigA(kEngineCacheConfig, CachePath(request.title, request.sha1).string());
    }
    engine.OpenA(playUrl_);
    RecordInQueue(request);
}

void Resolver::RecordInQueue(const PlayRequest& request) {
    flow::ListModel* queue = ui_.List(kPlayQueueList);
    if (queue == nullptr) return;

    int found = -1;
    for (int row = 0; row < queue->RowCount() && found < 0; ++row)
        if (queue->Cell(row, kQueueSha1) == request.sha1) found = row;
    for (int row = 0; row < queue->RowCount(); ++row)
        if (!queue->Cell(row, kQueueMark).empty()) queue->SetCell(row, kQueueMark, "");
    if (found >= 0) {
        // Already played once: only the mark moves, nothing is recorded.
        queue->SetCell(found, kQueueMark, "√");
        queue->ScrollTo(found);
        return;
    }

    const std::string title = TrimSpaces(request.title);
    state_.currentTitle = title;
    std::vector<std::string> cells(static_cast<size_t>(std::max(queue->ColumnCount(), kPlayQueueColumns)));
    cells[kQueueMark] = "√";
    cells[kQueueTitle] = title;
    cells[kQueueSize] = request.size;
    cells[kQueueSha1] = request.sha1;
    cells[kQueueHash] = request.infoHash;
    const int row = queue->AppendRow(std::move(cells));
    queue->ScrollTo(row);

    std::vector<store::HistoryRow> rows;
    rows.reserve(static_cast<size_t>(queue->RowCount()));
    for (int r = 0; r < queue->RowCount(); ++r) {
        rows.push_back({queue->Cell(r, kQueueTitle), queue->Cell(r, kQueueSize), queue->Cell(r, kQueueSha1),
                        queue->Cell(r, kQueueHash)});
    }
    store::SaveHistory(store::IniFile(store::HistoryIniPath()), rows);
}

}  // namespace lumo::resolve
