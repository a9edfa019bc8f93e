#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::app {

// What Lumo is asked to open: by its command line, by a second start handing
// its argument over, or by something dropped on the main window. The same
// text always means the same thing, wherever it came from.
struct LaunchRequest {
    enum class Kind {
        Nothing,       // start (or come to the front) and do nothing more
        Help,          // --help: print the usage and end
        Version,       // --version: print the version and end
        Magnet,        // a magnet link or a bare info-hash: MAGNETWIN parses it
        TorrentFile,   // a .torrent file: MAGNETWIN lists its files
        MediaFile,     // a local file played as the open-file button does
        Address,       // a network address played as the address box does
        SubtitleFile,  // a subtitle file for the film playing
        Refused,       // nothing Lumo can open; `message` says why
    };
    Kind kind = Kind::Nothing;
    // The magnet text as given, the absolute path, or the address.
    std::string value;
    // Refused only: what the user is told.
    std::string message;
};

// One text: a command-line word, a handed-over argument, a dropped text or
// file. A relative path is taken from `base`; "file://" addresses are local
// paths.
LaunchRequest ClassifyLaunchText(std::string_view text, const std::filesystem::path& base);

// The words after the program name. --help and --version win wherever they
// stand; more than one thing to open is refused.
LaunchRequest ClassifyCommandLine(const std::vector<std::string>& words, const std::filesystem::path& base);

// The text a second start hands to the running Lumo for `request`: the magnet
// text, the absolute path or the address; empty when there is nothing to
// open. Paths are made absolute here because the running Lumo has another
// working directory.
std::string HandOverText(const LaunchRequest& request);

std::string UsageText(std::string_view program);
std::string VersionText();

}  // namespace lumo::app
