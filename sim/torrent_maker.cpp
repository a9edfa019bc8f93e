#include "sim/torrent_maker.h"

#include <map>

#include "sim/bencode_writer.h"
#include "torrent/torrent_file.h"

namespace lumo::sim {

MadeTorrent MakeTorrent(const TorrentSpec& plan) {
    using W = BencodeWriter;
    std::map<std::string, std::string> info;
    info["name"] = W::String(plan.name);
    info["piece length"] = W::Integer(static_cast<int64_t>(plan.pieceLength));
    info["pieces"] = W::String(plan.pieces);
    if (plan.files.size() == 1) {
        info["length"] = W::Integer(static_cast<int64_t>(plan.files.front().size));
    } else {
        std::vector<std::string> files;
        for (const auto& file : plan.files) {
            std::vector<std::string> path;
            for (const auto& part : file.path) path.push_back(W::String(part));
            files.push_back(W::Dictionary({{"length", W::Integer(static_cast<int64_t>(file.size))},
                                           {"path", W::List(path)}}));
        }
        info["files"] = W::List(files);
    }
    const std::string infoBytes = W::Dictionary(info);

    std::map<std::string, std::string> top;
    if (!plan.announce.empty()) top["announce"] = W::String(plan.announce);
    if (!plan.createdBy.empty()) top["created by"] = W::String(plan.createdBy);
    if (plan.creationDate > 0) top["creation date"] = W::Integer(plan.creationDate);
    top["encoding"] = W::String("UTF-8");
    top["info"] = infoBytes;

    MadeTorrent made;
    made.bytes = W::Dictionary(top);
    made.infoHash = torrent::TorrentFile::BytesToHex(torrent::TorrentFile::HashBytes(infoBytes));
    return made;
}

std::string PieceHashes(const std::vector<std::string_view>& contents, uint64_t pieceLength) {
    std::string pieces;
    std::string piece;
    piece.reserve(pieceLength);
    for (std::string_view content : contents) {
        while (!content.empty()) {
            const size_t take = std::min<size_t>(content.size(), pieceLength - piece.size());
            piece.append(content.substr(0, take));
            content.remove_prefix(take);
            if (piece.size() == pieceLength) {
                pieces += torrent::TorrentFile::HashBytes(piece);
                piece.clear();
            }
        }
    }
    if (!piece.empty()) pieces += torrent::TorrentFile::HashBytes(piece);
    return pieces;
}

uint64_t PieceCount(uint64_t totalSize, uint64_t pieceLength) {
    return pieceLength == 0 ? 0 : (totalSize + pieceLength - 1) / pieceLength;
}

}  // namespace lumo::sim
