#pragma once

namespace lumo::resolve {

// The four lists whose rows get an availability check.
enum class CheckedList {
    Resource,     // 超级列表框资源, the operators' resource list
    Search,       // 超级列表框搜索, the search results
    FilmSources,  // 超级列表框高清详细, the sources of a film
    MagnetFiles,  // 超级列表框1 of MAGNETWIN, the files of one torrent
};

// Where a check reads and writes in a row of its list (-1: not used).
struct CheckColumns {
    int link = -1;        // info-hash, or for film sources the torrent page's address
    int hash = -1;        // the info-hash found on the torrent page (film sources)
    int id = -1;          // the file's index
    int sha1 = -1;
    int size = -1;
    int wholeAnswer = -1;  // the raw file-list answer of a torrent with several files
    bool sizeRule = false;  // files under 1000 bytes count as not playable
};

constexpr CheckColumns ColumnsOf(CheckedList list) {
    switch (list) {
        case CheckedList::Resource: return {3, -1, 5, 4, 7, 6, true};
        case CheckedList::Search: return {4, -1, 5, 6, 7, 8, true};
        case CheckedList::FilmSources: return {4, 9, 8, 6, 7, 10, false};
        case CheckedList::MagnetFiles: return {-1, -1, -1, 3, -1, -1, false};
    }
    return {};
}

}  // namespace lumo::resolve
