#include "resolve/play_flows.h"

#include "flow/list_model.h"
#include "resolve/ui_names.h"

namespace lumo::resolve {
namespace {

using flow::AvailabilityState;

// The look of the player view button while the player view is not shown.
constexpr uint32_t kViewButtonText = 0xC0C0C0;
constexpr uint32_t kViewButtonBackground = 0x535353;  // red, green and blue 83

constexpr const char* kNoLink = "没有可解析链接！";

// Where PlayFromList reads in the two torrent lists.
struct TorrentColumns {
    const char* name;
    int tested;  // the cell whose emptiness stops the flow
    int title;
    int infoHash;
    int sha1;
    int size;
    int wholeAnswer;
    const char* notPlayable;
    const char* checking;
};

constexpr TorrentColumns kSearchRow{kSearchList, 4, 2, 4, 6, 7, 8, "您没看见左边的×吗？", "您没看见左边的问号吗！"};
constexpr TorrentColumns kResourceRow{kResourceList, 2, 2, 3, 4, 7, 6, "你没看见左边的×吗？",
                                          "你没看见左边的问号吗？"};

}  // namespace

PlayFlows::PlayFlows(flow::AppState& state, flow::FlowUi& ui, Resolver& resolver, MagnetWindowFlows& magnet,
                     QObject* parent)
    : QObject(parent), state_(state), ui_(ui), resolver_(resolver), magnet_(magnet) {}

void PlayFlows::PlayFromList(TorrentList which, int decimals) {
    const TorrentColumns& c = which == TorrentList::Search ? kSearchRow : kResourceRow;
    flow::ListModel* list = ui_.List(c.name);
    if (list == nullptr || list->SelectedCell(c.tested).empty()) {
        ui_.SetText(kBottomStatus, kNoLink);
        return;
    }
    const int row = list->SelectedRow();
    const std::optional<AvailabilityState> state = list->State(row);
    if (!state) return;
    switch (*state) {
        case AvailabilityState::Playable:
            state_.currentSha1 = list->Cell(row, c.sha1);
            state_.currentSize = list->Cell(row, c.size);
            state_.currentTitle = list->Cell(row, c.title);
            // The resource list's link is the torrent's info-hash too; taking
            // it keeps the queue and the history from naming an older torrent.
            state_.currentInfoHash = list->Cell(row, c.infoHash);
            if (which == TorrentList::Search) ui_.SetText(kTopStatus, "正在获取云播地址...");
            resolver_.StartResolve();
            break;
        case AvailabilityState::NotPlayable: ui_.Inform(c.notPlayable, kNoticeTitle); break;
        case AvailabilityState::Checking: ui_.Inform(c.checking, kNoticeTitle); break;
        case AvailabilityState::SeveralFiles:
            magnet_.ShowFileListWindow(list->Cell(row, c.wholeAnswer), decimals, list->Cell(row, c.infoHash));
            break;
    }
}

void PlayFlows::PlayOnline() {
    ui_.SetText(kBottomStatus, "正在获取播放信息...");
    switch (ui_.CurrentPage(kLibraryTabs)) {
        case 1: PlayFromList(TorrentList::Search, 1); break;
        case 3: PlayFromList(TorrentList::Resource, 1); break;
        default: break;
    }
}

void PlayFlows::PlayFilmSource() {
    ui_.SetText(kTopStatus, "正在加载中...");
    flow::ListModel* list = ui_.List(kFilmSourceList);
    if (list == nullptr) return;
    const int row = list->SelectedRow();
    const std::optional<AvailabilityState> state = list->State(row);
    if (!state) return;
    switch (*state) {
        case AvailabilityState::Playable:
            state_.currentSize = list->Cell(row, 7);
            state_.currentSha1 = list->Cell(row, 6);
            state_.currentTitle = list->Cell(row, 2);
            state_.currentInfoHash = list->Cell(row, 9);
            resolver_.StartResolve();
            break;
        case AvailabilityState::NotPlayable: ui_.Inform("该片源无法播放！", kNoticeTitle, /*ownedByMain=*/false); break;
        case AvailabilityState::SeveralFiles:
            magnet_.ShowFileListWindow(list->Cell(row, 10), 1, list->Cell(row, 9));
            break;
        case AvailabilityState::Checking: break;
    }
}

void PlayFlows::PlayFile() {
    flow::ListModel* list = ui_.List(kMagnetFileList);
    if (list == nullptr) return;
    const int row = list->SelectedRow();
    if (list->State(row) != AvailabilityState::Playable) return;
    state_.currentSha1 = list->Cell(row, 3);
    state_.currentSize = list->Cell(row, 5);
    state_.currentTitle = list->Cell(row, 1);
    // The torrent the list shows, so the queue and history name it.
    state_.currentInfoHash = magnet_.ListedInfoHash();
    resolver_.StartResolve();
}

void PlayFlows::PlayQueueRow() {
    flow::ListModel* queue = ui_.List(kPlayQueueList);
    if (queue == nullptr || queue->SelectedCell(2).empty()) return;
    state_.currentInfoHash = queue->SelectedCell(5);
    state_.currentTitle = queue->SelectedCell(2);
    state_.currentSize = queue->SelectedCell(3);
    state_.currentSha1 = queue->SelectedCell(4);
    resolver_.StartResolve();
}

void PlayFlows::ParseFavourite() {
    flow::ListModel* list = ui_.List(kFavouriteList);
    const std::string link = list != nullptr ? list->SelectedCell(3) : std::string();
    if (link.empty()) {
        ui_.SetText(kBottomStatus, kNoLink);
        return;
    }
    ui_.ShowWindow(flow::WindowCode::MAGNETWIN);
    ui_.SetText(kMagnetInputBox, link);
    magnet_.ParseMagnetInput();
}

void PlayFlows::OpenExtraResourceRow() {
    flow::ListModel* list = ui_.List(kExtraResourceList);
    if (list == nullptr || list->SelectedCell(2).empty()) {
        ui_.SetText(kBottomStatus, kNoLink);
        return;
    }
    const std::string link = list->SelectedCell(3);
    ui_.ShowWindow(flow::WindowCode::MAGNETWIN);
    ui_.CloseWindow(flow::WindowCode::PLAYQUEUE);
    ui_.SetColours(kPlayerViewButton, kViewButtonText, kViewButtonBackground);
    // The row's link is parsed the way a favourite's is, so the window
    // shows the torrent the user picked.
    ui_.SetText(kMagnetInputBox, link);
    magnet_.ParseMagnetInput();
}

}  // namespace lumo::resolve
