#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumo::cli {

// One lumo-cli invocation: the command, its options and its plain
// arguments in order. Options may stand anywhere after the program name.
struct CommandLine {
    std::string command;
    std::vector<std::string> arguments;
    bool json = false;
    bool help = false;
    bool cache = false;       // play: keep a local copy while watching
    bool audioOnly = false;   // play: never open a video window
    int engine = 1;           // search: 1 the JSON interface, 2 the torrent site
};

// The invocation, or nullopt with what is wrong in *error.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& words, std::string* error);

// Checks the argument count of the command; empty when it fits.
std::string ArgumentProblem(const CommandLine& line);

// The text of --help.
std::string UsageText();

}  // namespace lumo::cli
