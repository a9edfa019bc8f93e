#pragma once

namespace lumo::cli {

// What lumo-cli's exit status tells a script.
enum ExitCode : int {
    kDone = 0,
    kNothingFound = 1,
    kBadInput = 2,
    kServiceFailed = 3,
};

}  // namespace lumo::cli
