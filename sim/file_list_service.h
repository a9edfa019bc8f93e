#pragma once

#include <string>

#include "sim/reply.h"
#include "sim/site_request.h"

namespace lumo::sim {

class SimContext;
struct CatalogueEntry;

// The file-list service published as `jkdz2`: "/filelist.php?hash=" followed
// by an info-hash (or a whole magnet link) answers the torrent's files as
// JSON, names written with "\u" escapes, fields in the order index, name,
// size, sha1.
class FileListService {
public:
    explicit FileListService(const SimContext& context) : context_(context) {}

    Reply Handle(const SiteRequest& request) const;

    // The answer for a known entry and for a hash the service does not know.
    static std::string Answer(const CatalogueEntry& entry);
    static std::string UnknownAnswer(const std::string& hash);
    // The 40 characters that follow an optional magnet prefix (any case).
    static std::string HashOf(const std::string& value);

private:
    const SimContext& context_;
};

}  // namespace lumo::sim
