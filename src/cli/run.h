#pragma once

namespace lumo::cli {

// The whole of lumo-cli: reads the command line, runs the command and
// returns the exit status.
int Run(int argc, char** argv);

}  // namespace lumo::cli
