// infohash, files, check and resolve: a torrent's identity, its files, and
// what the offline service makes of them.
#include <iostream>
#include <optional>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/report.h"
#include "cli/service_check.h"
#include "cli/session.h"
#include "cli/torrent_argument.h"
#include "cli/torrent_files.h"
#include "flow/list_model.h"
#include "resolve/play_address.h"
#include "resolve/play_info.h"
#include "resolve/resolution.h"

namespace lumo::cli {
namespace {

// How long the checks of one torrent may take: each asks the offline
// service once (a minute at most), and they start 100 ms apart.
std::chrono::milliseconds CheckTime(int rows) { return std::chrono::seconds(70) + rows * std::chrono::milliseconds(100); }

std::string StateWord(std::optional<flow::AvailabilityState> state) {
    if (!state) return "unchecked";
    switch (*state) {
        case flow::AvailabilityState::Playable: return "playable";
        case flow::AvailabilityState::NotPlayable: return "unplayable";
        case flow::AvailabilityState::SeveralFiles: return "several-files";
        case flow::AvailabilityState::Checking: return "checking";
    }
    return "unchecked";
}

}  // namespace

int RunInfoHash(const CommandLine& line) {
    const TorrentLookup lookup = InfoHashOfTorrentFile(line.arguments[0]);
    if (lookup.code != kDone) return Fail(lookup.code, lookup.problem);
    if (line.json)
        PrintRecord({{"infohash", lookup.infoHash}}, true, std::cout);
    else
        std::cout << lookup.infoHash << '\n';
    return kDone;
}

int RunFiles(const CommandLine& line, Session& session) {
    TorrentFiles files = ListTorrentFiles(session, line.arguments[0]);
    if (files.code != kDone) return Fail(files.code, files.problem);
    Table table{{"index", "size", "name", "bytes", "sha1"}, {}, 3};
    for (int row = 0; row < files.list->RowCount(); ++row) {
        const flow::ListModel& list = *files.list;
        table.rows.push_back({list.Cell(row, kFileIndexColumn), list.Cell(row, kFileGigabyteColumn),
                              list.Cell(row, kFileNameColumn), list.Cell(row, kFileSizeColumn),
                              list.Cell(row, kFileSha1Column)});
    }
    // The listing is all that was asked: its availability checks need not run.
    files.list->Clear();
    PrintTable(table, line.json, std::cout);
    return kDone;
}

int RunCheck(const CommandLine& line, Session& session) {
    TorrentFiles files = ListTorrentFiles(session, line.arguments[0]);
    if (files.code != kDone) return Fail(files.code, files.problem);
    flow::ListModel& list = *files.list;
    resolve::AvailabilityChecker& checker = session.Resolution().Checker();
    if (!Session::WaitFor([&] { return checker.PendingChecks(list) == 0; }, CheckTime(list.RowCount())))
        std::cerr << "lumo-cli: some checks did not end in time; they are shown as still checking\n";

    Table table{{"index", "state", "name"}, {}, 0};
    bool anyPlayable = false;
    for (int row = 0; row < list.RowCount(); ++row) {
        const auto state = list.State(row);
        anyPlayable = anyPlayable || state == flow::AvailabilityState::Playable;
        table.rows.push_back({list.Cell(row, kFileIndexColumn), StateWord(state), list.Cell(row, kFileNameColumn)});
    }
    PrintTable(table, line.json, std::cout);
    if (!anyPlayable) return Fail(kNothingFound, "the offline service can play none of these files");
    return kDone;
}

int RunResolve(const CommandLine& line, Session& session) {
    TorrentFiles files = ListTorrentFiles(session, line.arguments[0]);
    if (files.code != kDone) return Fail(files.code, files.problem);
    std::string problem;
    const std::optional<std::string> index =
        line.arguments.size() > 1 ? std::optional<std::string>(line.arguments[1]) : std::nullopt;
    const int row = ChooseFileRow(*files.list, index, &problem);
    if (row < 0) return Fail(kBadInput, problem);

    // The same question the resolve of a double-clicked file asks, without
    // handing the answer to an engine.
    const resolve::ResolveEndpoints& endpoints = session.Resolution().Endpoints();
    resolve::ResolveJob job;
    job.sha1 = files.list->Cell(row, kFileSha1Column);
    job.size = files.list->Cell(row, kFileSizeColumn);
    job.offlineHost = endpoints.OfflineHost();
    for (int n = 1; n <= resolve::kHostLinesTried; ++n) job.hostLines.push_back(endpoints.HostLine(n));
    const std::string name = files.list->Cell(row, kFileNameColumn);
    files.list->Clear();

    const resolve::ResolveOutcome outcome = resolve::FindPlayAddress(job, {});
    switch (outcome.end) {
        case resolve::ResolveEnd::Found:
            PrintRecord({{"address", outcome.playUrl},
                         {"cookie", resolve::EngineCookieText(outcome.cookie)},
                         {"host", std::to_string(outcome.line)},
                         {"name", name}},
                        line.json, std::cout);
            return kDone;
        case resolve::ResolveEnd::Unplayable:
            return Fail(kNothingFound, "the offline service does not hold " + name);
        case resolve::ResolveEnd::NoHost:
            if (outcome.cookie.empty() && !ServiceAnswers(resolve::PlayInfoAddress(job.offlineHost)))
                return Fail(kServiceFailed, "the offline service did not answer");
            return Fail(kServiceFailed, "no download host serves " + name);
        case resolve::ResolveEnd::Cancelled:
            break;
    }
    return Fail(kServiceFailed, "the resolve was cut short");
}

}  // namespace lumo::cli
