#include "cli/run.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/exit_code.h"
#include "cli/session.h"

namespace lumo::cli {
namespace {

int Dispatch(const CommandLine& line) {
    if (line.command == "infohash") return RunInfoHash(line);
    Session session;
    if (line.command == "files") return RunFiles(line, session);
    if (line.command == "check") return RunCheck(line, session);
    if (line.command == "resolve") return RunResolve(line, session);
    if (line.command == "search") return RunSearch(line, session);
    if (line.command == "film") return RunFilm(line, session);
    if (line.command == "list") return RunList(line, session);
    return RunPlay(line, session);
}

}  // namespace

int Run(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("lumo"));

    std::vector<std::string> words(argv + 1, argv + argc);
    std::string error;
    const std::optional<CommandLine> line = ParseCommandLine(words, &error);
    if (!line) {
        std::cerr << "lumo-cli: " << error << '\n';
        return kBadInput;
    }
    if (line->help) {
        std::cout << UsageText();
        return kDone;
    }
    if (const std::string problem = ArgumentProblem(*line); !problem.empty()) {
        std::cerr << "lumo-cli: " << problem << '\n';
        return kBadInput;
    }
    const int code = Dispatch(*line);
    // Workers are never joined and a superseded one may still wait on a
    // service: end without static destructors running under it, as lumo
    // does. Files written by the command are complete by now.
    std::cout.flush();
    std::fflush(nullptr);
    std::quick_exit(code);
}

}  // namespace lumo::cli
