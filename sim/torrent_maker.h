#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::sim {

// What goes into a .torrent file.
struct TorrentSpec {
    struct File {
        std::vector<std::string> path;  // folders and file name inside the torrent
        uint64_t size = 0;
    };
    std::string name;  // the file name (one file) or the top folder (several)
    // One file: a single entry whose path is ignored (the name stands for it).
    std::vector<File> files;
    uint64_t pieceLength = 256 * 1024;
    std::string pieces;  // the 20-byte SHA-1 of every piece, one after another
    std::string announce;
    int64_t creationDate = 0;
    std::string createdBy;
};

struct MadeTorrent {
    std::string bytes;     // the bencoded file
    std::string infoHash;  // SHA-1 of the info dictionary, 40 upper-case hex digits
};

// Writes a .torrent file in the usual layout ("length" for one file, "files"
// for several) and computes its info-hash.
MadeTorrent MakeTorrent(const TorrentSpec& plan);

// SHA-1 of each piece of the files' contents taken one after another.
std::string PieceHashes(const std::vector<std::string_view>& contents, uint64_t pieceLength);

// The number of pieces a total size takes.
uint64_t PieceCount(uint64_t totalSize, uint64_t pieceLength);

}  // namespace lumo::sim
