#pragma once

#include <functional>
#include <optional>
#include <string>

#include "flow/list_model.h"
#include "resolve/checked_list.h"

namespace lumo::resolve {

// Where the checks send their questions.
struct CheckEndpoints {
    std::string fileListPrefix;  // the published file-list address; the info-hash follows it
    std::string offlineHost;     // host[:port] of the offline service
};

// How a check hands its findings on. It runs on a worker thread and calls
// these there, in the order the changes are made; the caller carries them
// to the list. `cancelled` is asked before every request: once it says yes
// the check stops and reports nothing more.
struct CheckReport {
    std::function<void(int column, std::string text)> writeCell;
    std::function<void(flow::AvailabilityState state)> setState;
    std::function<bool()> cancelled;
};

// The check of one torrent row (resource list, search results, film
// sources), given the row's link cell. Film sources first fetch the
// torrent page at the link and take the info-hash from its magnet link.
// Returns the final state, or nullopt when cancelled.
std::optional<flow::AvailabilityState> AvailabilityCheck(CheckedList list, const std::string& link,
                                                        const CheckEndpoints& endpoints,
                                                        const CheckReport& report);

// The check of one file of MAGNETWIN's list, given its sha1 cell.
std::optional<flow::AvailabilityState> AvailabilityCheck(const std::string& sha1, const CheckEndpoints& endpoints,
                                                        const CheckReport& report);

}  // namespace lumo::resolve
