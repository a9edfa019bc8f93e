#include "resolve/availability_check.h"

#include "net/http_request.h"
#include "resolve/file_list.h"
#include "resolve/play_info.h"
#include "resolve/size_text.h"
#include "text/text_between.h"

namespace lumo::resolve {
namespace {

using flow::AvailabilityState;

bool Cancelled(const CheckReport& report) { return report.cancelled && report.cancelled(); }

std::optional<AvailabilityState> Finish(const CheckReport& report, AvailabilityState state) {
    if (Cancelled(report)) return std::nullopt;
    report.setState(state);
    return state;
}

// Asks the offline service whether it holds the file: one request.
std::optional<bool> Held(const std::string& sha1, const CheckEndpoints& endpoints, const CheckReport& report) {
    if (Cancelled(report)) return std::nullopt;
    const std::string cookie = ExtractComCookie(QueryPlayInfo(endpoints.offlineHost, sha1));
    if (Cancelled(report)) return std::nullopt;
    return CookieMeansHeld(cookie);
}

}  // namespace

std::optional<AvailabilityState> AvailabilityCheck(CheckedList list, const std::string& link,
                                                   const CheckEndpoints& endpoints, const CheckReport& report) {
    const CheckColumns columns = ColumnsOf(list);
    std::string infoHash = link;
    if (list == CheckedList::FilmSources) {
        if (Cancelled(report)) return std::nullopt;
        const std::string page = net::HttpRequest(link);
        infoHash = text::TextBetween(page, "magnet:?xt=urn:btih:", "&");
        if (Cancelled(report)) return std::nullopt;
        report.writeCell(columns.hash, infoHash);
    }

    if (Cancelled(report)) return std::nullopt;
    const std::string answer = FetchFileList(endpoints.fileListPrefix, infoHash);
    if (Cancelled(report)) return std::nullopt;
    const std::vector<FileEntry> entries = ParseFileList(answer);

    if (entries.size() > 1) {
        report.writeCell(columns.wholeAnswer, answer);
        return Finish(report, AvailabilityState::SeveralFiles);
    }
    if (entries.empty()) return Finish(report, AvailabilityState::NotPlayable);

    const FileEntry& file = entries.front();
    report.writeCell(columns.id, file.index);
    if (columns.sizeRule && LeadingNumber(file.size) < 1000) return Finish(report, AvailabilityState::NotPlayable);
    if (!Sha1CanBeAsked(file.sha1)) return Finish(report, AvailabilityState::NotPlayable);

    const std::optional<bool> held = Held(file.sha1, endpoints, report);
    if (!held) return std::nullopt;
    if (!*held) return Finish(report, AvailabilityState::NotPlayable);
    report.writeCell(columns.sha1, file.sha1);
    report.writeCell(columns.size, file.size);
    return Finish(report, AvailabilityState::Playable);
}

std::optional<AvailabilityState> AvailabilityCheck(const std::string& sha1, const CheckEndpoints& endpoints,
                                                   const CheckReport& report) {
    if (!Sha1CanBeAsked(sha1)) return Finish(report, AvailabilityState::NotPlayable);
    const std::optional<bool> held = Held(sha1, endpoints, report);
    if (!held) return std::nullopt;
    return Finish(report, *held ? AvailabilityState::Playable : AvailabilityState::NotPlayable);
}

}  // namespace lumo::resolve
