// The page parsers of the searches, the resource lists, the keyword
// libraries, the film site, the address list and the update page. The first
// byte picks the parser, the rest is the page. Every piece a parser hands
// back must come out of the page it was given.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/page_decoder.h"
#include "remote/remote_address_list.h"
#include "remote/update_page.h"
#include "sources/film_pages.h"
#include "sources/json_search_answer.h"
#include "sources/resource_pages.h"
#include "sources/torrent_site_page.h"
#include "text/charset.h"
#include "text/script_unescape.h"
#include "text/utf8.h"

namespace {

using namespace lumo;

void Require(bool condition) {
    if (!condition) std::abort();
}

bool In(std::string_view page, std::string_view piece) { return page.find(piece) != std::string_view::npos; }

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (text::DecodeUtf8(text, pos) == text::kInvalidUtf8) return false;
    }
    return true;
}

void CheckSearch(const sources::SearchOutcome& outcome, std::string_view page, size_t limit) {
    Require(outcome.rows.size() <= limit);
    if (!outcome.matched) Require(outcome.rows.empty());
    for (const auto& row : outcome.rows) {
        Require(In(page, row.key));
        Require(In(page, row.size));
    }
}

void TorrentSite(std::string_view page) {
    CheckSearch(sources::ParseTorrentSitePage(page), page, page.size());
}

void JsonAnswer(std::string_view raw) {
    // As the worker reads it: escapes decoded first.
    const std::string page = text::ScriptUnescape(raw);
    const sources::SearchOutcome outcome = sources::ParseJsonSearchAnswer(page);
    CheckSearch(outcome, page, sources::kJsonResultPasses);
    for (const auto& row : outcome.rows) Require(!row.title.empty() && In(page, row.title));
}

void ResourceLists(std::string_view page) {
    for (const auto& entry : sources::ParseSharedResourcePage(page)) {
        Require(In(page, entry.link));
        Require(IsValidUtf8(entry.name));
    }
    for (const auto& entry : sources::ParseExtraResourceList(page)) {
        Require(In(page, entry.name) && In(page, entry.link));
    }
}

void Libraries(std::string_view raw) {
    for (const auto& word : sources::ParseCodeLibrary(raw)) Require(In(raw, word));
    // The keyword library is read as GBK.
    const std::string page = text::GbkToUtf8(text::UntilZero(raw));
    Require(IsValidUtf8(page));
    for (const auto& word : sources::ParseKeywordLibrary(page)) Require(In(page, word) && IsValidUtf8(word));
}

void Films(std::string_view page) {
    constexpr std::string_view host = "films:7";
    for (const auto& film : sources::ParseFilmSearchPage(page, host)) {
        Require(StartsWith(film.detailAddress, "http://films:7"));
        Require(In(page, film.detailAddress.substr(14)));
    }
    const sources::FilmDetails details = sources::ParseFilmDetails(page, host);
    Require(details.posterAddress.empty() || StartsWith(details.posterAddress, "http://"));
    Require(StartsWith(details.titleText, "片名: "));
    Require(In(page, details.imdb));
    Require(details.labels.size() <= page.size());
    for (const auto& torrent : details.torrents) {
        Require(!torrent.size.empty() && torrent.size.back() == 'B');
        Require(StartsWith(torrent.address, "http://films:7"));
        Require(In(page, torrent.title));
    }
}

void RemotePages(std::string_view page) {
    const auto values = remote::RemoteAddressList::Parse(page);
    Require(values.size() == remote::RemoteAddressList::Keys().size());
    for (const auto& key : remote::RemoteAddressList::Keys()) {
        const std::string& value = values.at(key.name);
        const size_t begin = page.find(key.beginMarker);
        if (begin == std::string_view::npos) {
            Require(value.empty());
            continue;
        }
        // The first begin marker counts; the value runs to the next end marker.
        const std::string_view after = page.substr(begin + key.beginMarker.size());
        const size_t end = after.find(key.endMarker);
        Require(value == (end == std::string_view::npos ? std::string_view() : after.substr(0, end)));
    }
    const remote::UpdatePage update = remote::UpdatePage::Read(page);
    Require(update.downloadAddress.empty() ||
            In(page, std::string(remote::UpdatePage::kDownloadMarker) + update.downloadAddress +
                         remote::UpdatePage::kDownloadMarker));
    Require(update.status.empty() || In(page, std::string(remote::UpdatePage::kStatusMarker) + update.status +
                                                      remote::UpdatePage::kStatusMarker));
}

void PageNumbers(std::string_view text) {
    const int number = sources::PageNumber(text);
    Require(number >= -1000000000 && number <= 1000000000);
    Require(sources::PageNumber(std::to_string(number)) == number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t selector = data[0];
    const std::string_view raw(reinterpret_cast<const char*>(data) + 1, size - 1);
    // Pages reach the parsers decoded from their declared charset; the raw
    // bytes go in as well, as a page the decoder left alone could hold them.
    const bool decode = (selector & 0x80) != 0;
    const std::string decoded = decode ? net::DecodePage(raw) : std::string();
    if (decode) Require(IsValidUtf8(decoded));
    const std::string_view page = decode ? std::string_view(decoded) : raw;
    switch ((selector & 0x7F) % 7) {
        case 0: TorrentSite(page); break;
        case 1: JsonAnswer(raw); break;
        case 2: ResourceLists(page); break;
        case 3: Libraries(raw); break;
        case 4: Films(page); break;
        case 5: RemotePages(raw); break;
        case 6: PageNumbers(raw); break;
    }
    return 0;
}
