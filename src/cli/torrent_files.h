#pragma once

#include <optional>
#include <string>

#include "cli/exit_code.h"

namespace lumo::flow {
class ListModel;
}

namespace lumo::cli {

class Session;

// MAGNETWIN's columns as the magnet window's parse fills them.
inline constexpr int kFileNameColumn = 1;
inline constexpr int kFileGigabyteColumn = 2;
inline constexpr int kFileSha1Column = 3;
inline constexpr int kFileIndexColumn = 4;
inline constexpr int kFileSizeColumn = 5;

// The files of the torrent a MAGNET|HASH|FILE.torrent argument names, listed
// the way the magnet window lists them (its parse runs on the terminal's
// window side and starts the files' availability checks).
struct TorrentFiles {
    ExitCode code = kDone;
    std::string problem;  // for the user, when code is not kDone
    std::string infoHash;
    flow::ListModel* list = nullptr;  // MAGNETWIN's file list, when code is kDone
};

TorrentFiles ListTorrentFiles(Session& session, const std::string& argument);

// The row of the file with the torrent index `index` (as `files` shows it),
// or the only file when no index is given; -1 with *problem otherwise.
int ChooseFileRow(const flow::ListModel& list, const std::optional<std::string>& index, std::string* problem);

}  // namespace lumo::cli
