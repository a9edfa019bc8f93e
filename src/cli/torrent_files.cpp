#include "cli/torrent_files.h"

#include "cli/service_check.h"
#include "cli/session.h"
#include "cli/torrent_argument.h"
#include "flow/list_model.h"
#include "resolve/resolution.h"
#include "resolve/ui_names.h"

namespace lumo::cli {
namespace {

TorrentFiles Problem(ExitCode code, std::string problem) {
    TorrentFiles files;
    files.code = code;
    files.problem = std::move(problem);
    return files;
}

}  // namespace

TorrentFiles ListTorrentFiles(Session& session, const std::string& argument) {
    const TorrentLookup lookup = InfoHashOfArgument(argument);
    if (lookup.code != kDone) return Problem(lookup.code, lookup.problem);
    if (!session.ReadAddressList())
        return Problem(kServiceFailed, "the operators' address list could not be read from " +
                                           session.Hosts().WebsiteAddress());

    TerminalUi& ui = session.Ui();
    resolve::Resolution& resolution = session.Resolution();
    ui.ShowWindow(flow::WindowCode::MAGNETWIN);
    ui.SetText(resolve::kMagnetInputBox, lookup.infoHash);
    const bool listed = resolution.Magnet().ParseMagnetInput();
    flow::ListModel* list = ui.List(resolve::kMagnetFileList);
    if (!listed || list == nullptr) {
        if (list != nullptr && list->RowCount() > 0)
            return Problem(kNothingFound, "the file list of " + lookup.infoHash + " names no file by its index");
        const std::string address = resolution.Endpoints().FileListPrefix() + lookup.infoHash;
        if (!ServiceAnswers(address)) return Problem(kServiceFailed, "the file-list service did not answer");
        return Problem(kNothingFound, "the file-list service knows no torrent " + lookup.infoHash);
    }
    TorrentFiles files;
    files.infoHash = lookup.infoHash;
    files.list = list;
    return files;
}

int ChooseFileRow(const flow::ListModel& list, const std::optional<std::string>& index, std::string* problem) {
    if (!index) {
        if (list.RowCount() == 1) return 0;
        *problem = "the torrent holds " + std::to_string(list.RowCount()) +
                   " files: name one by its index (lumo-cli files lists them)";
        return -1;
    }
    for (int row = 0; row < list.RowCount(); ++row)
        if (list.Cell(row, kFileIndexColumn) == *index) return row;
    *problem = "the torrent has no file with the index " + *index + " (lumo-cli files lists them)";
    return -1;
}

}  // namespace lumo::cli
