#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/ini_file.h"

namespace lumo::store {

// The file side of the settings and favourites in config.ini. A favourite is
// one line of the "收藏" section: 链-LINK-链=名-NAME-名.

struct FavouriteRow {
    std::string name;  // empty when the file holds fewer names than links
    std::string link;  // a magnet link or a bare info-hash, as stored
};

// "音量" of "配置" as an integer; an empty or non-numeric value gives 0.
int ReadVolume(const IniFile& config);

// Every text between "名-" and "-名" is a name and every text between "链-"
// and "-链" a link, wherever they stand in the file. One row per link, with
// the name of the same index.
std::vector<FavouriteRow> LoadFavourites(const IniFile& config);
std::vector<FavouriteRow> FavouritesFromText(std::string_view text);

// Writes 链-magnet:?xt=urn:btih:HASH-链=名-TITLE-名 into "收藏".
bool WriteFavourite(const IniFile& config, std::string_view infoHash, std::string_view title);

// Whether the file's text contains the text (exact, case-sensitive); the
// duplicate checks before adding a favourite use it.
bool FileTextContains(const IniFile& file, std::string_view text);

}  // namespace lumo::store
