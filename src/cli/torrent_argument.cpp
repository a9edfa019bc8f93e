#include "cli/torrent_argument.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "resolve/magnet_window_flows.h"
#include "torrent/magnet_input.h"
#include "torrent/torrent_file.h"

namespace lumo::cli {
namespace {

TorrentLookup Problem(ExitCode code, std::string problem) {
    TorrentLookup lookup;
    lookup.code = code;
    lookup.problem = std::move(problem);
    return lookup;
}

}  // namespace

bool NamesTorrentFile(std::string_view path) {
    constexpr std::string_view kSuffix = ".torrent";
    if (path.size() < kSuffix.size()) return false;
    return std::equal(kSuffix.begin(), kSuffix.end(), path.end() - kSuffix.size(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

bool IsInfoHash(std::string_view text) {
    return text.size() == 40 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

TorrentLookup InfoHashOfTorrentFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return Problem(kBadInput, "there is no file " + path);
    // The same ceiling as the window's: nothing that big is a torrent.
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > resolve::MagnetWindowFlows::kMaxTorrentFileBytes)
        return Problem(kBadInput, path + " is too big to be a .torrent file");
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) return Problem(kBadInput, "cannot read " + path);

    torrent::TorrentFile file;
    file.Load(std::move(bytes));
    TorrentLookup lookup;
    lookup.infoHash = file.InfoHash();
    if (lookup.infoHash.empty())
        return Problem(kBadInput, path + " is damaged or not a .torrent file: it holds no info-hash");
    return lookup;
}

TorrentLookup InfoHashOfArgument(const std::string& argument) {
    std::error_code error;
    if (std::filesystem::is_regular_file(argument, error)) return InfoHashOfTorrentFile(argument);
    if (NamesTorrentFile(argument)) return Problem(kBadInput, "there is no file " + argument);

    TorrentLookup lookup;
    lookup.infoHash = torrent::InfoHashFromInput(argument);
    if (!IsInfoHash(lookup.infoHash))
        return Problem(kBadInput, "'" + argument + "' is neither a magnet link nor an info-hash of 40 hexadecimal digits");
    return lookup;
}

}  // namespace lumo::cli
