#pragma once

#include <string>

#include "cli/exit_code.h"

namespace lumo::cli {

// What play was given: a torrent (a magnet link, an info-hash or a .torrent
// file) to resolve, or a media file or address to open as it is.
struct PlayTarget {
    bool torrent = false;
    std::string text;  // the torrent argument, or the address or absolute path to open
    ExitCode code = kDone;
    std::string problem;  // for the user, when code is not kDone
};

PlayTarget ClassifyPlayTarget(const std::string& argument);

}  // namespace lumo::cli
