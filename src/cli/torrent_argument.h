#pragma once

#include <string>
#include <string_view>

#include "cli/exit_code.h"

namespace lumo::cli {

// Whether the text is an info-hash the services can be asked about: exactly
// 40 hexadecimal digits, either case.
bool IsInfoHash(std::string_view text);

// Whether a path names a .torrent file by its extension (any case).
bool NamesTorrentFile(std::string_view path);

// What a torrent argument came to: its info-hash, or why there is none.
struct TorrentLookup {
    std::string infoHash;
    ExitCode code = kDone;
    std::string problem;  // for the user, when code is not kDone
};

// The info-hash of a .torrent file: 40 upper-case digits.
TorrentLookup InfoHashOfTorrentFile(const std::string& path);

// The info-hash a MAGNET|HASH|FILE.torrent argument stands for. Links and
// hashes go through the same reading as the magnet window's box; an
// existing file is read as a .torrent.
TorrentLookup InfoHashOfArgument(const std::string& argument);

}  // namespace lumo::cli
