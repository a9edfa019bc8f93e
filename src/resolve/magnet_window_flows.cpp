#include "resolve/magnet_window_flows.h"

#include <QPointer>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "resolve/file_list.h"
#include "resolve/off_gui_thread.h"
#include "resolve/size_text.h"
#include "resolve/ui_names.h"
#include "text/script_unescape.h"
#include "torrent/magnet_input.h"
#include "torrent/torrent_file.h"

namespace lumo::resolve {
namespace {

// MAGNETWIN list columns.
constexpr int kNameColumn = 1;
constexpr int kGigabyteColumn = 2;
constexpr int kSha1Column = 3;
constexpr int kIndexColumn = 4;
constexpr int kSizeColumn = 5;

// The whole file, or nothing when it cannot be read or is implausibly big.
std::optional<std::string> ReadTorrentBytes(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > MagnetWindowFlows::kMaxTorrentFileBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace

MagnetWindowFlows::MagnetWindowFlows(flow::FlowUi& ui, const ResolveEndpoints& endpoints,
                                     AvailabilityChecker& checker, QObject* parent)
    : QObject(parent), ui_(ui), endpoints_(endpoints), checker_(checker) {}

bool MagnetWindowFlows::ParseMagnetInput() {
    QPointer<flow::ListModel> list = ui_.List(kMagnetFileList);
    if (list.isNull()) return false;
    list->Clear();
    const uint64_t generation = list->Generation();
    const uint64_t serial = ++parseSerial_;

    const std::string infoHash = torrent::InfoHashFromInput(ui_.Text(kMagnetInputBox));
    const std::string prefix = endpoints_.FileListPrefix();
    QPointer<MagnetWindowFlows> self(this);
    const std::optional<std::string> answer =
        RunOffGuiThread([prefix, infoHash] { return FetchFileList(prefix, infoHash); });
    // Another parse or listing may have run while the request was out.
    if (self.isNull() || serial != parseSerial_ || list.isNull() || list->Generation() != generation) return false;

    const std::vector<FileEntry> entries = ParseFileList(answer.value_or(std::string()));
    ListFiles(*list, entries, 2, /*unescapeNames=*/true);
    if (entries.empty() || entries.front().index.empty()) {
        ui_.Inform("未能成功解析！", kDefaultTitle);
        return false;
    }
    listedList_ = list.data();
    listedGeneration_ = generation;
    listedHash_ = infoHash;
    checker_.StartAvailabilityChecks(*list, CheckedList::MagnetFiles);
    return true;
}

void MagnetWindowFlows::OpenTorrentFile(const std::filesystem::path& chosen) {
    if (chosen.empty()) return;
    std::string infoHash;
    if (std::optional<std::string> bytes = ReadTorrentBytes(chosen)) {
        torrent::TorrentFile file;
        file.Load(std::move(*bytes));
        infoHash = file.InfoHash();
    }
    if (infoHash.empty()) {
        ui_.SetText(kTopStatus, "解析种子失败");
        ui_.Inform("解析种子失败！", kDefaultTitle);
        return;
    }
    ui_.ShowWindow(flow::WindowCode::MAGNETWIN);
    ui_.SetText(kMagnetInputBox, infoHash);
    ParseMagnetInput();
}

void MagnetWindowFlows::ShowFileListWindow(const std::string& answer, int decimals, const std::string& infoHash) {
    const std::string text = text::ScriptUnescape(answer);
    ui_.ShowWindow(flow::WindowCode::MAGNETWIN);
    if (!ui_.IsWindowLoaded(flow::WindowCode::MAGNETWIN)) return;
    flow::ListModel* list = ui_.List(kMagnetFileList);
    if (list == nullptr) return;
    list->Clear();
    ListFiles(*list, ParseFileList(text), decimals, /*unescapeNames=*/false);
    listedList_ = list;
    listedGeneration_ = list->Generation();
    listedHash_ = infoHash;
    checker_.StartAvailabilityChecks(*list, CheckedList::MagnetFiles);
}

void MagnetWindowFlows::CopyMagnetLink() {
    const int tab = ui_.CurrentPage(kLibraryTabs);
    const char* listName = nullptr;
    int column = -1;
    switch (tab) {
        case 1: listName = kSearchList, column = 4; break;
        case 3: listName = kResourceList, column = 3; break;
        case 4: listName = kFavouriteList, column = 3; break;
        default: return;
    }
    const flow::ListModel* list = ui_.List(listName);
    const std::string value = list != nullptr ? list->SelectedCell(column) : std::string();
    // Without a row there is no link: the clipboard keeps what the user had
    // there, and the user learns why nothing was pasted.
    if (value.empty()) {
        ui_.Inform(kNothingCopied, kNoticeTitle);
        return;
    }
    if (std::optional<std::string> text = torrent::MagnetTextToCopy(tab, value)) ui_.SetClipboardText(*text);
}

std::string MagnetWindowFlows::ListedInfoHash() {
    const flow::ListModel* list = ui_.List(kMagnetFileList);
    if (list == nullptr || list != listedList_ || list->Generation() != listedGeneration_) return {};
    return listedHash_;
}

void MagnetWindowFlows::ListFiles(flow::ListModel& list, const std::vector<FileEntry>& entries, int decimals,
                                  bool unescapeNames) {
    for (const FileEntry& entry : entries) {
        std::vector<std::string> cells(static_cast<size_t>(std::max(list.ColumnCount(), kMagnetFileColumns)));
        cells[kNameColumn] = unescapeNames ? text::ScriptUnescape(entry.name) : entry.name;
        cells[kGigabyteColumn] = GigabyteText(entry.size, decimals);
        cells[kSha1Column] = entry.sha1;
        cells[kIndexColumn] = entry.index;
        cells[kSizeColumn] = entry.size;
        list.AppendRow(std::move(cells));
    }
}

}  // namespace lumo::resolve
