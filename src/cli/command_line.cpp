#include "cli/command_line.h"

#include <map>
#include <utility>

namespace lumo::cli {
namespace {

struct Arity {
    size_t least;
    size_t most;
    const char* form;
};

const std::map<std::string, Arity>& Commands() {
    static const std::map<std::string, Arity> commands = {
        {"infohash", {1, 1, "infohash FILE.torrent"}},
        {"files", {1, 1, "files MAGNET|HASH"}},
        {"check", {1, 1, "check MAGNET|HASH"}},
        {"resolve", {1, 2, "resolve MAGNET|HASH [INDEX]"}},
        {"search", {1, 2, "search [--engine 1|2] KEYWORD [PAGE]"}},
        {"film", {1, 1, "film KEYWORD"}},
        {"list", {0, 1, "list [PAGE]"}},
        {"play", {1, 2, "play MAGNET|HASH|FILE|URL [INDEX]"}},
    };
    return commands;
}

bool ParseEngine(const std::string& text, int* engine) {
    if (text != "1" && text != "2") return false;
    *engine = text == "1" ? 1 : 2;
    return true;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& words, std::string* error) {
    CommandLine line;
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        // A lone "-" or a negative-looking keyword after "--" is an argument.
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            if (line.command.empty())
                line.command = word;
            else
                line.arguments.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
        } else if (word == "--json") {
            line.json = true;
        } else if (word == "--help" || word == "-h") {
            line.help = true;
        } else if (word == "--cache") {
            line.cache = true;
        } else if (word == "--audio-only") {
            line.audioOnly = true;
        } else if (word == "--engine" || word.rfind("--engine=", 0) == 0) {
            std::string value;
            if (word == "--engine") {
                if (i + 1 == words.size()) {
                    *error = "--engine needs a number: 1 or 2";
                    return std::nullopt;
                }
                value = words[++i];
            } else {
                value = word.substr(9);
            }
            if (!ParseEngine(value, &line.engine)) {
                *error = "there is no search engine '" + value + "': use 1 or 2";
                return std::nullopt;
            }
        } else {
            *error = "unknown option " + word + " (see lumo-cli --help)";
            return std::nullopt;
        }
    }
    if (!line.help && line.command.empty()) {
        *error = "no command given (see lumo-cli --help)";
        return std::nullopt;
    }
    if (!line.command.empty() && Commands().count(line.command) == 0) {
        *error = "there is no command '" + line.command + "' (see lumo-cli --help)";
        return std::nullopt;
    }
    return line;
}

std::string ArgumentProblem(const CommandLine& line) {
    const Arity& arity = Commands().at(line.command);
    if (line.arguments.size() >= arity.least && line.arguments.size() <= arity.most) return {};
    return std::string("usage: lumo-cli ") + arity.form;
}

std::string UsageText() {
    return "usage: lumo-cli [--json] COMMAND ARGUMENTS\n"
           "\n"
           "  infohash FILE.torrent                 the torrent's info-hash (40 upper-case digits)\n"
           "  files MAGNET|HASH                     the torrent's files: index, size, name\n"
           "  check MAGNET|HASH                     whether the offline service can play each file\n"
           "  resolve MAGNET|HASH [INDEX]           the play address and cookie of one file\n"
           "  search [--engine 1|2] KEYWORD [PAGE]  torrent search (1: search interface, 2: torrent site)\n"
           "  film KEYWORD                          films on the film site\n"
           "  list [PAGE]                           the operators' shared resource list\n"
           "  play MAGNET|HASH|FILE|URL [INDEX]     plays a torrent's file, a media file or an address\n"
           "\n"
           "Options:\n"
           "  --json        listings and results as JSON on standard output\n"
           "  --cache       play: keep a copy of the film in the data directory's lumohc/\n"
           "  --audio-only  play: no video window even where there is a display\n"
           "  -h, --help    this text\n"
           "\n"
           "A .torrent file may stand wherever a magnet link or hash may. While playing:\n"
           "space pauses and resumes, q quits.\n"
           "\n"
           "Exit status: 0 done, 1 nothing found, 2 bad input, 3 a service failed.\n"
           "LUMO_SERVICES and LUMO_HOME work as they do for lumo.\n";
}

}  // namespace lumo::cli
