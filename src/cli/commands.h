#pragma once

#include "cli/command_line.h"

namespace lumo::cli {

class Session;

// Each command prints its result on standard output, tells problems on
// standard error and returns the exit status (cli/exit_code.h). The
// arguments have been counted already.
int RunInfoHash(const CommandLine& line);
int RunFiles(const CommandLine& line, Session& session);
int RunCheck(const CommandLine& line, Session& session);
int RunResolve(const CommandLine& line, Session& session);
int RunSearch(const CommandLine& line, Session& session);
int RunFilm(const CommandLine& line, Session& session);
int RunList(const CommandLine& line, Session& session);
int RunPlay(const CommandLine& line, Session& session);

}  // namespace lumo::cli
