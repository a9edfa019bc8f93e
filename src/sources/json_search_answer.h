#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "sources/search_result.h"

namespace lumo::sources {

// The JSON interface lists at most this many results of a page, whatever
// the answer holds.
inline constexpr int kJsonResultPasses = 30;

// The cache-breaking timestamp the JSON interface expects: the whole seconds
// from 1970-01-01 08:00:00 to the given local date and time (wall-clock
// arithmetic, so on a machine at UTC+8 this is the Unix time), in decimal
// without sign, cut to its first 10 characters.
std::string SearchTimestamp(const std::tm& localTime);
// The same for the current local time.
std::string SearchTimestamp();

// "http://" + host + "/plugin.php?id=hc_115&mod=api&ac=acquisition&w=" +
// keyword + "&page=" + page + "&_=" + timestamp.
std::string JsonApiAddress(std::string_view host, std::string_view keyword, int page, std::string_view timestamp);

// The results of a decoded answer: items that begin with "hash", "title",
// "size" and "day" in this order; of the first 30 such items, those with a
// title, in order. `matched` says whether any item was found.
SearchOutcome ParseJsonSearchAnswer(std::string_view decodedAnswer);

// The engine-1 worker's share: fetches the answer, decodes its escapes and
// parses it. Blocking.
SearchOutcome SearchJsonApi(std::string_view host, std::string_view keyword, int page, std::string_view timestamp);

}  // namespace lumo::sources
