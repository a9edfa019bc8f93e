#pragma once

#include <QObject>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "flow/flow_ui.h"
#include "resolve/availability_checker.h"
#include "resolve/file_entry.h"
#include "resolve/resolve_endpoints.h"

namespace lumo::resolve {

// The ways into MAGNETWIN's file list: a magnet link or info-hash typed
// into its box, a .torrent file, a torrent with several files from one of
// the lists; and the copying of a list entry's magnet link.
//
// The list remembers which torrent it shows, so that a file played from it
// is recorded (play queue, history, favourites) under that torrent.
class MagnetWindowFlows : public QObject {
    Q_OBJECT
public:
    // Files larger than this are not torrents anyone makes; they are refused
    // before being read whole.
    static constexpr std::uintmax_t kMaxTorrentFileBytes = 64u * 1024 * 1024;

    // The references must outlive this object.
    MagnetWindowFlows(flow::FlowUi& ui, const ResolveEndpoints& endpoints, AvailabilityChecker& checker,
                      QObject* parent = nullptr);

    // The "解析" button: cancels the list's checks and empties it, asks the
    // file-list service for the info-hash in the box, lists the files and
    // starts their checks, or says "未能成功解析！". The request runs on a
    // worker while the GUI keeps handling events; a parse or listing that
    // started meanwhile wins and this one changes nothing more. True when
    // the files were listed and their checks started.
    bool ParseMagnetInput();

    // "打开种子" with the file the user chose (an empty path: the dialog was
    // cancelled). The torrent's info-hash goes into the box and is parsed;
    // a file without one gives "解析种子失败".
    void OpenTorrentFile(const std::filesystem::path& chosen);

    // Lists the files of a torrent with several files (its raw file-list
    // answer) in MAGNETWIN, sizes rounded to `decimals`, and starts their
    // checks. The box keeps its text.
    void ShowFileListWindow(const std::string& answer, int decimals, const std::string& infoHash);

    // "复制磁力链接" of the main window's list menu.
    void CopyMagnetLink();

    // The info-hash of the torrent MAGNETWIN's list shows now; empty when it
    // was filled some other way or has been emptied since.
    std::string ListedInfoHash();

private:
    void ListFiles(flow::ListModel& list, const std::vector<FileEntry>& entries, int decimals, bool unescapeNames);

    flow::FlowUi& ui_;
    const ResolveEndpoints& endpoints_;
    AvailabilityChecker& checker_;
    uint64_t parseSerial_ = 0;
    std::string listedHash_;
    uint64_t listedGeneration_ = 0;
    const flow::ListModel* listedList_ = nullptr;
};

}  // namespace lumo::resolve
