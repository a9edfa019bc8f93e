#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/ini_file.h"

namespace lumo::store {

// One played file as the play queue holds it; every field is kept verbatim.
struct HistoryRow {
    std::string name;
    std::string size;
    std::string sha1;
    std::string infoHash;

    bool operator==(const HistoryRow&) const = default;
};

// Writes every row, first to last, into "播放记录" as
// 名NAME名=sizeSIZEsize----shaSHA1sha----hashHASHhash, with one read and one
// replace of the file. Rows with the same name share one line; the later wins.
bool SaveHistory(const IniFile& history, const std::vector<HistoryRow>& rows);

// The rows of the file in file order; a missing or empty file gives none.
// Lines that do not have the row form are skipped.
std::vector<HistoryRow> LoadHistory(const IniFile& history);
std::vector<HistoryRow> HistoryFromText(std::string_view text);

}  // namespace lumo::store
