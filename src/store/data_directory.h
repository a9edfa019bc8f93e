#pragma once

#include <filesystem>

namespace lumo::store {

// Where Lumo keeps its files: $LUMO_HOME when set, otherwise
// $XDG_DATA_HOME/lumo, otherwise ~/.local/share/lumo. The directory is
// created when missing (a failure to create it shows up later as files that
// cannot be written, never as a crash).
std::filesystem::path DataDirectory();

std::filesystem::path ConfigIniPath();   // settings, account and favourites
std::filesystem::path HistoryIniPath();  // play history (lumojl.ini)
std::filesystem::path CacheDirectory();  // lumohc/: local copies of films
std::filesystem::path CodecDirectory();  // codecs/

}  // namespace lumo::store
