#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "resolve/file_entry.h"

namespace lumo::resolve {

// The file list of a torrent: a plain GET of the published file-list prefix
// immediately followed by the info-hash. The page text; empty on failure.
std::string FetchFileList(std::string_view fileListPrefix, std::string_view infoHash);

// The files of a file-list answer in answer order. Only the field order
// index, name, size, sha1 with this quoting is recognised; an answer in any
// other shape yields nothing.
std::vector<FileEntry> ParseFileList(std::string_view answer);

}  // namespace lumo::resolve
