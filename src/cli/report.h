#pragma once

#include <iostream>
#include <string>

#include "cli/exit_code.h"

namespace lumo::cli {

// Tells the user on standard error what went wrong and gives the exit
// status for it.
inline int Fail(ExitCode code, const std::string& message) {
    std::cerr << "lumo-cli: " << message << '\n';
    return code;
}

}  // namespace lumo::cli
