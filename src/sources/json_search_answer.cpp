#include "sources/json_search_answer.h"

#include <cstdint>
#include <cstdlib>

#include "net/http_request.h"
#include "sources/keyword_address.h"
#include "text/pattern_matcher.h"
#include "text/script_unescape.h"

namespace lumo::sources {
namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::string SearchTimestamp(const std::tm& localTime) {
    const int64_t days = DaysFromCivil(localTime.tm_year + 1900LL, localTime.tm_mon + 1LL, localTime.tm_mday);
    const int64_t seconds =
        days * 86400 + localTime.tm_hour * 3600LL + localTime.tm_min * 60LL + localTime.tm_sec - 8 * 3600LL;
    std::string text = std::to_string(seconds < 0 ? -seconds : seconds);
    if (text.size() > 10) text.resize(10);
    return text;
}

std::string SearchTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return SearchTimestamp(local);
}

std::string JsonApiAddress(std::string_view host, std::string_view keyword, int page, std::string_view timestamp) {
    return "http://" + std::string(host) + "/plugin.php?id=hc_115&mod=api&ac=acquisition&w=" +
           KeywordInQuery(keyword) + "&page=" + std::to_string(page) + "&_=" + std::string(timestamp);
}

SearchOutcome ParseJsonSearchAnswer(std::string_view decodedAnswer) {
    text::PatternMatcher items;
    items.Search(R"p({"hash":"(.*?)","title":"(.*?)","size":"(.*?)","day".*?})p", decodedAnswer, false, true, true,
                 true);
    SearchOutcome outcome;
    outcome.matched = items.MatchCount() > 0;
    // Always the first 30 items; past the last match the title reads empty.
    for (int i = 1; i <= kJsonResultPasses; ++i) {
        std::string title = items.SubMatchText(i, 2);
        if (title.empty()) continue;
        outcome.rows.push_back({std::move(title), items.SubMatchText(i, 3), items.SubMatchText(i, 1)});
    }
    return outcome;
}

SearchOutcome SearchJsonApi(std::string_view host, std::string_view keyword, int page, std::string_view timestamp) {
    const std::string answer = net::HttpRequest(JsonApiAddress(host, keyword, page, timestamp));
    return ParseJsonSearchAnswer(text::ScriptUnescape(answer));
}

}  // namespace lumo::sources
