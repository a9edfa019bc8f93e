#pragma once

#include <string>

namespace lumo::resolve {

// One file of a torrent as the file-list service reports it. Every field is
// the answer's text, unconverted.
struct FileEntry {
    std::string index;  // position in the torrent (digits)
    std::string name;   // may still hold the answer's \u escapes
    std::string size;   // bytes, decimal digits
    std::string sha1;   // 40 hex digits; 40 zeros when the service knows no content hash

    bool operator==(const FileEntry&) const = default;
};

}  // namespace lumo::resolve
