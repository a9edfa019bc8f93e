#include "cli/play_target.h"

#include <filesystem>
#include <system_error>

#include "cli/torrent_argument.h"
#include "torrent/magnet_input.h"

namespace lumo::cli {

PlayTarget ClassifyPlayTarget(const std::string& argument) {
    PlayTarget target;
    std::error_code error;
    if (std::filesystem::is_regular_file(argument, error)) {
        target.torrent = NamesTorrentFile(argument);
        target.text = target.torrent ? argument : std::filesystem::absolute(argument, error).string();
        return target;
    }
    if (argument.rfind("magnet:", 0) == 0 || IsInfoHash(torrent::InfoHashFromInput(argument)) ||
        NamesTorrentFile(argument)) {
        target.torrent = true;
        target.text = argument;
        return target;
    }
    if (argument.find("://") != std::string::npos) {
        target.text = argument;
        return target;
    }
    target.code = kBadInput;
    target.problem = "'" + argument + "' is neither a magnet link, an info-hash, a file nor an address";
    return target;
}

}  // namespace lumo::cli
