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

// Takes a row the user removed out of the file, so it does not come back at
// the next start. `remaining` are the rows still listed: when one of them
// shares the removed row's line (same name), the line stays and holds the
// values of the last of them, as SaveHistory would leave it.
bool RemoveFromHistory(const IniFile& history, std::string_view name, const std::vector<HistoryRow>& remaining);

// The rows of the file in file order; a missing or empty file gives none.
// Lines that do not have the row form are skipped.
std::vector<HistoryRow> LoadHistory(const IniFile& history);
std::vector<HistoryRow> HistoryFromText(std::string_view text);

}  // namespace lumo::store
